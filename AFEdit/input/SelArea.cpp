#include "AFEdit/input/SelArea.h"

static bool Before(TPoint A, TPoint B) noexcept {
  return A.Y < B.Y || (A.Y == B.Y && A.X < B.X);
}

TPoint TSelArea::GetSelStart() const noexcept {
  return Before(FActivePos, FAnchorPos) ? FActivePos : FAnchorPos;
}

TPoint TSelArea::GetSelEnd() const noexcept {
  return Before(FActivePos, FAnchorPos) ? FAnchorPos : FActivePos;
}

bool TSelArea::PosInSel(int Col, int Row) const noexcept {
  const TPoint S = GetSelStart(), E = GetSelEnd();
  if (S.Y == E.Y) return Row == S.Y && S.X <= Col && Col < E.X;
  return (S.Y < Row && Row < E.Y) || (Row == S.Y && Col >= S.X) || (Row == E.Y && Col < E.X);
}

void TSelArea::RowInserted(int Row) noexcept {
  if (HasRowSel() && Row < FirstSelRow()) {  // the whole selection moves down
    ++FAnchorRow;
    ++FActiveRow;
    return;
  }
  if (!RowInSel(Row)) return;
  if (FAnchorRow < FActiveRow)
    ++FActiveRow;
  else
    ++FAnchorRow;
}

void TSelArea::RowDeleted(int Row) noexcept {
  if (HasRowSel() && Row < FirstSelRow()) {  // the whole selection moves up
    --FAnchorRow;
    --FActiveRow;
    return;
  }
  if (!RowInSel(Row)) return;
  if (FAnchorRow < FActiveRow)
    --FActiveRow;
  else
    --FAnchorRow;
}

int TSelArea::CheckSelChange() noexcept {
  const bool now = HasRowSel() || HasCharSel();
  int result = 0;
  if (now != FSelected) result = now ? 1 : 2;
  FSelected = now;
  return result;
}
