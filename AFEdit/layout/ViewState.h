// The control's view: the caret and the first row and column, the
// selection, and the state of the caret, scroll bars, repaints and input
// method between events.
#pragma once

#include <QtGlobal>

#include <set>
#include <string>

#include "AFEdit/input/SelArea.h"
#include "AFEdit/platform/InputMethod.h"
#include "AFEdit/platform/ScrollBars.h"
#include "AFEdit/platform/SysCaret.h"
#include "AFEdit/platform/Types.h"

struct TViewState {
  // Caret and view
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
};
