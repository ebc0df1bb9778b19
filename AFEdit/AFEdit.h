// The editor control: TCustomAFEdit holds the whole state and behaviour of
// the Shift-JIS text editor; TAFEdit publishes it.  Member functions are
// defined in the folder of the subsystem they belong to (document/, layout/,
// render/, input/); the Qt-facing services it uses live in platform/.  The
// option and event types have headers of their own (AFEditOptions.h,
// AFEditEvents.h), included here.
#pragma once

#include <QAbstractScrollArea>
#include <QByteArrayList>
#include <QImage>

#include <climits>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEditEvents.h"
#include "AFEdit/AFEditOptions.h"
#include "AFEdit/AFEditState.h"
#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowList.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/document/Search.h"
#include "AFEdit/document/UndoBuff.h"
#include "AFEdit/input/SelArea.h"
#include "AFEdit/layout/ColAttrList.h"
#include "AFEdit/layout/Columns.h"
#include "AFEdit/layout/WrapSearch.h"
#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/Clipboard.h"
#include "AFEdit/platform/InputMethod.h"
#include "AFEdit/platform/Keys.h"
#include "AFEdit/platform/PosixFile.h"
#include "AFEdit/platform/ScreenCursor.h"
#include "AFEdit/platform/ScrollBars.h"
#include "AFEdit/platform/SysCaret.h"
#include "AFEdit/platform/Timer.h"
#include "AFEdit/platform/Types.h"

class TLineReader;
class TByteWriter;

// Earlier / later of two positions, and the half-open range test.
inline int Max(int A, int B) noexcept { return A > B ? A : B; }
inline int Min(int A, int B) noexcept { return A < B ? A : B; }
TPoint MinPos(TPoint P, TPoint Q) noexcept;
TPoint MaxPos(TPoint P, TPoint Q) noexcept;
bool PosInRange(TPoint P, TPoint A, TPoint B) noexcept;
// Occurrences of B before the first zero byte of S.
int CountByte(std::string_view S, unsigned char B) noexcept;
// Clipboard text as lines: CR LF, a lone CR and a lone LF each end a line; no
// empty line follows a final line break.
std::vector<std::string> SplitClipLines(std::string_view T, bool& EndsWithBreak);
// The order of the keyword list: ASCII letters compare without case.
bool KeywordLess(std::string_view A, std::string_view B) noexcept;

class TCustomAFEdit : public QAbstractScrollArea, protected TAFEditState {
  Q_OBJECT

public:
  explicit TCustomAFEdit(QWidget* Owner = nullptr);
  ~TCustomAFEdit() override;

  // ---- row store ----
  int RowCount() const noexcept { return FLines.Count(); }
  bool RowHasLineEnd(int Row) const;
  // The stored bytes of a row (without Indent, tabs unexpanded).
  TRowStr RowText(int Row) const { return FLines[Row]; }
  void InitLineAttr(bool Dirty, int Indent, TLineAttr& A, int WrapPos) const;
  void AppendRow(TRowStr S, const TLineAttr& A);
  void InsertRow(int Row, TRowStr S, const TLineAttr& Template);
  void DeleteRow(int Row);
  void SetRowText(int Row, TRowStr S, bool NewGroup);
  // Replaces the fields of Row's record (its column attributes stay), as
  // one change of the current edit group.
  void SetRowAttr(int Row, TLineAttr Rec);
  void ReplaceRow(int Row, TRowStr S) { SetRowText(Row, std::move(S), true); }
  void AppendLine(TRowStr S);
  void FreeColAttrs(int Row) { FLineAttrs.FreeColAttrs(Row); }
  void MarkShownRowsDirty(int Row);
  // Inserts row S with record Rec as one change of the current edit group:
  // no insert handler, no repaint or scroll bar update (the caller does
  // those once for all its rows).
  void RecordedInsertRow(int Row, TRowStr S, TLineAttr Rec);
  // While loading, appended rows are not recorded for undo (the history is
  // reset when the load ends) and no undo notification is sent per row.
  void BeginLoad() noexcept { FLoading = true; }
  void EndLoad() noexcept { FLoading = false; }
  TAttrList& LineAttrs() noexcept { return FLineAttrs; }
  const TRowList& Lines() const noexcept { return FLines; }
  // Which rows changed since the last call (see TRowChanges).
  TRowChanges TakeRowChanges() noexcept { return FLines.TakeChanges(); }

  std::string Text() const;
  // Checks the store's invariants: one record per row, CR only at the end of
  // a row and never on the last row, caret and selection inside the
  // document, and those of the row list, the record list and the undo
  // history.  Returns what is wrong, or an empty string.
  std::string CheckInvariants() const;
  bool Edited() const noexcept { return FUndoBuff.Modified(); }
  // Where Row (0 to RowCount(), the row count standing for the end) lies
  // among the logical lines; cheap near the row last asked about
  // (document/LineIndex.h).
  TRowPlace RowPlace(int Row);
  // The logical line (from 0) and the bytes of that line before the
  // display position P.
  TRowPlace PosPlace(TPoint P);

  // ---- loading and saving (document/LoadSave.cpp) ----
  // Mode: the lm* flags.
  void LoadFromStream(std::istream& Stream, int Mode);
  void LoadFromFile(const std::string& FileName, int Mode);
  void SaveToStream(std::ostream& Stream, int Mode);
  void SaveToFile(const std::string& FileName, int Mode);
  void SetText(std::string_view Value);
  // Where the last load stopped at a zero byte that ends a text-style text:
  // the byte's offset from where reading started, or -1 when the load read
  // everything.
  int64_t ZeroByteAt() const noexcept { return FZeroByteAt; }
  // The file as LoadFromFile or SaveToFile last left it, to tell whether
  // another program has changed it since.
  const TFileIdentity& FileIdentity() const noexcept { return FFileIdentity; }
  // Whether the document holds layout that only the binary style keeps: a
  // row's indent, colours or font style other than the control's, a wrap
  // column other than DefWrapPos, column or block attributes.
  bool HasLayout() const;

  // ---- word wrap (layout/Wrap.cpp) ----
  int FindWrapPos(std::string_view S, int WrapPos, int Indent);
  void RewrapRow(int Row);
  // Re-wraps every row (after the line-breaking options changed), as one
  // undo step; the caret stays at its byte of the text, the selection is
  // dropped (layout/Rewrap.cpp).
  void RewrapDocument();
  // The display position of the document's byte at Offset (bytes of the
  // rows before it, CRs counted once).
  TPoint OffsetToPos(int64_t Offset);
  // Whether re-wrap splits a row longer than its break search looks by
  // making its tail a row of its own (the default), rather than handing the
  // tail on through the rows after it; both give the same rows.
  bool SplitLongRows() const noexcept { return FSplitLongRows; }
  void SetSplitLongRows(bool Value) noexcept { FSplitLongRows = Value; }
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
  int UndoMax() const noexcept { return FUndoBuff.UndoMax(); }
  void SetUndoMax(int Value) noexcept { FUndoBuff.SetUndoMax(Value); }
  TUndoBuff& UndoBuff() noexcept { return FUndoBuff; }
  int EditGroup() const noexcept { return FEditGroup; }
  void NewEditGroup() noexcept { ++FEditGroup; }

  // ---- lifecycle ----
  // A form calls BeginFormLoad before it applies its stored property values
  // and Loaded after them; font changes in between wait for Loaded.
  void BeginFormLoad() noexcept { FLoadingForm = true; }
  virtual void Loaded();
  void Clear();

  // ---- character classes and columns ----
  // Expands tabs of S into the control's work buffer (see layout/Columns.cpp).
  std::string_view ExpandTabs(std::string_view S, bool ToSpaces);
  std::string RowDisplayText(int Row);
  int RowIndent(int Row) const;  // a negative indent counts as none
  // Columns of a row's display text, its CR included.
  int RowDisplayWidth(int Row);
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
  // Brings selection ends that lie past the last row back into the document
  // (after undo or redo removed rows).
  void KeepSelInDocument();
  // Row Row was deleted: a row selection follows its rows and stays on
  // rows that exist.
  void RowSelRowDeleted(int Row);
  // Brings both ends of either selection into the document, the character
  // selection's ends onto character starts, whatever they were set to.
  void ClampSelToDocument();
  void SelectAll();

  // ---- view (scroll bars, painting, caret) ----
  // Refreshes the scroll bars for the current document and view.
  void SetScrollBars(TScrollStyle Value);
  TScrollStyle ScrollBars() const noexcept { return FScrollBars; }
  // Scroll requests (sb* codes), from the scroll bars and from the control
  // itself.  Pos is the thumb position of a horizontal track request.
  void VScrollRequest(int Code);
  void HScrollRequest(int Code, int Pos = 0);
  // Writes only the position of a bar (and of its stored record).
  void SetScrollPos(TScrollBarKind Bar, int Pos) { FBars.SetPos(Bar, Pos, ShowsBar(Bar)); }
  // The record of a bar: read from the bar when the style shows it, else
  // the one last stored.
  TScrollInfo ScrollRecord(TScrollBarKind Bar) const { return FBars.Record(Bar, ShowsBar(Bar)); }
  const TScrollInfo& StoredScrollInfo(TScrollBarKind Bar) const noexcept { return FBars.Stored(Bar); }
  bool VertBarShown() const noexcept { return FBars.Shown(sbVertical); }
  bool HorzBarShown() const noexcept { return FBars.Shown(sbHorizontal); }
  // Whether the ScrollBars style has the bar.
  bool ShowsBar(TScrollBarKind Bar) const noexcept {
    return FScrollBars == ssBoth || (Bar == sbVertical ? FScrollBars == ssVertical : FScrollBars == ssHorizontal);
  }
  // Consecutive vertical requests since the last end-of-scroll request,
  // shared by every control of the process.
  static int ScrollAccelCount;
  // Repaints the whole text area, the margin and the ruler.
  void Paint();
  // Paints one row clipped to FUpdateRect (see render/PaintRow.cpp).
  void PaintRow(int Row);
  void SetUpdateRect(const TRect& R) noexcept { FUpdateRect = R; }
  const TRect& UpdateRect() const noexcept { return FUpdateRect; }
  void PaintLeftMargin(int Row, std::string AStr);
  // Widens the left margin to hold the row count's number; true when it did.
  bool FitMarginToRowNumbers();
  void PaintColumnRuler();
  // The wrap column (X) and indent (Y) the ruler's markers stand at: those
  // of the first selected row, else of the caret row; kNoRulerMarkers when
  // the ruler shows none.
  static constexpr TPoint kNoRulerMarkers{INT_MIN, INT_MIN};
  TPoint RulerMarkers() const;
  // Asks for a rectangle of the control to be shown again after drawing
  // into the surface; the only way a repaint request leaves the control.
  void InvalidateRect(const TRect& R);
  // While a paint batch is open, drawing shares one painter and the
  // rectangles to show again are gathered into one request, sent when the
  // outermost batch closes.
  void BeginPaintBatch();
  void EndPaintBatch();
  struct TPaintBatch;  // AFEditScopes.h
  // Moves the pixels of R by (Dx, Dy); the uncovered strip is left for the
  // caller to paint.
  void ScrollWindow(int Dx, int Dy, const TRect& R);
  // The system caret (platform/SysCaret.h).
  void CreateCaret(int Width, int Height) { FSysCaret.Create(Width, Height); }
  void DestroyCaret() { FSysCaret.Destroy(); }
  void HideCaret() { FSysCaret.Hide(); }
  void ShowCaret() { FSysCaret.Show(); }
  void SetCaretPixelPos(int X, int Y) { FSysCaret.SetPos(X, Y); }
  bool CaretVisible() const noexcept { return FSysCaret.Visible(); }
  TRect CaretRect() const noexcept { return FSysCaret.Rect(); }
  TSysCaret& SysCaret() noexcept { return FSysCaret; }
  int CaretHideCount() const noexcept { return FCaretHideCount; }
  void UpdateCaret();
  // Scrolls the caret into view, shows it there, and lets the selection
  // follow it.
  void ScrollToCaret();
  void RepaintDirtyRows();
  // Repaints columns From..To of Row, where the selection's moving end
  // went; the whole row when the span reaches the row's first selectable
  // column, whose selection state colours the row's background.
  void RepaintSelSpan(int Row, int From, int To);
  int VisibleRowCount() const noexcept;
  int VisibleColCount() const noexcept;
  TPoint Caret() const noexcept { return FCaret; }
  void SetCaretPos(TPoint P) noexcept { FCaret = P; }
  int TopRow() const noexcept { return FTopRow; }
  void SetTopRow(int Row) noexcept { FTopRow = Row; }
  int LeftCol() const noexcept { return FLeftCol; }
  void SetLeftCol(int Col) noexcept { FLeftCol = Col; }
  int PaintedTopRow() const noexcept { return FPaintedTopRow; }
  int MaxRowLen() const noexcept { return FMaxRowLen; }
  bool BatchEdit() const noexcept { return FBatchEdit; }
  void SetBatchEdit(bool Value) noexcept { FBatchEdit = Value; }
  // Whether display column Pos of the row being painted is shown selected.
  bool IsSelectedAt(int Pos, int Row) const;
  // Whether Word is in the keyword list (letters compared without case).
  bool IsKeyword(std::string_view Word) const;

  // ---- editing (input/Edit.cpp) ----
  // While an edit runs, a whole repaint that is asked for (by the change
  // handler of every row, for one) is drawn once, when the outermost edit
  // ends.
  struct TEditScope;  // AFEditScopes.h
  bool Editing() const noexcept { return FEditDepth > 0; }
  // Draws what the edit that just ended left to repaint.
  void EndOfEdit();
  // Stored bytes of row P.Y before display column P.X; a column inside the
  // indent counts as the row's first byte.
  int PosToByteIndex(TPoint P);
  // Inserts (or overtypes) S at the caret, replacing the selection.
  void InsertText(std::string_view S);
  void NewLine();
  // The Tab character: the row's indent grows at the start of its text,
  // else a tab byte is inserted.
  void TabChar();
  void IndentRow();
  void OutdentRow();
  // Deletes the character at the caret; false when there is none.
  bool DeleteCharAtCaret();
  // The Backspace character.
  void BackspaceChar();
  void DeleteSelection();
  bool InsertMode() const noexcept { return FInsertMode; }
  void SetInsertMode(bool Value) noexcept { FInsertMode = Value; }

  // ---- find and replace (input/Find.cpp, input/Replace.cpp) ----
  // The first match of Pattern (CP932) from From on, or backward the last
  // one starting before From, over logical lines.  Changes nothing.
  TFindResult FindText(std::string_view Pattern, TBytePos From, const TFindOptions& Options);
  // Finds from the selection (or caret) and selects the match in view.
  TFindResult FindNext(std::string_view Pattern, const TFindOptions& Options);
  // Replaces the selection when it is a match (one undo step), then finds.
  TFindResult ReplaceText(std::string_view Pattern, std::string_view Replacement, const TFindOptions& Options);
  // Replaces every match (in a selection spanning rows, when InSelection)
  // as one undo step, re-wrapping each changed paragraph once.
  TReplaceResult ReplaceAll(std::string_view Pattern, std::string_view Replacement, const TFindOptions& Options,
                            bool InSelection);
  // Selects the bytes [Start, End), in view with a margin of rows.
  void SelectBytes(TBytePos Start, TBytePos End);
  // Whether a selection spans more than one row.
  bool SelSpansRows() const;
  // Logical lines (over CRs, not display rows); GoToLine moves the caret to
  // line N from 1, clamped, and answers the line it went to.
  int LogicalLineCount() const;
  int GoToLine(int Line);
  // The logical line (from 1) holding a row.
  int LineOfRow(int Row) const;
  // The selection's ends (or the caret twice) as bytes.
  TBytePos SelStartBytes();
  TBytePos SelEndBytes();
  // Every match of Pattern in view is drawn highlighted (none when empty).
  void SetHighlight(std::string Pattern, const TFindOptions& Options);
  const std::string& HighlightPattern() const noexcept { return FHighlightPattern; }

  // ---- keyboard (input/Keyboard.cpp) ----
  // The key-down procedure for a virtual key code.
  void KeyDown(int Key, TShiftState Shift, bool Repeat);
  // A key-down the control sends itself (no repeat, no modifiers).
  void SendKeyDown(int Key);
  void KeyUp(int Key, TShiftState Shift);
  // The character procedure for one typed character (CP932 bytes).
  void KeyPress(std::string Ch, TShiftState Shift);
  void WordLeft();
  void WordRight();
  bool ShiftSel() const noexcept { return FShiftSel; }

  // ---- clipboard and input method (input/Clipboard.cpp) ----
  void CopySelection(bool AsDisplayed);
  void PasteFromClipboard();
  // Inserts N whole rows before the caret row: saved rows First... of the
  // row copy, or Lines First... each ended by CR.
  void InsertClipRows(int First, int N, bool FromRowCopy, const std::vector<std::string>& Lines);
  // The cut, copy, paste and clear requests.
  void CutToClipboard();
  void CopyToClipboard();
  void PasteRequest();
  void ClearSelection();
  const std::vector<std::string>& RowClipText() const noexcept { return FRowClipText; }
  const QString& Preedit() const noexcept { return FIme.Preedit(); }
  // The caret's rectangle (at the input method's cursor while composing),
  // the font, enabled (input/Events.cpp).
  QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;

  // ---- metrics, fonts and glyphs (render/Metrics.cpp) ----
  void UpdateMetrics(bool Repaint);
  void FontChanged();
  void BuildCrMarks(TColor MarkColor, TColor BackColor);
  // Draws CP932 bytes on the cell grid at pixel (X, Y), opaque, clipped to
  // [max(ClipLeft, X), X + length * cell width) and one row high.
  void TextOutAt(int X, int Y, std::string_view S, int ClipLeft);
  // Called on every frame paint of the window: takes the mark colour from
  // the system window colour, the text area's size from the client area,
  // and rebuilds the line-end glyphs.
  void NonClientPaint();
  int CharHeight() const noexcept { return FCharHeight; }
  int RowHeight() const noexcept { return FRowHeight; }
  int HalfWidth() const noexcept { return FHalfWidth; }
  int CellWidth() const noexcept { return FCellWidth; }
  const TRect& TextRect() const noexcept { return FTextRect; }
  TColor MarkColor() const noexcept { return FMarkColor; }
  const QImage& CrMark() const noexcept { return FCrMark; }
  const QImage& CrMarkSel() const noexcept { return FCrMarkSel; }
  int CrMarkBuilds() const noexcept { return FCrMarkBuilds; }
  // The window surface the control draws on; the screen shows a copy.
  const QImage& Surface() const noexcept { return FSurface; }
  // Device pixels per logical pixel of the surface: the screen's, unless
  // SetSurfaceRatio fixed one (0 follows the screen again).
  qreal SurfaceRatio() const;
  void SetSurfaceRatio(qreal Ratio);
  TCanvas& Canvas() noexcept { return FCanvas; }
  const TFont& DependenceFont() const noexcept { return FDependenceFont; }
  const TFont& KeywordFont() const noexcept { return FKeywordFont; }
  const TFont& SelTextFont() const noexcept { return FSelTextFont; }

  // Mark strings drawn by the painter (CP932); they never change.
  std::string_view FFoldMark = "\x81\xA9";      // ←
  std::string_view FZenSpaceMark = "\x81\xA0";  // □
  std::string_view FIndentMark = ".";
  std::string_view FEofMark = "[EOF]";
  std::string_view FTabMark = "-";
  std::string_view FTabEndMark = ">";

  // ---- published properties ----
  const TFont& Font() const noexcept { return FFont; }
  void SetFont(const TFont& Value);
  TColor FontColor() const noexcept { return FFont.Color; }
  int AccelRate() const noexcept { return FAccelRate; }
  void SetAccelRate(int Value) noexcept { FAccelRate = Value; }
  int CharPich() const noexcept { return FCharPich; }
  void SetCharPich(int Value);
  int RowPich() const noexcept { return FRowPich; }
  void SetRowPich(int Value) noexcept { FRowPich = Value; }
  int LeftMgn() const noexcept { return FLeftMgn; }
  void SetLeftMgn(int Value);
  int TopMgn() const noexcept { return FTopMgn; }
  void SetTopMgn(int Value);
  const std::string& RowDspFmt() const noexcept { return FRowDspFmt; }
  void SetRowDspFmt(std::string Value) { FRowDspFmt = std::move(Value); }
  TColor ColColumnIndi() const noexcept { return FColColumnIndi; }
  void SetColColumnIndi(TColor Value) noexcept { FColColumnIndi = Value; }
  TColor ColColumnNo() const noexcept { return FColColumnNo; }
  void SetColColumnNo(TColor Value) noexcept { FColColumnNo = Value; }
  TColor ColCr() const noexcept { return FColCr; }
  void SetColCr(TColor Value) noexcept { FColCr = Value; }
  TColor ColDependence() const noexcept { return FDependenceFont.Color; }
  void SetColDependence(TColor Value);
  TColor ColKeyWord() const noexcept { return FKeywordFont.Color; }
  void SetColKeyWord(TColor Value);
  TFontStyles KeywordStyle() const noexcept { return FKeywordFont.Style; }
  void SetKeywordStyle(TFontStyles Value);
  TColor ColSelText() const noexcept { return FSelTextFont.Color; }
  void SetColSelText(TColor Value);
  TColor ColLeftMgn() const noexcept { return FColLeftMgn; }
  void SetColLeftMgn(TColor Value);
  TColor ColRowNo() const noexcept { return FColRowNo; }
  void SetColRowNo(TColor Value);
  TColor ColSelBrush() const noexcept { return FColSelBrush; }
  void SetColSelBrush(TColor Value) noexcept { FColSelBrush = Value; }
  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor Value);
  int DefWrapPos() const noexcept { return FDefWrapPos; }
  void SetDefWrapPos(int Value);
  const std::string& DependenceChar() const noexcept { return FDependenceChar; }
  void SetDependenceChar(std::string Value);
  // Keywords: kept sorted; a change rebuilds the word characters.
  const std::vector<std::string>& Keywords() const noexcept { return FKeywords; }
  void SetKeywords(std::vector<std::string> Value);
  TAFEditOptions Options() const noexcept { return FOptions; }
  void SetOptions(TAFEditOptions Value) noexcept { FOptions = Value; }
  int TabSize() const noexcept { return FTabSize; }
  void SetTabSize(int Value) noexcept { FTabSize = Value; }
  TViewOptions ViewOpt() const noexcept { return FViewOpt; }
  void SetViewOpt(TViewOptions Value);

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
  TNotifyEvent OnStatusChange;
  TDrawLineEvent OnDrawLine;
  TDrawLeftMgnEvent OnDrawLeftMgn;
  TDrawAreaEvent OnDrawColIndi;
  // The toolkit's standard events, fired by the control's handlers.
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TMouseWheelUpDownEvent OnMouseWheelDown;

  // ---- mouse (input/Mouse.cpp) ----
  // What the pressed left button is doing.
  enum : uint8_t { mmNone = 0, mmRows = 1, mmWrapMarker = 2, mmIndentMarker = 3, mmText = 4 };
  // The cell under client pixel (X, Y): the column is at least 0 and not
  // limited to the row's length; the row lies inside the document.
  TPoint MouseToPos(int X, int Y) const noexcept;
  int MouseMode() const noexcept { return FMouseMode; }
  // The pointer shape last chosen: crDefault, crIBeam, crSizeWE, crRevCursor.
  int ScreenCursor() const noexcept { return FPointer.Shape(); }
  int ClickBias() const noexcept { return FClickBias; }
  // The view scrolls by itself while a drag holds the pointer beyond an edge.
  bool AutoScrolling() const noexcept { return FAutoScrollDir != 0; }
  // The timer of the autoscroll steps (tests fire it).
  TTimer& AutoScrollTimer() noexcept { return FAutoScrollTimer; }
  // The left button's procedures; the mouse events run them before they fire
  // the standard events.  X and Y are client pixels.
  void MouseDown(int X, int Y, TShiftState Shift);
  void MouseMove(int X, int Y, TShiftState Shift);
  void MouseUp(TShiftState Shift);
  // A double click selects what lies at the caret: a run of bytes of one
  // column colour, a two-byte character or a word of ASCII letters and
  // digits.  True when it was on text; MouseDblClickDone then reports and
  // shows the selection (after the standard events have fired).
  bool MouseDblClick(int X);
  void MouseDblClickDone();

  // Process-wide snap direction of SnapToChar.
  static bool SnapBackward;

protected:
  void paintEvent(QPaintEvent* Event) override;
  bool viewportEvent(QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  bool focusNextPrevChild(bool Next) override;
  void wheelEvent(QWheelEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  // The view moves only through the scroll requests.
  void scrollContentsBy(int, int) override {}
  // A request of a scroll bar; answers the view's new first row (column).
  int BarRequest(TScrollBarKind Bar, int Code, int Pos);
  // After a line scroll moved the surface's pixels with the view: the
  // surface shows the rows from FTopRow when it showed those from the old
  // top row (WasCurrent); otherwise it is repainted whole.
  void PixelsFollowedTopRow(bool WasCurrent);
  // Steps of the vertical requests: line scrolls of up to K rows, and the
  // view following a dragged thumb to row Pos.  Shift keeps the caret.
  void LinesDown(int K, bool Shift, const TRect& Area);
  void LinesUp(int K, bool Shift, const TRect& Area);
  void TrackRows(int Pos, bool Shift, const TRect& Area);
  // After a page or thumb request moved the caret row: a whole repaint
  // when the view moved, else a caret update (the caret, and the ruler's
  // markers of its new row) that leaves the caret's column unsnapped.
  void ShowMovedCaret();
  void inputMethodEvent(QInputMethodEvent* Event) override;
  void ChangeIndent(int Indent);
  // Replaces the bytes [S, E) (E on the row of the last byte) with Text
  // without re-wrapping; a row the change empties goes unless it is the
  // last one (input/Replace.cpp).
  void SpliceBytes(TBytePos S, TBytePos E, std::string_view Text);
  void SetRowOrDrop(int Row, std::string_view Text);
  void MarkSelRowsDirty();
  // Word tests of word-wise movement: the byte at a caret position.
  int WordByteAt(TPoint P, bool& Dbcs);
  bool IsWordBreakAt(TPoint P);
  bool IsDbcsAt(TPoint P);
  bool IsCrAt(TPoint P);
  bool DoControlChar(std::string_view Ch, TShiftState Shift);
  // Steps of the key-down procedure (input/Keyboard.cpp).  KeyCommand runs
  // a key's command; false when the key-down ends there, without the end of
  // scroll, the repeats and the selection event.
  void FollowShiftSel(int Key, TShiftState Shift);
  bool KeyCommand(int Key, TShiftState Shift);
  void PageKey(bool Down);
  bool EndKey(bool Ctrl);
  void HomeKey(bool Ctrl);
  void RowUpKey();
  void RowDownKey();
  void InsertKey(TShiftState Shift);
  bool DeleteKey(TShiftState Shift);
  void RepeatKeyDown(int Key, TShiftState Shift, int N);
  // A typed character without a CP932 code: a beep and a tip at the caret.
  void RefuseCharacter();
  // Text is what other programs get; Exact is kept beside it for a paste
  // within Hotaru.
  void SetClipboardBytes(std::string_view Text, std::string_view Exact);
  // The clipboard's bytes; Own tells whether they are Hotaru's exact bytes.
  std::string ClipboardBytes(bool& Own);
  // Pastes Hotaru's own lines at the caret, splitting its row there.
  void PasteLinesAtCaret(const std::vector<std::string>& Lines, bool EndsWithBreak);
  // A tip (UTF-8) just below the caret.
  void ShowCaretTip(std::string_view Utf8);
  TRect PreeditRect() const { return FIme.PreeditRect(FCellWidth, FRowHeight); }
  // Inserts what the input method committed and shows its new preedit.
  void ImeInput(const TImeInput& In);
  // Steps of row painting (render/PaintRow.cpp).
  void SetRunColors(const TRowPaint& Ctx, int Pos, int Kind);
  // Whether display column Pos of Row shows selected, Ctx being the row in
  // paint.
  bool SelectedIn(const TRowPaint& Ctx, int Pos, int Row) const;
  // The steps of PaintRow (render/PaintRow.cpp); each gets the row being
  // painted as its context.
  bool BeginRowPaint(TRowPaint& Ctx, int Row, int Top, const TRect& R);
  void VisibleByteRange(TRowPaint& Ctx, const TRect& R, int& S, int& E);
  void PaintRowText(TRowPaint& Ctx, int S, int E);
  char PaintColAttrRun(TRowPaint& Ctx, int E);
  void PaintDoubleByte(TRowPaint& Ctx, int E, char& Last);
  char PaintTabSpan(TRowPaint& Ctx, int E);
  void EndRun(TRowPaint& Ctx);
  void FinishRowPaint(const TRowPaint& Ctx, int Top, const TRect& R);
  // Draws the highlighted matches of a painted row (render/Highlight.cpp).
  void PaintHighlights(const TRowPaint& Ctx, int Top, const TRect& R);
  void DrawLineEnd(const TRowPaint& Ctx, int X, int Y, TLineEndMark Mark);
  void DrawKeyword(TRowPaint& Ctx);
  void FlushRun(TRowPaint& Ctx);
  void DrawAtPen(const TRowPaint& Ctx, std::string_view S);
  const TColAttr* ColAttrAt(int Row, int Index);
  int NextBlockChange(int Row, int B) const;
  // Makes the window surface the size of the viewport at the surface's
  // ratio (callers repaint it).
  void ResizeSurface();
  // Remakes and repaints the surface when its ratio is no longer the one
  // it should have.
  void SurfaceRatioChanged();

  void FireUndoChange(bool CanUndo, bool CanRedo);
  // Restores the rows of one undo item (undo) or re-applies them (redo).
  void UndoApply(TUndoBuffItem& It);
  void RedoApply(TUndoBuffItem& It);
  void HistoryInsertRow(int Row, TRowStr& Text, const TLineAttr& Attr, bool FreeMovedColAttrs);
  void HistoryDeleteRow(int Row);
  void HistorySetRow(int Row, const TRowStr& Text, const TLineAttr& Attr);
  void HistorySetRun(const TUndoBuffItem& It, bool Old);
  void ShowHistoryStep(bool FollowCaret);
  void ShowUndoneCaretRow();
  void ResetDocument();
  // Steps of loading and saving (document/LoadSave.cpp).
  void LoadTextRows(TLineReader& Reader, int Mode);
  void LoadBinaryRows(std::string_view Data, const std::string& Name);
  void ResetForLoad();
  void FinishLoad();
  // Writes the document in the style of Mode.  A binary header is written
  // as zeros and its real bytes stored in LateHeader when one is given.
  void WriteDocument(TByteWriter& Out, int Mode, const std::string& Name,
                     unsigned char* LateHeader = nullptr);
  bool WrapDisplayText(std::string& Out, std::string_view T, int Indent, int W);
  // Steps of RewrapRow (layout/Wrap.cpp).
  struct TWrapStep;
  enum class TWrapNext { Stop, NextRow, SameRow };
  void LoadWrapStep(TWrapStep& s);
  bool WrapRowIsComplete(const TWrapStep& s);
  TWrapNext WrapEmptyRow(const TWrapStep& s);
  TWrapNext WrapSplitRow(TWrapStep& s);
  TWrapNext WrapPullRow(TWrapStep& s);
  bool RowsAlikeToLineEnd(TWrapStep& s);
  size_t PullBreak(const TWrapStep& s, const TRowStr& Next, const std::string& JoinedLayout, bool Cut);

  // Steps of the mouse procedures (input/Mouse.cpp).
  void SetScreenCursor(int Cursor) { FPointer.Set(Cursor); }
  void MouseHover(int X, int Y);
  void PressMarker(TPoint P);
  void PressText(TPoint P, TShiftState Shift);
  void PressMargin(int Row, TShiftState Shift);
  void DragRows(int X, int Y);
  void DragText(int X, int Y);
  // Moves the selection's moving end and repaints what changed.
  void MoveTextSelEnd(TPoint End);
  // Where a pressed or dragged pointer at P puts the caret.
  TPoint MouseCaretPos(TPoint P);
  void MarkRowsDirty(int A, int B);
  // The ruler marker's guide line: a second draw at a column erases it.
  void DrawGuideLine(int Col);
  void StartAutoScroll(int Dir, int X, int Y);
  void StopAutoScroll();
  void AutoScrollStep();
  void FinishMarkerDrag(TShiftState Shift);
  // Ends what the press of the button's mode began (the release).
  void EndMouseMode(TShiftState Shift);
};

// The control's paint batch and edit scopes.
#include "AFEdit/AFEditScopes.h"
// TAFEdit, the control with its published properties.
#include "AFEdit/AFEditPublished.h"
