// The clipboard and the input method.
//
// Copy puts the selection on the system clipboard twice: as Unicode text for
// other programs (the logical or the displayed form), and as the exact CP932
// bytes of the range under a private type, so that copy and paste within
// Hotaru never change a byte.  A plain copy of a row selection also keeps the
// rows with their records, so that pasting the same text back restores their
// indents and wrap columns.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Notice.h"

namespace {

// Text up to its first zero byte.
std::string_view BeforeZero(std::string_view S) {
  const size_t z = S.find('\0');
  return z == std::string_view::npos ? S : S.substr(0, z);
}

// Equal once every CR and LF byte of both is left out.
bool SameIgnoringLineEnds(std::string_view A, std::string_view B) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < A.size() && (A[i] == '\r' || A[i] == '\n')) ++i;
    while (j < B.size() && (B[j] == '\r' || B[j] == '\n')) ++j;
    if (i == A.size() || j == B.size()) return i == A.size() && j == B.size();
    if (A[i++] != B[j++]) return false;
  }
}

// The bytes between two (byte index, row) positions as the rows hold them,
// CRs included: exactly what deleting the same selection takes out.
std::string RangeBytes(const TCustomAFEdit& E, TPoint Start, TPoint End) {
  std::string out;
  for (int r = std::max(Start.Y, 0); r <= End.Y && r < E.RowCount(); ++r) {
    const std::string_view s = E.RowText(r).view();
    const size_t to = r == End.Y ? std::min(static_cast<size_t>(std::max(End.X, 0)), s.size()) : s.size();
    const size_t from = r == Start.Y ? std::min(static_cast<size_t>(std::max(Start.X, 0)), to) : 0;
    out.append(s.substr(from, to - from));
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitClipLines(std::string_view T, bool& EndsWithBreak) {
  std::vector<std::string> lines;
  EndsWithBreak = !T.empty() && (T.back() == '\r' || T.back() == '\n');
  size_t start = 0;
  for (size_t i = 0; i < T.size(); ++i) {
    if (T[i] != '\r' && T[i] != '\n') continue;
    lines.emplace_back(T.substr(start, i - start));
    if (T[i] == '\r' && i + 1 < T.size() && T[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < T.size() || lines.empty()) lines.emplace_back(T.substr(start));
  return lines;
}

void TCustomAFEdit::SetClipboardBytes(std::string_view Text, std::string_view Exact) {
  TClipboard::Put(BeforeZero(Text), BeforeZero(Exact));
}

std::string TCustomAFEdit::ClipboardBytes(bool& Own) {
  bool replaced = false;
  const std::string bytes = TClipboard::Take(Own, replaced);
  if (replaced) ShowCaretTip("Shift-JIS で表せない文字を「・」に置き換えて貼り付けました。");
  return std::string(BeforeZero(bytes));
}

void TCustomAFEdit::ShowCaretTip(std::string_view Utf8) {
  const TPoint caret = FSysCaret.Pos();
  ShowTip(viewport(), {caret.X, caret.Y + FRowHeight}, Utf8);
}

void TCustomAFEdit::CopySelection(bool AsDisplayed) {
  TPoint start, end;
  const bool rowCopy = !FSel.HasCharSel() && FSel.HasRowSel();
  if (FSel.HasCharSel()) {
    const TPoint s = FSel.GetSelStart(), e = FSel.GetSelEnd();
    start = {PosToByteIndex(s), s.Y};
    end = {PosToByteIndex(e), e.Y};
  } else if (FSel.HasRowSel()) {
    const int last = std::min(FSel.LastSelRow(), RowCount() - 1);
    start = {0, std::max(FSel.FirstSelRow(), 0)};
    end = {static_cast<int>(FLines.View(last).size()), last};
  } else {
    return;
  }
  SetClipboardBytes(GetRangeText(start, end, AsDisplayed), RangeBytes(*this, start, end));
  if (AsDisplayed) return;
  FRowClipAttrs.Clear();
  FRowClipText.clear();
  if (!rowCopy) return;
  for (int r = start.Y; r <= end.Y; ++r) {
    FRowClipAttrs.SetAttr(r - start.Y, FLineAttrs.PeekAttr(r));
    FRowClipText.push_back(FLines[r].str());
  }
}

void TCustomAFEdit::InsertClipRows(int First, int N, bool FromRowCopy, const std::vector<std::string>& Lines) {
  const int R = std::min(FCaret.Y, RowCount() - 1);
  for (int i = 0; i < FBlkAttrs.Count(); ++i) {
    TBlkAttr& b = FBlkAttrs.Items(i);
    if (b.StartRow >= R) b.StartRow += N;
    if (b.EndRow >= R) b.EndRow += N;
  }
  // The record of the row each new row pushes down, as the rows stood
  // before the insertion; past the old end a fresh one.
  std::vector<TLineAttr> below;
  for (int i = 0; i < N && !FromRowCopy; ++i) {
    TLineAttr a;
    if (R + i < RowCount())
      a = FLineAttrs.PeekAttr(R + i);
    else
      InitLineAttr(true, 0, a, FDefWrapPos);
    below.push_back(a);
  }
  for (int i = 0; i < N; ++i) {
    const int P = R + i;
    TLineAttr rec = FromRowCopy ? FRowClipAttrs.PeekAttr(First + i) : below[static_cast<size_t>(i)];
    const TRowStr text(FromRowCopy ? FRowClipText[static_cast<size_t>(First + i)]
                                   : Lines[static_cast<size_t>(First + i)] + '\r');
    RecordedInsertRow(P, text, rec);
    FSel.RowInserted(P - 1);
  }
  if (N > 0) MarkShownRowsDirty(R);
  FCaret.Y += N;
}

void TCustomAFEdit::PasteFromClipboard() {
  const TEditScope scope(*this);
  bool own = false;
  const std::string T = ClipboardBytes(own);
  if (T.empty()) return;
  HideCaret();
  if (FSel.HasCharSel() || FSel.HasRowSel()) {
    const bool batch = FBatchEdit;
    FBatchEdit = true;
    DeleteSelection();
    --FEditGroup;
    FBatchEdit = batch;
  }
  std::string rows;
  for (const std::string& s : FRowClipText) rows += s + "\r\n";
  const bool rowPaste = !FRowClipText.empty() && SameIgnoringLineEnds(T, rows);
  const bool batch = FBatchEdit;
  FBatchEdit = true;
  if (rowPaste) {
    const int N = static_cast<int>(FRowClipText.size());
    ++FEditGroup;
    InsertClipRows(0, N - 1, true, {});
    const std::string& last = FRowClipText.back();
    if (!last.empty()) {
      InsertRow(std::min(FCaret.Y, RowCount() - 1), last, FRowClipAttrs.PeekAttr(N - 1));
      ++FCaret.Y;
    } else {
      FireUndoChange(FUndoBuff.CanUndo(), false);
    }
    FLineAttrs.MarkDirty(std::min(FCaret.Y, RowCount()), std::min(FTopRow + VisibleRowCount(), RowCount()));
    FBatchEdit = batch;
    RepaintDirtyRows();
  } else {
    bool endsWithBreak = false;
    const std::vector<std::string> lines = SplitClipLines(T, endsWithBreak);
    if (own && lines.size() + (endsWithBreak ? 1 : 0) > 1) {
      PasteLinesAtCaret(lines, endsWithBreak);
    } else {
      ++FEditGroup;
      if (lines.size() > 1) InsertClipRows(0, static_cast<int>(lines.size()) - 1, false, lines);
      --FEditGroup;  // InsertText opens it again: the whole paste is one step
      InsertText(lines.back() + (endsWithBreak ? "\r" : ""));
    }
  }
  FBatchEdit = batch;
  SetScrollBars(FScrollBars);
  if (FTopRow + VisibleRowCount() < FCaret.Y + 2) {
    FTopRow = std::max(0, FCaret.Y - VisibleRowCount() + 2);
    Paint();
  } else {
    RepaintDirtyRows();
  }
  ShowCaret();
  UpdateCaret();
}

// Text another program gave goes in as whole lines in front of the caret's
// row, but Hotaru's own bytes go in exactly where the caret stands, so that
// a cut and a paste at the same place give the text back unchanged: the
// first line splits the caret's row, the lines between become rows of their
// own, and the last line joins the rest of the split row.  The rows between
// are wrapped like the row they were inserted in front of.
void TCustomAFEdit::PasteLinesAtCaret(const std::vector<std::string>& Lines, bool EndsWithBreak) {
  const bool insertMode = FInsertMode;
  FInsertMode = true;  // a line break is inserted, never typed over
  InsertText(Lines.front() + '\r');  // opens the paste's group
  const int middle = static_cast<int>(Lines.size()) - (EndsWithBreak ? 1 : 2);
  if (middle > 0) {
    const int first = FCaret.Y;
    InsertClipRows(1, middle, false, Lines);
    // The caret stands at the start of the row after the new lines.
    // Wrapping them adds rows above it, so its row number goes stale while
    // they are wrapped (and a re-wrap that goes on into a later line may
    // carry it): afterwards it goes back to the row that starts after the
    // same bytes.
    size_t bytes = 0;
    for (int r = first; r < FCaret.Y; ++r) bytes += FLines.View(r).size();
    for (int r = first + middle - 1; r >= first; --r) RewrapRow(r);
    int row = first;
    for (size_t b = 0; b < bytes && row < RowCount(); ++row) b += FLines.View(row).size();
    FCaret.Y = row;
  }
  if (!EndsWithBreak) {
    --FEditGroup;  // InsertText opens it again
    InsertText(Lines.back());
  }
  FInsertMode = insertMode;
}

// ---- requests ----

void TCustomAFEdit::CutToClipboard() {
  const TEditScope scope(*this);
  ++FEditGroup;
  CopySelection(false);
  DeleteSelection();
  if (OnDisSelect) OnDisSelect(this);
}

void TCustomAFEdit::CopyToClipboard() { CopySelection(false); }

void TCustomAFEdit::PasteRequest() {
  ++FEditGroup;
  PasteFromClipboard();
}

void TCustomAFEdit::ClearSelection() { DeleteSelection(); }

// ---- the input method ----

void TCustomAFEdit::ImeInput(const TImeInput& In) {
  const TEditScope scope(*this);
  // The old preedit goes where it was shown, before a commit moves the
  // caret.
  if (In.PreeditChanged) InvalidateRect(PreeditRect());
  if (In.HasCommit) {
    if (In.Replaced) ShowCaretTip("Shift-JIS で表せない文字を「・」に置き換えました。");
    ++FEditGroup;
    const std::string_view text = BeforeZero(In.Commit);
    if (!text.empty()) InsertText(text);
  }
  if (In.PreeditChanged) {
    FIme.TakePreedit();
    InvalidateRect(PreeditRect());
    const TPoint at = FIme.Anchor();
    SetCaretPixelPos(at.X + FIme.CursorCells() * FCellWidth, at.Y);
    TInputMethod::Update();  // the caret's rectangle moved with the cursor
  }
}
