// Row operations of the control: every change of the row store goes through
// these, firing the row events and recording undo items.
#include <algorithm>
#include <cstring>

#include "AFEdit/AFEdit.h"

TPoint MinPos(TPoint P, TPoint Q) noexcept {
  return (P.Y < Q.Y || (P.Y == Q.Y && P.X < Q.X)) ? P : Q;
}

TPoint MaxPos(TPoint P, TPoint Q) noexcept {
  return (P.Y > Q.Y || (P.Y == Q.Y && P.X >= Q.X)) ? P : Q;
}

bool PosInRange(TPoint P, TPoint A, TPoint B) noexcept {
  if (A.Y == B.Y) return P.Y == A.Y && A.X <= P.X && P.X < B.X;
  return (A.Y < P.Y && P.Y < B.Y) || (P.Y == A.Y && P.X >= A.X) || (P.Y == B.Y && P.X < B.X);
}

int CountByte(std::string_view S, unsigned char B) noexcept {
  int n = 0;
  for (unsigned char c : S) {
    if (c == 0) break;
    if (c == B) ++n;
  }
  return n;
}

bool TCustomAFEdit::RowHasLineEnd(int Row) const {
  return EndsWithCr(FLines.View(Row));
}

void TCustomAFEdit::InitLineAttr(bool Dirty, int Indent, TLineAttr& A, int WrapPos) const {
  A.TextColor = FFont.Color;
  A.BackColor = FColor;
  A.Indent = static_cast<int16_t>(Indent);
  A.WrapPos = static_cast<int16_t>(WrapPos);
  A.FontStyle = {};
  A.Dirty = Dirty;
}

void TCustomAFEdit::FireUndoChange(bool CanUndo, bool CanRedo) {
  if (OnUndoChange) OnUndoChange(this, CanUndo, CanRedo);
}

void TCustomAFEdit::AppendRow(TRowStr S, const TLineAttr& A) {
  TLineAttr C = A;
  if (OnLineInsert) EditRowStr(S, [&](std::string& s) { OnLineInsert(this, RowCount() - 1, s); });
  if (!FLoading)
    FUndoBuff.AddItem(FEditGroup, RowCount(), C, TLineAttr{}, S, TRowStr(), ukRowInserted, FCaret);
  FLines.Add(std::move(S));
  C.Dirty = true;
  FLineAttrs.SetAttr(RowCount() - 1, C);
  if (!FLoading) FireUndoChange(FUndoBuff.CanUndo(), false);
}

void TCustomAFEdit::RecordedInsertRow(int Row, TRowStr S, TLineAttr Rec) {
  FUndoBuff.AddItem(FEditGroup, Row, Rec, TLineAttr{}, S, TRowStr(), ukRowInserted, FCaret);
  FLines.Insert(Row, std::move(S));
  Rec.Dirty = true;
  FLineAttrs.InsertAttr(Row, Rec);
}

void TCustomAFEdit::SetRowAttr(int Row, TLineAttr Rec) {
  const TLineAttr old = FLineAttrs.GetAttr(Row);
  Rec.Dirty = true;
  const TRowStr text = FLines[Row];
  FUndoBuff.AddItem(FEditGroup, Row, Rec, old, text, text, ukRowChanged, FCaret);
  // The fields alone: the entry keeps its column attributes.
  FLineAttrs.GetAttr(Row) = Rec;
}

void TCustomAFEdit::InsertRow(int Row, TRowStr S, const TLineAttr& Template) {
  if (OnLineInsert) EditRowStr(S, [&](std::string& s) { OnLineInsert(this, Row, s); });
  RecordedInsertRow(Row, std::move(S), Template);
  MarkShownRowsDirty(Row);
  BlocksRowChanged(Row, brInserted);
  if (!FBatchEdit) SetScrollBars(FScrollBars);
  FireUndoChange(FUndoBuff.CanUndo(), false);
}

void TCustomAFEdit::DeleteRow(int Row) {
  if (OnLineDelete) OnLineDelete(this, Row);
  const TLineAttr old = FLineAttrs.GetAttr(Row);
  FUndoBuff.AddItem(FEditGroup, Row, TLineAttr{}, old, TRowStr(), FLines[Row], ukRowDeleted, FCaret);
  FLines.Delete(Row);
  FLineAttrs.DeleteAttr(Row);
  MarkShownRowsDirty(Row);
  BlocksRowChanged(Row, brDeleted);
  if (FCaret.Y > RowCount() - 1 && FCaret.Y > 0) --FCaret.Y;
  SetScrollBars(FScrollBars);
  FireUndoChange(FUndoBuff.CanUndo(), false);
}

// Rows shown at and below Row moved: they are repainted with the changed
// rows.
void TCustomAFEdit::MarkShownRowsDirty(int Row) {
  FLineAttrs.MarkDirty(std::max(Row, FTopRow), std::min(RowCount(), FTopRow + VisibleRowCount() + 2));
}

void TCustomAFEdit::SetRowText(int Row, TRowStr S, bool NewGroup) {
  if (OnBeforeChange) {
    bool canModify = true;
    EditRowStr(S, [&](std::string& s) { OnBeforeChange(this, Row, s, canModify); });
    if (!canModify) return;
  }
  // The row's record and text are found once; nothing below moves them
  // until the change handler runs.
  TLineAttr& live = FLineAttrs.GetAttr(Row);
  const TLineAttr old = live;
  TLineAttr C = old;
  C.Dirty = true;
  if (NewGroup) ++FEditGroup;
  TRowStr& text = FLines.Ref(Row);
  FUndoBuff.AddItem(FEditGroup, Row, C, old, S, text, ukRowChanged, FCaret);
  text = S;
  live.Dirty = true;
  if (OnChange) {
    FInChangeHandler = true;
    OnChange(this);
    FInChangeHandler = false;
    // The handler may have changed the row: record that as well.  A
    // handler that changed nothing leaves nothing to undo.
    const TLineAttr now = FLineAttrs.PeekAttr(Row);
    const TRowStr& nowText = FLines[Row];
    if (!(nowText.SharesWith(S) || nowText == S) || !(now == C))
      FUndoBuff.AddItem(FEditGroup, Row, now, C, nowText, S, ukRowChanged, FCaret);
  }
  FireUndoChange(FUndoBuff.CanUndo(), false);
}

void TCustomAFEdit::AppendLine(TRowStr S) {
  ++FEditGroup;
  if (RowCount() > 0) {
    AppendRow(std::move(S), FLineAttrs.GetAttr(RowCount() - 1));
    FLineAttrs.GetAttr(RowCount() - 1).Dirty = true;
  } else {
    TLineAttr A;
    InitLineAttr(true, 0, A, FDefWrapPos);
    AppendRow(std::move(S), A);
  }
  SetScrollBars(FScrollBars);
}

std::string TCustomAFEdit::Text() const {
  size_t total = 0;
  FLines.ForEach(0, RowCount(), [&](int, const TRowStr& s) {
    total += s.size() + (EndsWithCr(s.view()) ? 1 : 0);
  });
  std::string out;
  out.reserve(total);
  FLines.ForEach(0, RowCount(), [&](int, const TRowStr& s) {
    out.append(s.view());
    if (EndsWithCr(s.view())) out.push_back('\n');
  });
  return out;
}

std::string TCustomAFEdit::CheckInvariants() const {
  const int rows = RowCount();
  if (rows == 0) return "no rows";
  if (FLineAttrs.Count() < rows) return "fewer records than rows";
  std::string err;
  FLines.ForEach(0, rows, [&](int r, const TRowStr& s) {
    if (!err.empty()) return;
    if (!FLineAttrs.HasAttr(r)) err = "row " + std::to_string(r) + " has no record";
    const size_t cr = s.view().find('\r');
    if (cr != std::string_view::npos && cr + 1 != s.size())
      err = "CR inside row " + std::to_string(r);
    if (r == rows - 1 && cr != std::string_view::npos) err = "last row ends with CR";
  });
  if (!err.empty()) return err;
  // A free caret may stand any number of rows below the last.
  if (FCaret.Y < 0 || (FCaret.Y > rows && !FOptions.contains(aoFreeCaret)) || FCaret.X < 0)
    return "caret outside the document";
  const TPoint s = FSel.GetSelStart(), e = FSel.GetSelEnd();
  if (s.Y < 0 || s.X < 0 || e.Y >= rows) return "selection outside the document";
  if (FSel.HasRowSel() && (FSel.FirstSelRow() < 0 || FSel.LastSelRow() >= rows))
    return "row selection outside the document";
  if (err = FLines.Check(); !err.empty()) return "rows: " + err;
  if (err = FLineAttrs.Check(); !err.empty()) return "records: " + err;
  if (err = FUndoBuff.Check(); !err.empty()) return "undo: " + err;
  return {};
}
