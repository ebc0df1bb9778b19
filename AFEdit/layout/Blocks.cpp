// Block and column attributes following the text through row changes.
#include "AFEdit/AFEdit.h"

namespace {
int TextLen(const TRowList& lines, int Row) {
  return Row >= 0 && Row < lines.Count() ? static_cast<int>(lines.View(Row).size()) : 0;
}
}  // namespace

bool TCustomAFEdit::BlockAt(TPoint Pos, TColor& Color, TFontStyles& Style) const {
  for (int i = 0; i < FBlkAttrs.Count(); ++i) {
    const TBlkAttr& b = FBlkAttrs.At(i);
    if (PosInRange(Pos, {b.StartCol, b.StartRow}, {b.EndCol, b.EndRow})) {
      Color = b.Color;
      Style = b.Style;
      return true;
    }
  }
  return false;
}

int TCustomAFEdit::NextBlockBoundary(TPoint Pos) const {
  int result = -10000;
  for (int i = 0; i < FBlkAttrs.Count(); ++i) {
    const TBlkAttr& b = FBlkAttrs.At(i);
    if (PosInRange(Pos, {b.StartCol, b.StartRow}, {b.EndCol, b.EndRow})) result = 0;
    if (b.StartRow == Pos.Y && b.StartCol > Pos.X)
      result = result < 1 ? b.StartCol : Min(result, b.StartCol);
    if (b.EndRow == Pos.Y && b.EndCol > Pos.X)
      result = result < 1 ? b.EndCol + 1 : Min(result, b.EndCol + 1);
  }
  return result;
}

TColAttrList* TCustomAFEdit::GetColAttrs(int Row) {
  return &FLineAttrs.EnsureColAttrs(Row, TextLen(FLines, Row));
}

void TCustomAFEdit::ColAttrEdit(int Row, int At, int Op, int Count) {
  TColAttrList* l = FLineAttrs.ColAttrs(Row);
  if (!l) return;
  switch (Op) {
    case caInsert: l->InsertEmpty(At, Count); break;
    case caAppend: l->InsertEmpty(l->Count(), Count); break;
    case caDelete: l->DeleteRange(At, Count); break;
    default: break;
  }
}

void TCustomAFEdit::ColAttrsMove(int From, int To, int Dir, int Count) {
  TColAttrList* from = FLineAttrs.ColAttrs(From);
  if (!from || Count <= 0) return;
  TColAttrList* to = GetColAttrs(To);  // lists stay where they are when records move
  const int L = TextLen(FLines, To);
  for (int i = 0; i < to->Count(); ++i) to->Items(i).Active = false;
  if (Dir == amToNextRow) {
    const int S = TextLen(FLines, From) - Count;
    to->InsertEmpty(0, Count);
    for (int i = 0; i < Count; ++i) to->Items(i) = from->Items(S + i);
    from->DeleteRange(S, Count);
  } else {
    for (int i = 0; i < Count; ++i) {
      to->AddCopy(TColAttr{});
      to->Items(L + i) = from->Items(i);
    }
    from->DeleteRange(0, Count);
  }
}

void TCustomAFEdit::BlocksMove(int From, int To, int Dir, int Count) {
  const int len = TextLen(FLines, From);
  const int toLen = TextLen(FLines, To);
  auto move = [&](int& col, int& row) {
    if (Dir == amToNextRow) {
      if (row == From + 1) {
        col += Count;
      } else if (row == From && col >= len - Count) {
        row = From + 1;
        col -= len - Count;
      }
    } else if (row == From) {
      if (col <= Count) {
        row = From - 1;
        col += toLen;
      } else {
        col -= Count;
      }
    }
  };
  for (int i = 0; i < FBlkAttrs.Count(); ++i) {
    TBlkAttr& b = FBlkAttrs.Items(i);
    move(b.StartCol, b.StartRow);
    move(b.EndCol, b.EndRow);
  }
}

void TCustomAFEdit::BlocksRowChanged(int Row, int Op) {
  if (FBlkAttrs.Count() == 0) return;
  if (Op == brInserted) {
    for (int i = 0; i < FBlkAttrs.Count(); ++i) {
      TBlkAttr& b = FBlkAttrs.Items(i);
      if (b.StartRow >= Row) ++b.StartRow;
      if (b.EndRow >= Row) ++b.EndRow;
    }
    return;
  }
  for (int i = FBlkAttrs.Count() - 1; i >= 0; --i) {
    TBlkAttr& b = FBlkAttrs.Items(i);
    if (Op == brDeleted) {
      if (b.StartRow > Row) --b.StartRow;
      if (b.EndRow > Row) --b.EndRow;
    }
    if (b.StartRow == Row || b.EndRow == Row) {
      FLineAttrs.MarkDirty(b.StartRow, b.EndRow + 1);
      FBlkAttrs.Delete(i);
    }
  }
}

// Bytes inserted into or deleted from the middle of one row.  Boundaries after
// the edit point on the same row follow their bytes; a boundary exactly at an
// insertion point stays, so a block that contains the point (it starts there
// or spans it) grows by the inserted bytes.  A block whose start or end lies
// in a deleted span is removed and its rows repainted.
void TCustomAFEdit::BlocksEdited(int Row, int Col, int Op, int Count) {
  if (Count <= 0) return;
  for (int i = FBlkAttrs.Count() - 1; i >= 0; --i) {
    TBlkAttr& b = FBlkAttrs.Items(i);
    if (Op == caInsert) {
      if (b.StartRow == Row && b.StartCol > Col) b.StartCol += Count;
      if (b.EndRow == Row && b.EndCol > Col) b.EndCol += Count;
      continue;
    }
    const int end = Col + Count;
    const bool startInside = b.StartRow == Row && b.StartCol >= Col && b.StartCol < end;
    const bool endInside = b.EndRow == Row && b.EndCol > Col && b.EndCol <= end;
    if (startInside || endInside) {
      FLineAttrs.MarkDirty(b.StartRow, b.EndRow + 1);
      FBlkAttrs.Delete(i);
      continue;
    }
    if (b.StartRow == Row && b.StartCol >= end) b.StartCol -= Count;
    if (b.EndRow == Row && b.EndCol >= end) b.EndCol -= Count;
  }
}
