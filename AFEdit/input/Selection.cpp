// Selection operations of the control.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

void TCustomAFEdit::NotifySelChange() {
  switch (FSel.CheckSelChange()) {
    case 1:
      if (OnSelect) OnSelect(this);
      break;
    case 2:
      if (OnDisSelect) OnDisSelect(this);
      break;
    default:
      break;
  }
}

void TCustomAFEdit::MarkRowsDirty(int A, int B) {
  FLineAttrs.MarkDirty(Min(A, B), Min(Max(A, B) + 1, RowCount()));
}

void TCustomAFEdit::MarkSelRowsDirty() {
  if (FSel.HasCharSel()) MarkRowsDirty(FSel.GetSelStart().Y, FSel.GetSelEnd().Y);
  if (FSel.HasRowSel()) MarkRowsDirty(FSel.FirstSelRow(), FSel.LastSelRow());
}

void TCustomAFEdit::KeepSelInDocument() {
  const int last = RowCount() - 1;
  if (FSel.HasRowSel()) {
    FSel.SetAnchorRow(std::clamp(FSel.FAnchorRow, 0, last));
    FSel.SetActiveRow(std::clamp(FSel.FActiveRow, 0, last));
  }
  if (FSel.FAnchorPos.Y > last) FSel.SetAnchorPos(ClampPos(FSel.FAnchorPos));
  if (FSel.FActivePos.Y > last) FSel.SetActivePos(ClampPos(FSel.FActivePos));
}

void TCustomAFEdit::RowSelRowDeleted(int Row) {
  if (!FSel.HasRowSel()) return;
  FSel.RowDeleted(Row);
  // Deleting the selection's last rows at the document's end leaves its
  // larger end below the last row.
  const int last = RowCount() - 1;
  FSel.SetAnchorRow(std::clamp(FSel.FAnchorRow, 0, last));
  FSel.SetActiveRow(std::clamp(FSel.FActiveRow, 0, last));
}

void TCustomAFEdit::ClampSelToDocument() {
  const int last = RowCount() - 1;
  if (FSel.HasRowSel()) {
    FSel.SetAnchorRow(std::clamp(FSel.FAnchorRow, 0, last));
    FSel.SetActiveRow(std::clamp(FSel.FActiveRow, 0, last));
  }
  // A column past a row's end is a place of its own with a free caret
  // (text typed there is padded up to it); only a position outside the
  // rows, or one before the start of its row, is clamped.
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  auto clamp = [&](TPoint P) {
    if (freeCaret && P.Y >= 0 && P.Y <= last)
      P.X = std::max(P.X, 0);
    else
      P = ClampPos(P);
    const std::string D = RowDisplayText(P.Y);
    if (P.X > 0 && ByteType(D, static_cast<size_t>(P.X)) == mbTrailByte) --P.X;
    return P;
  };
  FSel.SetAnchorPos(clamp(FSel.FAnchorPos));
  FSel.SetActivePos(clamp(FSel.FActivePos));
}

void TCustomAFEdit::UpdateRowSelMetrics() {
  FSel.FMaxIndent = -1;
  FSel.FMinWrapPos = 100000;
  for (int r = FSel.FirstSelRow(); r <= FSel.LastSelRow(); ++r) {
    // Existing records are read without expanding their block.
    const TLineAttr a = FLineAttrs.HasAttr(r) ? FLineAttrs.PeekAttr(r) : FLineAttrs.GetAttr(r);
    FSel.FMaxIndent = Max(FSel.FMaxIndent, a.Indent);
    FSel.FMinWrapPos = Min(FSel.FMinWrapPos, a.WrapPos);
  }
}

void TCustomAFEdit::SelectAll() {
  FSel.CollapseCharSel();
  FSel.SetAnchorRow(0);
  FSel.SetActiveRow(RowCount() - 1);
  UpdateRowSelMetrics();
  NotifySelChange();
  Paint();
}
