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

bool TCustomAFEdit::HasLayout() const {
  if (FBlkAttrs.Count() > 0) return true;
  bool layout = false;
  FLineAttrs.ForEachRecord([&](const TLineAttr& A, size_t) {
    layout = layout || A.Indent > 0 || (A.WrapPos != 0 && A.WrapPos != FDefWrapPos) ||
             A.TextColor != FFont.Color || A.BackColor != FColor || !(A.FontStyle == TFontStyles{});
  });
  return layout || FLineAttrs.AnyColList([](const TColAttrList& Cols) {
           for (int i = 0; i < Cols.Count(); ++i)
             if (Cols.At(i).Active) return true;
           return false;
         });
}
