// Re-wrapping the whole document after the line-breaking rules changed, and
// finding a byte of the document among the rows.
#include "AFEdit/AFEdit.h"

TPoint TCustomAFEdit::OffsetToPos(int64_t Offset) {
  // The last row that starts at or before Offset.
  int lo = 0, hi = RowCount() - 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (RowPlace(mid).Offset <= Offset)
      lo = mid;
    else
      hi = mid - 1;
  }
  const int64_t in = Offset - RowPlace(lo).Offset;
  return ByteToDisplayPos({static_cast<int>(std::clamp<int64_t>(in, 0, INT_MAX)), lo});
}

void TCustomAFEdit::RewrapDocument() {
  const TEditScope scope(*this);
  const int64_t caret = PosPlace(FCaret).Offset;
  // The rows move under any selection: it is dropped.
  FSel.ClearRowSel();
  ++FEditGroup;
  // Each row's wrap follows from the rows above it: one pass downwards.
  for (int r = 0; r < RowCount(); ++r) RewrapRow(r);
  FCaret = OffsetToPos(caret);
  FSel.SetAnchorPos(FCaret);
  FSel.SetActivePos(FCaret);
  NotifySelChange();
  FLineAttrs.MarkDirty(0, RowCount());
  Paint();
}
