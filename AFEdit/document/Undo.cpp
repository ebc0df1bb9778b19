// Undo and redo of whole edit groups.
#include "AFEdit/AFEdit.h"

namespace {
// Gives an insertion handler the chance to change the text; the item keeps
// what the handler left, so redo and undo stay in step with the row.
void FireInsert(TCustomAFEdit* self, const TLineInsertEvent& ev, int Row, TRowStr& Text) {
  if (!ev) return;
  std::string s = Text.str();
  ev(self, Row, s);
  if (s != Text.view()) Text = TRowStr(s);
}
}  // namespace

void TCustomAFEdit::UndoApply(TUndoBuffItem& It) {
  switch (It.Kind) {
    case ukRowInserted:
      if (OnLineDelete) OnLineDelete(this, It.Row);
      FLines.Delete(It.Row);
      FLineAttrs.DeleteAttr(It.Row);
      BlocksRowChanged(It.Row, 2);
      break;
    case ukRowDeleted:
      FireInsert(this, OnLineInsert, It.Row, It.OldText);
      FLines.Insert(It.Row, It.OldText);
      FLineAttrs.FreeColAttrs(It.Row);  // the row that just moved down
      FLineAttrs.InsertAttr(It.Row, It.OldAttr);
      BlocksRowChanged(It.Row, 0);
      break;
    default:
      FLines.Set(It.Row, It.OldText);
      FLineAttrs.FreeColAttrs(It.Row);
      FLineAttrs.SetAttr(It.Row, It.OldAttr);
      BlocksRowChanged(It.Row, 3);
      break;
  }
  FCaret = {It.CaretCol, It.CaretRow};
}

void TCustomAFEdit::RedoApply(TUndoBuffItem& It) {
  switch (It.Kind) {
    case ukRowInserted:
      FireInsert(this, OnLineInsert, It.Row, It.NewText);
      FLines.Insert(It.Row, It.NewText);
      FLineAttrs.InsertAttr(It.Row, It.NewAttr);
      BlocksRowChanged(It.Row, 0);
      break;
    case ukRowDeleted:
      if (OnLineDelete) OnLineDelete(this, It.Row);
      FLines.Delete(It.Row);
      FLineAttrs.DeleteAttr(It.Row);
      BlocksRowChanged(It.Row, 2);
      break;
    default:
      FLines.Set(It.Row, It.NewText);
      FLineAttrs.FreeColAttrs(It.Row);
      FLineAttrs.SetAttr(It.Row, It.NewAttr);
      BlocksRowChanged(It.Row, 3);
      break;
  }
  FCaret = {It.CaretCol, It.CaretRow};
}

void TCustomAFEdit::Undo() {
  if (TUndoBuffItem* it = FUndoBuff.UndoItem()) {
    while (it) {
      UndoApply(*it);
      const int g = it->Group;
      FUndoBuff.StepBack();
      it = FUndoBuff.UndoItem();
      if (it && it->Group != g) break;
    }
    FireUndoChange(FUndoBuff.UndoItem() != nullptr, true);
  }
  HideCaret();
  if (FCaret.Y < FTopRow)
    FTopRow = Max(0, FCaret.Y - 1);
  else if (FTopRow + VisibleRowCount() < FCaret.Y + 2)
    FTopRow = FCaret.Y - VisibleRowCount() + 2;
  SetScrollBars(FScrollBars);
  Paint();
  ShowCaret();
}

void TCustomAFEdit::Redo() {
  TUndoBuffItem* it = FUndoBuff.RedoItem();
  if (!it) {
    HideCaret();
    SetScrollBars(FScrollBars);
    Paint();
    ShowCaret();
    return;
  }
  while (it) {
    RedoApply(*it);
    const int g = it->Group;
    FUndoBuff.StepForward();
    it = FUndoBuff.RedoItem();
    if (it && it->Group != g) break;
  }
  HideCaret();
  SetScrollBars(FScrollBars);
  Paint();
  ShowCaret();
  FireUndoChange(true, FUndoBuff.RedoItem() != nullptr);
}
