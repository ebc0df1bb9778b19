// The editor control: TCustomAFEdit holds the whole state and behaviour of
// the Shift-JIS text editor; TAFEdit publishes it.  Member functions are
// defined in the folder of the subsystem they belong to (document/, layout/,
// render/, input/).
#pragma once

#include <QAbstractScrollArea>

#include <bitset>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowList.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/document/UndoBuff.h"
#include "AFEdit/input/SelArea.h"
#include "AFEdit/layout/ColAttrList.h"
#include "AFEdit/layout/Columns.h"
#include "AFEdit/layout/WrapSearch.h"
#include "AFEdit/platform/Types.h"

enum TAFEditOption {
  aoFreeCaret,
  aoAutoIndent,
  aoAutoJpnIndent,
  aoAutoFormat,
  aoWordWrap,
  aoJpnBanBreak
};
using TAFEditOptions = TSet<TAFEditOption>;

enum TViewOption {
  voDependence,
  voHankana,
  voCr,
  voAnsiSpace,
  voTab,
  voIndent,
  voColIndicate,
  voKeyWord,
  voRowNum,
  voWrapLine,
  voFoldMark
};
using TViewOptions = TSet<TViewOption>;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomAFEdit;

using TNotifyEvent = std::function<void(TCustomAFEdit* Sender)>;
using TLineInsertEvent = std::function<void(TCustomAFEdit* Sender, int index, std::string& NewLine)>;
using TLineDeleteEvent = std::function<void(TCustomAFEdit* Sender, int index)>;
using TBeforeChangeEvent =
    std::function<void(TCustomAFEdit* Sender, int index, std::string& stNewLine, bool& CanModify)>;
using TUndoChangeEvent = std::function<void(TCustomAFEdit* Sender, bool canUndo, bool canRedo)>;
using TWordBreakEvent = std::function<void(TCustomAFEdit* Sender, const std::string& stLine, int& WrapPos)>;
using TBlockDeleteNotifyEvent = std::function<void(TCustomAFEdit* Sender, int FirstRow, int LastRow)>;

// Earlier / later of two positions, and the half-open range test.
inline int Max(int A, int B) noexcept { return A > B ? A : B; }
inline int Min(int A, int B) noexcept { return A < B ? A : B; }
TPoint MinPos(TPoint P, TPoint Q) noexcept;
TPoint MaxPos(TPoint P, TPoint Q) noexcept;
bool PosInRange(TPoint P, TPoint A, TPoint B) noexcept;
// Occurrences of B before the first zero byte of S.
int CountByte(std::string_view S, unsigned char B) noexcept;

class TCustomAFEdit : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TCustomAFEdit(QWidget* Owner = nullptr);
  ~TCustomAFEdit() override;

  // ---- row store ----
  int RowCount() const noexcept { return FLines.Count(); }
  bool RowHasLineEnd(int Row) const;
  // The stored bytes of a row (without Indent, tabs unexpanded).
  const TRowStr& RowText(int Row) const { return FLines[Row]; }
  void InitLineAttr(bool Dirty, int Indent, TLineAttr& A, int WrapPos) const;
  void AppendRow(TRowStr S, const TLineAttr& A);
  void InsertRow(int Row, TRowStr S, const TLineAttr& Template);
  void DeleteRow(int Row);
  void SetRowText(int Row, TRowStr S, bool NewGroup);
  void ReplaceRow(int Row, TRowStr S) { SetRowText(Row, std::move(S), true); }
  void AppendLine(TRowStr S);
  void FreeColAttrs(int Row) { FLineAttrs.FreeColAttrs(Row); }
  // While loading, appended rows are not recorded for undo (the history is
  // reset when the load ends) and no undo notification is sent per row.
  void BeginLoad() noexcept { FLoading = true; }
  void EndLoad() noexcept { FLoading = false; }
  TAttrList& LineAttrs() noexcept { return FLineAttrs; }
  const TRowList& Lines() const noexcept { return FLines; }

  std::string Text() const;
  // Checks the store's invariants: one record per row, CR only at the end of
  // a row and never on the last row, caret and selection inside the
  // document.  Returns what is wrong, or an empty string.
  std::string CheckInvariants() const;
  bool Edited() const noexcept { return FUndoBuff.Modified(); }

  // ---- loading and saving (document/LoadSave.cpp) ----
  // Mode flags: 1 binary style, 2 expand tabs, 4 leading tabs to indent,
  // 8 indent as tabs, 16 indent as spaces, 32 every row as a line.
  void LoadFromStream(std::istream& Stream, int Mode);
  void LoadFromFile(const std::string& FileName, int Mode);
  void SaveToStream(std::ostream& Stream, int Mode);
  void SaveToFile(const std::string& FileName, int Mode);
  void SetText(std::string_view Value);

  // ---- word wrap (layout/Wrap.cpp) ----
  int FindWrapPos(std::string_view S, int WrapPos, int Indent);
  void RewrapRow(int Row);
  std::string GetRangeText(TPoint Start, TPoint End, bool AsDisplayed);
  const std::string& BanHead() const noexcept { return FBanHead; }
  void SetBanHead(std::string Value);
  const std::string& BanEnd() const noexcept { return FBanEnd; }
  void SetBanEnd(std::string Value);
  // Word characters: letters, plus every byte of the given keywords.
  void RebuildWordChars(const std::vector<std::string>& Keywords);

  int WrapLeadBytes() const noexcept { return FWrapLeadBytes; }
  void SetWrapLeadBytes(int Value) noexcept { FWrapLeadBytes = Value; }
  int WrapTrailBytes() const noexcept { return FWrapTrailBytes; }
  void SetWrapTrailBytes(int Value) noexcept { FWrapTrailBytes = Value; }

  // ---- undo ----
  void Undo();
  void Redo();
  int UndoMax() const noexcept { return FUndoBuff.FUndoMax; }
  void SetUndoMax(int Value) noexcept { FUndoBuff.FUndoMax = Value; }
  TUndoBuff& UndoBuff() noexcept { return FUndoBuff; }
  int EditGroup() const noexcept { return FEditGroup; }
  void NewEditGroup() noexcept { ++FEditGroup; }

  // ---- lifecycle ----
  virtual void Loaded();
  void Clear();

  // ---- character classes and columns ----
  // Expands tabs of S into the control's work buffer (see layout/Columns.cpp).
  std::string_view ExpandTabs(std::string_view S, bool ToSpaces);
  std::string RowDisplayText(int Row);
  TPoint ByteToDisplayPos(TPoint P);
  TPoint SnapToChar(TPoint P, bool Backward);
  TPoint ClampPos(TPoint P);
  void CaretLeft();
  void CaretRight();

  // ---- block and column attributes ----
  bool BlockAt(TPoint Pos, TColor& Color, TFontStyles& Style) const;
  int NextBlockBoundary(TPoint Pos) const;
  TColAttrList* GetColAttrs(int Row);
  void ColAttrEdit(int Row, int At, int Op, int Count);
  void ColAttrsMove(int From, int To, int Dir, int Count);
  void BlocksMove(int From, int To, int Dir, int Count);
  void BlocksRowChanged(int Row, int Op);
  void BlocksEdited(int Row, int Col, int Op, int Count);
  TBlkAttrList& BlkAttrs() noexcept { return FBlkAttrs; }

  // ---- selection ----
  TSelArea& Sel() noexcept { return FSel; }
  void NotifySelChange();
  void UpdateRowSelMetrics();
  void SelectAll();

  // ---- view (scroll bars, painting, caret) ----
  // Refreshes the scroll bars for the current document and view.
  void SetScrollBars(TScrollStyle Value);
  TScrollStyle ScrollBars() const noexcept { return FScrollBars; }
  // Repaints the whole text area, the margin and the ruler.
  void Paint();
  void HideCaret();
  void ShowCaret();
  void UpdateCaret();
  void RepaintDirtyRows();
  int VisibleRowCount() const noexcept;
  int VisibleColCount() const noexcept;

  // ---- published properties (plain ones) ----
  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor Value);
  TColor FontColor() const noexcept { return FFontColor; }
  void SetFontColor(TColor Value) noexcept { FFontColor = Value; }
  int DefWrapPos() const noexcept { return FDefWrapPos; }
  void SetDefWrapPos(int Value);
  int TabSize() const noexcept { return FTabSize; }
  void SetTabSize(int Value) noexcept { FTabSize = Value; }
  TAFEditOptions Options() const noexcept { return FOptions; }
  void SetOptions(TAFEditOptions Value) noexcept { FOptions = Value; }
  TPoint Caret() const noexcept { return FCaret; }
  void SetCaretPos(TPoint P) noexcept { FCaret = P; }
  int TopRow() const noexcept { return FTopRow; }
  void SetTopRow(int Row) noexcept { FTopRow = Row; }
  int MaxRowLen() const noexcept { return FMaxRowLen; }

  // ---- events ----
  TLineInsertEvent OnLineInsert;
  TLineDeleteEvent OnLineDelete;
  TBeforeChangeEvent OnBeforeChange;
  TNotifyEvent OnChange;
  TUndoChangeEvent OnUndoChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDisSelect;
  TBlockDeleteNotifyEvent OnBlockDelete;
  TWordBreakEvent OnWordBreak;

  // Process-wide snap direction of SnapToChar.
  static bool SnapBackward;

protected:
  void FireUndoChange(bool CanUndo, bool CanRedo);
  // Restores the rows of one undo item (undo) or re-applies them (redo).
  void UndoApply(TUndoBuffItem& It);
  void RedoApply(TUndoBuffItem& It);
  void ResetDocument();
  bool WrapDisplayText(std::string& Out, std::string_view T, int Indent, int W);

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

  // Layout
  TPoint FCaret{0, 0};
  TPoint FPrevCaret{0, 0};
  int FTopRow = 0;
  int FLeftCol = 0;
  std::string FTabBuf;  // grows to the longest expanded row and is reused

  // Selection
  TSelArea FSel;
  bool FShiftSel = false;

  // Metrics (measured from the font)
  int FCharHeight = 12;
  int FRowHeight = 14;
  int FCellWidth = 6;
  TRect FTextRect{40, 14, 200, 100};
  int FCaretHideCount = 0;

  // Properties
  TColor FColor = clWindow;
  TColor FFontColor = clWindowText;
  int FDefWrapPos = 60;
  int FTabSize = 4;
  TAFEditOptions FOptions{aoAutoFormat};
  TScrollStyle FScrollBars = ssBoth;
  std::string FBanHead;
  std::string FBanEnd;
  TCharSet FBanHeadSet;
  TCharSet FBanEndSet;
  std::bitset<256> FWordChars;
  std::string FWrapBuf;  // display text of the row being wrapped
  std::string FWrapBuf2;
  int FWrapLeadBytes = 10;
  int FWrapTrailBytes = 4;
};

class TAFEdit : public TCustomAFEdit {
  Q_OBJECT

public:
  explicit TAFEdit(QWidget* Owner = nullptr) : TCustomAFEdit(Owner) {}
};
