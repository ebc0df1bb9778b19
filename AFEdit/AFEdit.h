// The editor control: TCustomAFEdit holds the whole state and behaviour of
// the Shift-JIS text editor; TAFEdit publishes it.  Member functions are
// defined in the folder of the subsystem they belong to (document/, layout/,
// render/, input/).
#pragma once

#include <QAbstractScrollArea>
#include <QByteArrayList>
#include <QImage>
#include <QTimer>

#include <bitset>
#include <climits>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <set>
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
#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/Keys.h"
#include "AFEdit/platform/PosixFile.h"
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

// Mode flags of loading and saving.  With lmBinary every other flag is
// ignored.
enum : int {
  lmBinary = 1,          // the binary style: rows as held, with their records
  lmExpandTabs = 2,      // tabs become spaces (load and save)
  lmTabsToIndent = 4,    // load: leading tabs become the row's Indent
  lmIndentAsTabs = 8,    // save: a row's Indent is written as tabs
  lmIndentAsSpaces = 16, // save: a row's Indent is written as spaces
  lmRowsAsLines = 32,    // save: every row, wrapped ones included, is a line
};

// Operations of ColAttrEdit (and of BlocksEdited: insert and delete).
enum : int { caInsert = 0, caAppend = 1, caDelete = 2 };
// Directions of ColAttrsMove and BlocksMove: the last bytes of a row go to
// the start of the next row, or the first bytes of a row to the end of the
// row before it.
enum : int { amToNextRow = 0, amToPrevRow = 1 };
// Row changes that BlocksRowChanged follows.
enum : int { brInserted = 0, brDeleted = 2, brReplaced = 3 };
// Codes of scroll requests (VScrollRequest, HScrollRequest).
enum : int {
  sbLineUp = 0,  // also line left
  sbLineDown = 1,  // also line right
  sbPageUp = 2,
  sbPageDown = 3,
  sbThumbPosition = 4,
  sbThumbTrack = 5,
  sbTop = 6,
  sbBottom = 7,
  sbEndScroll = 8,
};
// Parts of a scroll record that a write sets.
enum : unsigned { sifRange = 1, sifPage = 2, sifPos = 4, sifTrackPos = 16, sifAll = 23 };
// What a scroll bar shows: Max is the last row (column) of the range, Page
// the rows (columns) in view; the thumb runs from Min to Max - Page + 1.
struct TScrollInfo {
  int Size = 28;
  unsigned Mask = 0;
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
};
enum TScrollBarKind { sbHorizontal, sbVertical };
// Colour kinds of the runs of a painted row.
enum : int {
  rkNormal = 0,
  rkMark = 1,       // tab, indent and full-width-space marks
  rkLineEnd = 2,    // fold and end-of-file marks
  rkRowStart = 3,   // the row's background
  rkDependence = 4, // machine-dependent characters, half-width katakana
  rkKeyword = 5,
  rkColAttr = 7,    // bytes with an active column attribute
};
enum TLineEndMark { leFold, leLineEnd, leEof };

class TCustomAFEdit;
class TLineReader;
class TByteWriter;

using TNotifyEvent = std::function<void(TCustomAFEdit* Sender)>;
using TLineInsertEvent = std::function<void(TCustomAFEdit* Sender, int index, std::string& NewLine)>;
using TLineDeleteEvent = std::function<void(TCustomAFEdit* Sender, int index)>;
using TBeforeChangeEvent =
    std::function<void(TCustomAFEdit* Sender, int index, std::string& stNewLine, bool& CanModify)>;
using TUndoChangeEvent = std::function<void(TCustomAFEdit* Sender, bool canUndo, bool canRedo)>;
using TWordBreakEvent = std::function<void(TCustomAFEdit* Sender, const std::string& stLine, int& WrapPos)>;
using TBlockDeleteNotifyEvent = std::function<void(TCustomAFEdit* Sender, int FirstRow, int LastRow)>;
using TDrawLineEvent = std::function<void(TCustomAFEdit* Sender, int index, const TRect& Rect,
                                          const std::string& TabExStr, bool& DefaultDraw)>;
using TDrawAreaEvent = std::function<void(TCustomAFEdit* Sender, const TRect& Rect, bool& DefaultDraw)>;
// Key events carry the virtual key code and the modifier state; key presses
// the character (CP932 bytes).
using TKeyEvent = std::function<void(TCustomAFEdit* Sender, int& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TCustomAFEdit* Sender, std::string& Key)>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TCustomAFEdit* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TCustomAFEdit* Sender, TShiftState Shift, int X, int Y)>;
using TDrawLeftMgnEvent = std::function<void(TCustomAFEdit* Sender, int index, const TRect& Rect,
                                             std::string& AStr, bool& DefaultDraw)>;
// Wheel events: WheelDelta in eighths of a degree (120 per notch), MousePos
// in the control's client coordinates.  Setting Handled stops the scroll.
using TMouseWheelEvent = std::function<void(TCustomAFEdit* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TCustomAFEdit* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

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
  void MarkShownRowsDirty(int Row);
  // While loading, appended rows are not recorded for undo (the history is
  // reset when the load ends) and no undo notification is sent per row.
  void BeginLoad() noexcept { FLoading = true; }
  void EndLoad() noexcept { FLoading = false; }
  TAttrList& LineAttrs() noexcept { return FLineAttrs; }
  const TRowList& Lines() const noexcept { return FLines; }

  std::string Text() const;
  // Checks the store's invariants: one record per row, CR only at the end of
  // a row and never on the last row, caret and selection inside the
  // document, and those of the row list, the record list and the undo
  // history.  Returns what is wrong, or an empty string.
  std::string CheckInvariants() const;
  bool Edited() const noexcept { return FUndoBuff.Modified(); }

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
  void SetScrollPos(TScrollBarKind Bar, int Pos);
  // The record of a bar: read from the bar when the style shows it, else
  // the one last stored.
  TScrollInfo ScrollRecord(TScrollBarKind Bar) const;
  const TScrollInfo& StoredScrollInfo(TScrollBarKind Bar) const noexcept {
    return Bar == sbVertical ? FVertScrollInfo : FHorzScrollInfo;
  }
  bool VertBarShown() const noexcept { return FVertBarShown; }
  bool HorzBarShown() const noexcept { return FHorzBarShown; }
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
  struct TPaintBatch {
    explicit TPaintBatch(TCustomAFEdit& E) : Edit(E) { Edit.BeginPaintBatch(); }
    ~TPaintBatch() { Edit.EndPaintBatch(); }
    TPaintBatch(const TPaintBatch&) = delete;
    TPaintBatch& operator=(const TPaintBatch&) = delete;
    TCustomAFEdit& Edit;
  };
  // Moves the pixels of R by (Dx, Dy); the uncovered strip is left for the
  // caller to paint.
  void ScrollWindow(int Dx, int Dy, const TRect& R);
  // The system caret: created hidden, shown when its hide count reaches 0,
  // drawn over the surface (never into it) and blinking while shown.
  void CreateCaret(int Width, int Height);
  void DestroyCaret();
  void HideCaret();
  void ShowCaret();
  void SetCaretPixelPos(int X, int Y);
  bool CaretVisible() const noexcept { return FCaretWidth > 0 && FSysCaretHides == 0; }
  TRect CaretRect() const noexcept {
    return {FCaretPixel.X, FCaretPixel.Y, FCaretPixel.X + FCaretWidth, FCaretPixel.Y + FCaretHeight};
  }
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
  struct TEditScope {
    explicit TEditScope(TCustomAFEdit& E) : Edit(E) { ++Edit.FEditDepth; }
    ~TEditScope() {
      if (--Edit.FEditDepth > 0) return;
      Edit.FUndoBuff.SealRecent();
      Edit.EndOfEdit();
    }
    TEditScope(const TEditScope&) = delete;
    TEditScope& operator=(const TEditScope&) = delete;
    TCustomAFEdit& Edit;
  };
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
  const QString& Preedit() const noexcept { return FPreedit; }
  // The caret rectangle (the input method's anchor), the font, enabled.
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
  int ScreenCursor() const noexcept { return FScreenCursor; }
  int ClickBias() const noexcept { return FClickBias; }
  // The view scrolls by itself while a drag holds the pointer beyond an edge.
  bool AutoScrolling() const noexcept { return FAutoScrollDir != 0; }
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
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void timerEvent(QTimerEvent* Event) override;
  // The view moves only through the scroll requests.
  void scrollContentsBy(int, int) override {}
  // Connects the scroll bars to the scroll requests.
  void ConnectScrollBars();
  void ApplyScrollInfo(TScrollBarKind Bar, const TScrollInfo& Info);
  void ShowScrollBar(TScrollBarKind Bar, bool Show);
  void RefreshScrollBar(TScrollBarKind Bar, bool Needed, const TScrollInfo& Info);
  // After a line scroll moved the surface's pixels with the view: the
  // surface shows the rows from FTopRow when it showed those from the old
  // top row (WasCurrent); otherwise it is repainted whole.
  void PixelsFollowedTopRow(bool WasCurrent);
  // After a page or thumb request moved the caret row: a whole repaint
  // when the view moved, else a caret update (the caret, and the ruler's
  // markers of its new row).
  void ShowMovedCaret();
  void inputMethodEvent(QInputMethodEvent* Event) override;
  void ChangeIndent(int Indent);
  void MarkSelRowsDirty();
  // Word tests of word-wise movement: the byte at a caret position.
  int WordByteAt(TPoint P, bool& Dbcs);
  bool IsWordBreakAt(TPoint P);
  bool IsDbcsAt(TPoint P);
  bool IsCrAt(TPoint P);
  bool DoControlChar(std::string_view Ch, TShiftState Shift);
  // A typed character without a CP932 code: a beep and a tip at the caret.
  void RefuseCharacter();
  // Text is what other programs get; Exact is kept beside it for a paste
  // within Hotaru.
  void SetClipboardBytes(std::string_view Text, std::string_view Exact);
  // The clipboard's bytes; Own tells whether they are Hotaru's exact bytes.
  std::string ClipboardBytes(bool& Own);
  // Pastes Hotaru's own lines at the caret, splitting its row there.
  void PasteLinesAtCaret(const std::vector<std::string>& Lines, bool EndsWithBreak);
  void ShowCaretTip(const QString& Text);
  TRect PreeditRect() const;
  // Steps of row painting (render/PaintRow.cpp).
  void SetRunColors(int Pos, int Row, int Kind);
  void DrawLineEnd(int X, int Y, TLineEndMark Mark);
  void DrawKeyword();
  void FlushRun();
  void DrawAtPen(std::string_view S);
  const TColAttr* ColAttrAt(int Row, int Index);
  int NextBlockChange(int Row, int B) const;
  // Makes the window surface the size of the viewport (callers repaint it).
  void ResizeSurface();

  void FireUndoChange(bool CanUndo, bool CanRedo);
  // Restores the rows of one undo item (undo) or re-applies them (redo).
  void UndoApply(TUndoBuffItem& It);
  void RedoApply(TUndoBuffItem& It);
  void HistoryInsertRow(int Row, TRowStr& Text, const TLineAttr& Attr, bool FreeMovedColAttrs);
  void HistoryDeleteRow(int Row);
  void HistorySetRow(int Row, const TRowStr& Text, const TLineAttr& Attr);
  void HistorySetRun(const TUndoBuffItem& It, bool Old);
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
  size_t PullBreak(const TWrapStep& s, const TRowStr& T1, const std::string& D2, bool Cut);

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
  int FCaretWidth = 0;   // the system caret's size; 0 while there is none
  int FCaretHeight = 0;
  bool FInsertMode = true;
  bool FVertBarShown = false;
  bool FHorzBarShown = false;
  bool FTrackScroll = true;  // the view follows a dragged scroll box
  TRect FUpdateRect;
  TScrollInfo FVertScrollInfo;
  TScrollInfo FHorzScrollInfo;
  bool FInScrollBars = false;    // the scroll-bar refresh is running
  int FPaintBatchDepth = 0;
  int FEditDepth = 0;            // edits running (TEditScope)
  bool FPaintPending = false;    // a whole repaint waits for the edit's end
  bool FInChangeHandler = false; // the row-change handler is running
  bool FChangePaintPending = false;  // the change handler asked for a repaint
  TRect FInvalid;                // gathered while a paint batch is open
  bool FInBarUpdate = false;     // the control itself moves a bar
  // The system caret.
  TPoint FCaretPixel{0, 0};
  int FSysCaretHides = 1;        // hides not yet balanced by shows
  bool FCaretBlinkOn = true;
  int FCaretTimer = 0;
  TPoint FImePos{0, 0};          // where the input method's window goes
  QString FPreedit;              // the input method's text being composed
  bool FPreeditActive = false;
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
  } FPaint;

  // Metrics, fonts and glyphs (measured from the font)
  QImage FSurface;
  TCanvas FCanvas;
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
  int FWrapLeadBytes = 10;
  int FWrapTrailBytes = 4;

  // ---- mouse (input/Mouse.cpp) ----
  uint8_t FMouseMode = mmNone;
  int32_t FLastDragRow = -1;  // row last reached by a margin drag
  int32_t FClickBias = 3;     // pixels added to a pointer x before it becomes a column
  int FScreenCursor = crDefault;
  // Autoscroll: direction (1 down, -1 up, 0 none), the pointer's client
  // position when it began (a vertical move ends it), and the step timer.
  int FAutoScrollDir = 0;
  int FAutoScrollX = 0;
  int FAutoScrollY = 0;
  std::unique_ptr<QTimer> FAutoScrollTimer;
  void SetScreenCursor(int Cursor);
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

// Publishes the control's own properties by name, as a form designer reads
// and writes them.  A property's stream default, where it has one, stands
// beside it as class info "StreamDefault:<name>" (a colour name or a
// number): a value equal to it is not written to a form (see
// platform/FormStream.h); properties without one are always written.
// Colours and sets travel as their integer values, strings as their CP932
// bytes.
class TAFEdit : public TCustomAFEdit {
  Q_OBJECT
  Q_PROPERTY(int AccelRate READ AccelRate WRITE SetAccelRate)
  Q_PROPERTY(QByteArray BanEnd READ BanEndBytes WRITE SetBanEndBytes)
  Q_PROPERTY(QByteArray BanHead READ BanHeadBytes WRITE SetBanHeadBytes)
  Q_PROPERTY(int CharPich READ CharPich WRITE SetCharPich)
  Q_CLASSINFO("StreamDefault:CharPich", "0")
  Q_PROPERTY(int ColColumnIndi READ ColColumnIndi WRITE SetColColumnIndi)
  Q_CLASSINFO("StreamDefault:ColColumnIndi", "clBtnFace")
  Q_PROPERTY(int ColColumnNo READ ColColumnNo WRITE SetColColumnNo)
  Q_CLASSINFO("StreamDefault:ColColumnNo", "clWindowText")
  Q_PROPERTY(int ColCr READ ColCr WRITE SetColCr)
  Q_PROPERTY(int ColDependence READ ColDependence WRITE SetColDependence)
  Q_CLASSINFO("StreamDefault:ColDependence", "clFuchsia")
  Q_PROPERTY(int ColKeyWord READ ColKeyWord WRITE SetColKeyWord)
  Q_CLASSINFO("StreamDefault:ColKeyWord", "clWindowText")
  Q_PROPERTY(int ColLeftMgn READ ColLeftMgn WRITE SetColLeftMgn)
  Q_CLASSINFO("StreamDefault:ColLeftMgn", "clBtnFace")
  Q_PROPERTY(int ColRowNo READ ColRowNo WRITE SetColRowNo)
  Q_CLASSINFO("StreamDefault:ColRowNo", "clWindowText")
  Q_PROPERTY(int ColSelBrush READ ColSelBrush WRITE SetColSelBrush)
  Q_CLASSINFO("StreamDefault:ColSelBrush", "clHighlight")
  Q_PROPERTY(int ColSelText READ ColSelText WRITE SetColSelText)
  Q_CLASSINFO("StreamDefault:ColSelText", "clHighlightText")
  Q_PROPERTY(int Color READ Color WRITE SetColor)
  Q_PROPERTY(int DefWrapPos READ DefWrapPos WRITE SetDefWrapPos)
  Q_PROPERTY(QByteArray DependenceChar READ DependenceCharBytes WRITE SetDependenceCharBytes)
  Q_PROPERTY(bool Edited READ Edited STORED false)
  Q_PROPERTY(QByteArrayList Keywords READ KeywordsBytes WRITE SetKeywordsBytes)
  Q_PROPERTY(int KeywordStyle READ KeywordStyleBits WRITE SetKeywordStyleBits)
  Q_PROPERTY(int LeftMgn READ LeftMgn WRITE SetLeftMgn)
  Q_PROPERTY(int Options READ OptionsBits WRITE SetOptionsBits)
  Q_PROPERTY(QByteArray RowDspFmt READ RowDspFmtBytes WRITE SetRowDspFmtBytes)
  Q_PROPERTY(int RowPich READ RowPich WRITE SetRowPich)
  Q_CLASSINFO("StreamDefault:RowPich", "2")
  Q_PROPERTY(int ScrollBars READ ScrollBarsValue WRITE SetScrollBarsValue)
  Q_CLASSINFO("StreamDefault:ScrollBars", "ssBoth")
  Q_PROPERTY(int TabSize READ TabSize WRITE SetTabSize)
  Q_CLASSINFO("StreamDefault:TabSize", "4")
  Q_PROPERTY(QByteArray Text READ TextBytes WRITE SetTextBytes)
  Q_PROPERTY(int TopMgn READ TopMgn WRITE SetTopMgn)
  Q_PROPERTY(int UndoMax READ UndoMax WRITE SetUndoMax)
  Q_PROPERTY(int ViewOpt READ ViewOptBits WRITE SetViewOptBits)
  Q_PROPERTY(int WrapLeadBytes READ WrapLeadBytes WRITE SetWrapLeadBytes)
  Q_PROPERTY(int WrapTrailBytes READ WrapTrailBytes WRITE SetWrapTrailBytes)

public:
  explicit TAFEdit(QWidget* Owner = nullptr) : TCustomAFEdit(Owner) {}

  QByteArray BanEndBytes() const { return Bytes(BanEnd()); }
  void SetBanEndBytes(const QByteArray& V) { SetBanEnd(V.toStdString()); }
  QByteArray BanHeadBytes() const { return Bytes(BanHead()); }
  void SetBanHeadBytes(const QByteArray& V) { SetBanHead(V.toStdString()); }
  QByteArray DependenceCharBytes() const { return Bytes(DependenceChar()); }
  void SetDependenceCharBytes(const QByteArray& V) { SetDependenceChar(V.toStdString()); }
  QByteArray RowDspFmtBytes() const { return Bytes(RowDspFmt()); }
  void SetRowDspFmtBytes(const QByteArray& V) { SetRowDspFmt(V.toStdString()); }
  QByteArray TextBytes() const { return Bytes(Text()); }
  void SetTextBytes(const QByteArray& V) { SetText(std::string_view(V.constData(), static_cast<size_t>(V.size()))); }
  QByteArrayList KeywordsBytes() const;
  void SetKeywordsBytes(const QByteArrayList& V);
  int KeywordStyleBits() const noexcept { return KeywordStyle().ToBits(); }
  void SetKeywordStyleBits(int V) { SetKeywordStyle(TFontStyles::FromBits(static_cast<uint8_t>(V))); }
  int OptionsBits() const noexcept { return static_cast<int>(Options().ToBits()); }
  void SetOptionsBits(int V) { SetOptions(TAFEditOptions::FromBits(static_cast<uint32_t>(V))); }
  int ViewOptBits() const noexcept { return static_cast<int>(ViewOpt().ToBits()); }
  void SetViewOptBits(int V) { SetViewOpt(TViewOptions::FromBits(static_cast<uint32_t>(V))); }
  int ScrollBarsValue() const noexcept { return ScrollBars(); }
  void SetScrollBarsValue(int V) { SetScrollBars(static_cast<TScrollStyle>(V)); }

private:
  static QByteArray Bytes(std::string_view s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
  }
};
