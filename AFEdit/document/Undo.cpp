// Undo and redo of whole edit groups.
#include "AFEdit/AFEdit.h"

// The three row changes that undo and redo replay.  An inserted row's text
// may be changed by the insertion handler; the item keeps what it left.
void TCustomAFEdit::HistoryInsertRow(int Row, TRowStr& Text, const TLineAttr& Attr,
                                     bool FreeMovedColAttrs) {
  if (OnLineInsert) EditRowStr(Text, [&](std::string& s) { OnLineInsert(this, Row, s); });
  FLines.Insert(Row, Text);
  if (FreeMovedColAttrs) FLineAttrs.FreeColAttrs(Row);  // the row that just moved down
  FLineAttrs.InsertAttr(Row, Attr);
  BlocksRowChanged(Row, brInserted);
}

void TCustomAFEdit::HistoryDeleteRow(int Row) {
  if (OnLineDelete) OnLineDelete(this, Row);
  FLines.Delete(Row);
  FLineAttrs.DeleteAttr(Row);
  BlocksRowChanged(Row, brDeleted);
}

void TCustomAFEdit::HistorySetRow(int Row, const TRowStr& Text, const TLineAttr& Attr) {
  FLines.Set(Row, Text);
  FLineAttrs.FreeColAttrs(Row);
  FLineAttrs.SetAttr(Row, Attr);
  BlocksRowChanged(Row, brReplaced);
}

void TCustomAFEdit::UndoApply(TUndoBuffItem& It) {
  switch (It.Kind) {
    case ukRowInserted: HistoryDeleteRow(It.Row); break;
    case ukRowDeleted: HistoryInsertRow(It.Row, It.OldText, It.OldAttr, true); break;
    case ukRowsChanged:
      for (int i = It.Run->Count() - 1; i >= 0; --i) HistorySetRow(It.Row + i, It.Run->Old(i), It.OldAttr);
      break;
    default: HistorySetRow(It.Row, It.OldText, It.OldAttr); break;
  }
  FCaret = It.FirstCaret();
}

void TCustomAFEdit::RedoApply(TUndoBuffItem& It) {
  switch (It.Kind) {
    case ukRowInserted: HistoryInsertRow(It.Row, It.NewText, It.NewAttr, false); break;
    case ukRowDeleted: HistoryDeleteRow(It.Row); break;
    case ukRowsChanged:
      for (int i = 0; i < It.Run->Count(); ++i) HistorySetRow(It.Row + i, It.Run->New(i), It.NewAttr);
      break;
    default: HistorySetRow(It.Row, It.NewText, It.NewAttr); break;
  }
  FCaret = It.LastCaret();
}

void TCustomAFEdit::Undo() {
  const TEditScope scope(*this);
  if (TUndoBuffItem* it = FUndoBuff.UndoItem()) {
    while (it) {
      UndoApply(*it);
      const int g = it->Group;
      FUndoBuff.StepBack();
      it = FUndoBuff.UndoItem();
      if (it && it->Group != g) break;
    }
    KeepSelInDocument();
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
  const TEditScope scope(*this);
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
  KeepSelInDocument();
  HideCaret();
  SetScrollBars(FScrollBars);
  Paint();
  ShowCaret();
  FireUndoChange(true, FUndoBuff.RedoItem() != nullptr);
}
