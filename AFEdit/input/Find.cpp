// Finding text: the search runs over logical lines of the rows (see
// document/Search.h); a match found is selected and brought into view.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/input/LineBatch.h"

namespace {

constexpr size_t kBatchBytes = 256 << 10;
// Rows kept between a match and the edge of the view, where the view has
// room for them.
constexpr int kViewMargin = 3;


// The first match of the lines beginning at rows First..LastFirst, from
// offset From of the first one.
bool ScanForward(const TRowList& Rows, TLineMatcher& M, int First, int LastFirst, size_t From, TFindResult& R) {
  TLineBatch batch(Rows);
  for (int row = First; row < Rows.Count() && row <= LastFirst; From = 0) {
    if (From == 0) row = SkipClearLines(Rows, M, row, LastFirst);
    if (row >= Rows.Count() || row > LastFirst) break;
    const int next = batch.Gather(row, LastFirst, kBatchBytes);
    M.Scan(batch.Views(), From, [&](size_t line, size_t b, size_t e) {
      R.Found = true;
      R.Start = batch.PosOf(line, b, false);
      R.End = batch.PosOf(line, e, true);
      return false;
    });
    if (R.Found || next <= row) return R.Found;
    row = next;
  }
  return false;
}

// The last match starting before offset Before of the line beginning at
// First, then in the lines before it down to the one beginning at Stop.
bool ScanBackward(const TRowList& Rows, TLineMatcher& M, int First, size_t Before, int Stop, TFindResult& R) {
  TLineBatch batch(Rows);
  for (int first = First; first >= Stop; Before = std::string_view::npos) {
    batch.Gather(first, first, 0);
    size_t b = 0, e = 0;
    if (M.Prev(batch.Views()[0], Before, b, e)) {
      R.Found = true;
      R.Start = batch.PosOf(0, b, false);
      R.End = batch.PosOf(0, e, true);
      return true;
    }
    if (first == 0) break;
    first = LineFirstRow(Rows, first - 1);
  }
  return false;
}

}  // namespace

TFindResult TCustomAFEdit::FindText(std::string_view Pattern, TBytePos From, const TFindOptions& Options) {
  TFindResult r;
  const std::unique_ptr<TLineMatcher> m = MakeMatcher(Pattern, Options, r.Error);
  if (!m) return r;
  From.Row = std::clamp(From.Row, 0, RowCount() - 1);
  const int first = LineFirstRow(FLines, From.Row);
  const size_t off = LineOffsetOf(FLines, first, From);
  const int lastFirst = LineFirstRow(FLines, RowCount() - 1);
  if (!Options.Backward) {
    if (ScanForward(FLines, *m, first, lastFirst, off, r) || !Options.WrapAround) return r;
    r.Wrapped = ScanForward(FLines, *m, 0, first, 0, r);
    return r;
  }
  if (ScanBackward(FLines, *m, first, off, 0, r) || !Options.WrapAround) return r;
  r.Wrapped = ScanBackward(FLines, *m, lastFirst, std::string_view::npos, first, r);
  return r;
}

TBytePos TCustomAFEdit::SelStartBytes() {
  if (FSel.HasRowSel()) return {std::min(FSel.FirstSelRow(), RowCount() - 1), 0};
  const TPoint p = FSel.HasCharSel() ? FSel.GetSelStart() : FCaret;
  if (p.Y >= RowCount()) return {RowCount() - 1, static_cast<int>(FLines.View(RowCount() - 1).size())};
  return {p.Y, PosToByteIndex(p)};
}

TBytePos TCustomAFEdit::SelEndBytes() {
  if (FSel.HasRowSel()) {
    const int last = std::min(FSel.LastSelRow(), RowCount() - 1);
    return {last, static_cast<int>(FLines.View(last).size())};
  }
  const TPoint p = FSel.HasCharSel() ? FSel.GetSelEnd() : FCaret;
  if (p.Y >= RowCount()) return {RowCount() - 1, static_cast<int>(FLines.View(RowCount() - 1).size())};
  return {p.Y, PosToByteIndex(p)};
}

bool TCustomAFEdit::SelSpansRows() const {
  if (FSel.HasRowSel()) return true;
  return FSel.HasCharSel() && FSel.GetSelStart().Y != FSel.GetSelEnd().Y;
}

TFindResult TCustomAFEdit::FindNext(std::string_view Pattern, const TFindOptions& Options) {
  const TFindResult r = FindText(Pattern, Options.Backward ? SelStartBytes() : SelEndBytes(), Options);
  if (r.Found) SelectBytes(r.Start, r.End);
  return r;
}

void TCustomAFEdit::SelectBytes(TBytePos Start, TBytePos End) {
  const TPaintBatch batch(*this);
  HideCaret();
  const TPoint s = ByteToDisplayPos({Start.Byte, Start.Row});
  const TPoint e = ByteToDisplayPos({End.Byte, End.Row});
  // The view moves first, with the selection collapsed at the caret, so that
  // scrolling does not make it follow the caret.
  FSel.ClearRowSel();
  FSel.SetAnchorPos(e);
  FSel.SetActivePos(e);
  FCaret = e;
  // The view keeps a few rows around the match where it has room.
  const int v = VisibleRowCount();
  const int margin = std::max(0, std::min(kViewMargin, (v - 1) / 2));
  int top = FTopRow;
  if (s.Y < top + margin) top = s.Y - margin;
  if (e.Y > top + v - 1 - margin) top = e.Y - v + 1 + margin;
  top = std::clamp(top, 0, std::max(0, RowCount() - 1));
  if (top != FTopRow) {
    SetScrollBars(FScrollBars);
    SetScrollPos(sbVertical, top);
    VScrollRequest(sbThumbPosition);
    FCaret = e;
  }
  ScrollToCaret();
  FCaret = e;
  FSel.SetAnchorPos(s);
  FSel.SetActivePos(e);
  NotifySelChange();
  Paint();
  UpdateCaret();
  ShowCaret();
}

int TCustomAFEdit::LogicalLineCount() const {
  int n = 1;
  FLines.ForEach(0, RowCount() - 1, [&](int, const TRowStr& s) { n += EndsWithCr(s.view()); });
  return n;
}

int TCustomAFEdit::LineOfRow(int Row) const {
  int n = 1;
  FLines.ForEach(0, std::clamp(Row, 0, RowCount() - 1), [&](int, const TRowStr& s) { n += EndsWithCr(s.view()); });
  return n;
}

int TCustomAFEdit::GoToLine(int Line) {
  const int count = LogicalLineCount();
  const int line = std::clamp(Line, 1, count);
  int row = 0, n = 1;
  if (line > 1) {
    FLines.ForEach(0, RowCount() - 1, [&](int r, const TRowStr& s) {
      if (n < line && EndsWithCr(s.view()) && ++n == line) row = r + 1;
    });
  }
  FSel.CollapseCharSel();
  FSel.ClearRowSel();
  SelectBytes({row, 0}, {row, 0});
  return line;
}
