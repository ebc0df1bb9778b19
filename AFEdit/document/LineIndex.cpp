// Where rows lie among the logical lines, and whether the document holds
// layout beyond its text.
#include "AFEdit/AFEdit.h"

TRowPlace TCustomAFEdit::RowPlace(int Row) {
  FLineIndex.Invalidate(FLines.TakeChangedFrom());
  return FLineIndex.Place(FLines, std::clamp(Row, 0, RowCount()));
}

TRowPlace TCustomAFEdit::PosPlace(TPoint P) {
  if (P.Y >= RowCount()) return RowPlace(RowCount());
  TRowPlace place = RowPlace(P.Y);
  const int64_t bytes = std::clamp(PosToByteIndex(P), 0, static_cast<int>(FLines.View(P.Y).size()));
  place.Offset += bytes;
  place.LineOffset += bytes;
  return place;
}

bool TCustomAFEdit::HasLayout() {
  if (FBlkAttrs.Count() > 0) return true;
  bool layout = false;
  FLineAttrs.ForEachRecord([&](const TLineAttr& A, size_t) {
    layout = layout || A.Indent > 0 || (A.WrapPos != 0 && A.WrapPos != FDefWrapPos) ||
             A.TextColor != FFont.Color || A.BackColor != FColor || !(A.FontStyle == TFontStyles{});
  });
  for (int r = 0; !layout && r < FLineAttrs.Count(); ++r) {
    const TColAttrList* cols = FLineAttrs.ColAttrs(r);
    for (int i = 0; cols && i < cols->Count() && !layout; ++i) layout = cols->At(i).Active;
  }
  return layout;
}
