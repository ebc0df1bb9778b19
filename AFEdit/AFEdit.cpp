// Construction, destruction, Loaded and Clear of the editor control.
#include "AFEdit/AFEdit.h"

#include <QScrollBar>

#include "AFEdit/layout/JpnRules.h"

bool TCustomAFEdit::SnapBackward = false;

TCustomAFEdit::TCustomAFEdit(QWidget* Owner) : QAbstractScrollArea(Owner) {
  FBlkAttrs.OnDelete = [this](TBlkAttrList*, int first, int last) {
    if (OnBlockDelete) OnBlockDelete(this, first, last);
  };
  FSel.CollapseCharSel();
  FSel.ClearRowSel();
  SetBanHead(std::string(kDefaultBanHead));
  SetBanEnd(std::string(kDefaultBanEnd));
  RebuildWordChars({});
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  resize(200, 100);
  FTextRect = {40, FRowHeight, width(), height()};
  FUndoBuff.FUndoMax = -1;
  FUndoBuff.Reset();
}

TCustomAFEdit::~TCustomAFEdit() {
  FUndoBuff.Clear();
  FLineAttrs.Clear();
  FRowClipAttrs.Clear();
}

void TCustomAFEdit::ResetDocument() {
  FLineAttrs.Clear();
  FLines.Clear();
  FBlkAttrs.Clear();
}

void TCustomAFEdit::Loaded() {
  FUndoBuff.Reset();
  FireUndoChange(false, false);
  TLineAttr A;
  InitLineAttr(false, 0, A, FDefWrapPos);
  AppendRow(TRowStr(), A);
  FUndoBuff.Reset();
  FCaret = {0, 0};
  UpdateCaret();
}

void TCustomAFEdit::Clear() {
  ResetDocument();
  FTopRow = 0;
  TLineAttr A;
  InitLineAttr(false, 0, A, FDefWrapPos);
  AppendRow(TRowStr(), A);
  FUndoBuff.Reset();
  FireUndoChange(false, false);
  FSel.ClearRowSel();
  FSel.CollapseCharSel();
  FMaxRowLen = 0;
  SetScrollBars(FScrollBars);
  RepaintDirtyRows();
  FCaret = {0, 0};
  UpdateCaret();
}

void TCustomAFEdit::SetColor(TColor Value) {
  // Rows painted in the old background follow the new one.
  const int n = RowCount();
  for (int i = 0; i < n; ++i) {
    if (FLineAttrs.PeekAttr(i).BackColor == FColor) {
      TLineAttr& a = FLineAttrs.GetAttr(i);
      a.BackColor = Value;
      a.Dirty = true;
    }
  }
  FColor = Value;
  Paint();
}

void TCustomAFEdit::SetDefWrapPos(int Value) {
  const int n = RowCount();
  for (int i = 0; i < n; ++i) {
    if (FLineAttrs.PeekAttr(i).WrapPos == FDefWrapPos)
      FLineAttrs.GetAttr(i).WrapPos = static_cast<int16_t>(Value);
  }
  FDefWrapPos = Value;
}

// ---- view ----

int TCustomAFEdit::VisibleRowCount() const noexcept {
  return FRowHeight > 0 ? (FTextRect.Bottom - FTextRect.Top) / FRowHeight : 0;
}

int TCustomAFEdit::VisibleColCount() const noexcept {
  return FCellWidth > 0 ? (FTextRect.Right - FTextRect.Left) / FCellWidth : 0;
}

void TCustomAFEdit::SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }

void TCustomAFEdit::Paint() { viewport()->update(); }

void TCustomAFEdit::HideCaret() { ++FCaretHideCount; }

void TCustomAFEdit::ShowCaret() {
  if (FCaretHideCount > 0) --FCaretHideCount;
}

void TCustomAFEdit::UpdateCaret() {}

void TCustomAFEdit::RepaintDirtyRows() {}
