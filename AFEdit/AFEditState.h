// TAFEditState: the editor control's state, every field of TCustomAFEdit,
// kept apart from the class's interface so each can be read on its own.  The
// control derives from it; its members use the fields by name.
#pragma once

#include <QImage>

#include <bitset>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEditOptions.h"
#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowList.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/document/UndoBuff.h"
#include "AFEdit/input/SelArea.h"
#include "AFEdit/layout/ColAttrList.h"
#include "AFEdit/layout/WrapSearch.h"
#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/InputMethod.h"
#include "AFEdit/platform/PosixFile.h"
#include "AFEdit/platform/ScreenCursor.h"
#include "AFEdit/platform/ScrollBars.h"
#include "AFEdit/platform/SysCaret.h"
#include "AFEdit/platform/Timer.h"
#include "AFEdit/platform/Types.h"

class TAFEditState {
protected:
  // Document
  TRowList FLines;
  TAttrList FLineAttrs;
  TUndoBuff FUndoBuff{100};
  int32_t FEditGroup = 0;
  TBlkAttrList FBlkAttrs;
  TAttrList FRowClipAttrs;
  std::vector<std::string> FRowClipText;
  int FMaxRowLen = 0;
  bool FBatchEdit = false;
  bool FLoading = false;
  int64_t FZeroByteAt = -1;
  TFileIdentity FFileIdentity;

  // Layout
  TPoint FCaret{0, 0};
  TPoint FPrevCaret{0, 0};
  int FTopRow = 0;
  int FLeftCol = 0;
  std::string FTabBuf;  // grows to the longest expanded row and is reused

  // Selection
  TSelArea FSel;
  bool FShiftSel = false;

  // Caret and view state
  bool FCaretShapeMode = true;
  bool FCaretShapeWide = true;
  // What the column ruler showed when last drawn: the caret column, the
  // first column, and the markers' wrap and indent columns.
  int FPrevCaretCol = -1;
  int FPrevLeftCol = -1;
  TPoint FPrevMarkers{-1, -1};
  int FPaintedTopRow = -1;
  int FCaretHideCount = 0;
  bool FInsertMode = true;
  bool FTrackScroll = true;  // the view follows a dragged scroll box
  TRect FUpdateRect;
  TScrollBars FBars;
  bool FInScrollBars = false;    // the scroll-bar refresh is running
  int FPaintBatchDepth = 0;
  qreal FRatioOverride = 0;      // SetSurfaceRatio's ratio; 0 follows the screen
  int FEditDepth = 0;            // edits running (TEditScope)
  bool FPaintPending = false;    // a whole repaint waits for the edit's end
  bool FInChangeHandler = false; // the row-change handler is running
  bool FChangePaintPending = false;  // the change handler asked for a repaint
  TRect FInvalid;                // gathered while a paint batch is open
  TSysCaret FSysCaret;
  TInputMethod FIme;
  bool FImeComposing = false;    // a composition was running at the last key-down
  std::set<int> FKeysDown;       // virtual keys pressed and not yet released

  // The row being painted: its display text D (indent as 0x01 bytes), the
  // painted string P, the pending run and word, the column and byte index
  // in progress, and the byte index of every painted column.
  struct TPaintState {
    std::string D;
    std::string P;
    std::string Run;
    std::string Word;
    std::vector<int> ColB;
    int Row = -1;
    int Indent = 0;
    TLineAttr Attr;
    int Y = 0;
    int Pos = 0;
    int B = 0;
    int FirstPos = 0;  // the first painted byte index: ColB[0]'s
  } FPaint;

  // Metrics, fonts and glyphs (measured from the font)
  QImage FSurface;
  TCanvas FCanvas{&FSurface};
  TFont FFont;
  TFont FDependenceFont;
  TFont FKeywordFont;
  TFont FSelTextFont;
  int FCharHeight = 12;
  int FRowHeight = 0;  // 0 until the font is measured
  int FHalfWidth = 6;
  int FCellWidth = 6;
  std::vector<int> FCellAdvances;
  TRect FTextRect{40, 14, 200, 100};
  TColor FMarkColor = 0;
  QImage FCrSource;
  QImage FCrMark;
  QImage FCrMarkSel;
  struct TCrMarkKey {
    int Height = 0;
    TColor Mark = 0;
    TColor Back = 0;
    qreal Ratio = 1;
    friend bool operator==(const TCrMarkKey&, const TCrMarkKey&) = default;
  } FCrMarkKey;
  int FCrMarkBuilds = 0;
  bool FLoadingForm = false;

  // Properties
  int FAccelRate = 2;
  int FCharPich = 0;
  int FRowPich = 2;
  int FLeftMgn = 0;
  int FTopMgn = 0;
  std::string FRowDspFmt;
  TColor FColColumnIndi = clBtnFace;
  TColor FColColumnNo = clWindowText;
  TColor FColCr = clMaroon;
  TColor FColLeftMgn = clWindow;
  TColor FColRowNo = clWindowText;
  TColor FColSelBrush = clHighlight;
  TColor FColor = clWindow;
  int FDefWrapPos = 60;
  std::string FDependenceChar;
  // The two-byte characters of FDependenceChar, by lead << 8 | trail.
  std::vector<bool> FDependenceSet = std::vector<bool>(65536);
  std::vector<std::string> FKeywords;
  int FTabSize = 4;
  TAFEditOptions FOptions{aoAutoFormat};
  TViewOptions FViewOpt;
  TScrollStyle FScrollBars = ssBoth;
  std::string FBanHead;
  std::string FBanEnd;
  TCharSet FBanHeadSet;
  TCharSet FBanEndSet;
  std::bitset<256> FWordChars;
  std::string FWrapBuf;  // display text of the row being wrapped
  std::string FWrapBuf2;
  TRowPacker FWrapPacker{64 << 10};  // chunks for the rows re-wrap joins
  bool FSplitLongRows = true;
  int FWrapLeadBytes = 10;
  int FWrapTrailBytes = 4;

  // Mouse
  uint8_t FMouseMode = 0;  // what the pressed left button is doing (mm*)
  int32_t FLastDragRow = -1;  // row last reached by a margin drag
  int32_t FClickBias = 3;     // pixels added to a pointer x before it becomes a column
  TScreenCursor FPointer;
  // Autoscroll: direction (1 down, -1 up, 0 none), the pointer's client
  // position when it began (a vertical move ends it), and the step timer.
  int FAutoScrollDir = 0;
  int FAutoScrollX = 0;
  int FAutoScrollY = 0;
  TTimer FAutoScrollTimer;
};
