// Undo and redo of whole edit groups.
#include "AFEdit/AFEdit.h"

namespace {

// Rows [From, From + N) as the pieces a sealed run is rebuilt from.
class TRowPieces : public TPieceList {
public:
  TRowPieces(const TRowList& L, int From, int N) : FL(L), FFrom(From), FN(N) {}
  size_t Count() const override { return static_cast<size_t>(FN); }
  std::string_view Piece(size_t I) const override { return FL.View(FFrom + static_cast<int>(I)); }

private:
  const TRowList& FL;
  int FFrom, FN;
};

}  // namespace

// Sets the rows of a run to its old or new texts.  A sealed run rebuilds them
// from the rows as they stand, which hold its other side: the history
// replays items strictly in order.
void TCustomAFEdit::HistorySetRun(const TUndoBuffItem& It, bool Old) {
  const TRowRun& run = *It.Run;
  const TLineAttr& attr = Old ? It.OldAttr : It.NewAttr;
  const int n = run.Count();
  if (run.Sealed()) {
    const std::vector<TRowStr> texts = run.Rebuild(TRowPieces(FLines, It.Row, n), Old);
    for (int k = 0; k < n; ++k) {
      const int i = Old ? n - 1 - k : k;
      HistorySetRow(It.Row + i, texts[static_cast<size_t>(i)], attr);
    }
    return;
  }
  for (int k = 0; k < n; ++k) {
    const int i = Old ? n - 1 - k : k;
    HistorySetRow(It.Row + i, Old ? run.Old(i) : run.New(i), attr);
  }
}

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
    case ukRowsInserted:
      for (int i = It.Run->Count(); i-- > 0;) HistoryDeleteRow(It.Row + i);
      break;
    case ukRowDeleted: HistoryInsertRow(It.Row, It.OldText, It.OldAttr, true); break;
    case ukRowsChanged: HistorySetRun(It, true); break;
    default: HistorySetRow(It.Row, It.OldText, It.OldAttr); break;
  }
  FCaret = It.FirstCaret();
}

void TCustomAFEdit::RedoApply(TUndoBuffItem& It) {
  switch (It.Kind) {
    case ukRowInserted: HistoryInsertRow(It.Row, It.NewText, It.NewAttr, false); break;
    case ukRowsInserted:
      for (int i = 0; i < It.Run->Count(); ++i) {
        TRowStr text = It.Run->New(i);
        HistoryInsertRow(It.Row + i, text, It.NewAttr, false);
        if (!text.SharesWith(It.Run->New(i))) It.Run->SetNew(i, text);
      }
      break;
    case ukRowDeleted: HistoryDeleteRow(It.Row); break;
    case ukRowsChanged: HistorySetRun(It, false); break;
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
  ShowHistoryStep(true);
}

void TCustomAFEdit::Redo() {
  const TEditScope scope(*this);
  TUndoBuffItem* it = FUndoBuff.RedoItem();
  if (!it) {
    ShowHistoryStep(false);
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
  ShowHistoryStep(false);
  FireUndoChange(true, FUndoBuff.RedoItem() != nullptr);
}

// The one tail of undo and redo: the view (undo also brings the caret's
// row into it) and the caret.
void TCustomAFEdit::ShowHistoryStep(bool FollowCaret) {
  HideCaret();
  if (FollowCaret) ShowUndoneCaretRow();
  SetScrollBars(FScrollBars);
  Paint();
  ShowCaret();
}
