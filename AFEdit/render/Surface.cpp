// The window surface: a backing image the size of the viewport that every
// painting step draws into; the paint event only copies it to the screen and
// draws the caret over it.
#include <QFocusEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "AFEdit/AFEdit.h"

void TCustomAFEdit::ResizeSurface() {
  const QSize size = viewport()->size();
  if (FSurface.size() == size) return;
  FSurface = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  FCanvas.SetImage(&FSurface);
}

void TCustomAFEdit::resizeEvent(QResizeEvent* Event) {
  QAbstractScrollArea::resizeEvent(Event);
  ResizeSurface();
  NonClientPaint();
  Paint();
}

void TCustomAFEdit::showEvent(QShowEvent* Event) {
  QAbstractScrollArea::showEvent(Event);
  ResizeSurface();
  NonClientPaint();
  Paint();
}

void TCustomAFEdit::changeEvent(QEvent* Event) {
  QAbstractScrollArea::changeEvent(Event);
  if (Event->type() == QEvent::PaletteChange) {
    FCanvas.SetPalette(palette());
    NonClientPaint();
    Paint();
  }
}

void TCustomAFEdit::paintEvent(QPaintEvent* Event) {
  QPainter p(viewport());
  const QRect r = Event->rect();
  p.drawImage(r, FSurface, r);
}

void TCustomAFEdit::focusInEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusInEvent(Event);
  if (OnEnter) OnEnter(this);
}

void TCustomAFEdit::focusOutEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusOutEvent(Event);
  if (OnExit) OnExit(this);
}

// ---- view members whose full behaviour comes with scrolling and painting ----

int TCustomAFEdit::VisibleRowCount() const noexcept {
  return FRowHeight > 0 ? (FTextRect.Bottom - FTextRect.Top) / FRowHeight : 0;
}

int TCustomAFEdit::VisibleColCount() const noexcept {
  return FCellWidth > 0 ? (FTextRect.Right - FTextRect.Left) / FCellWidth : 0;
}

void TCustomAFEdit::SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }

void TCustomAFEdit::Paint() {
  if (FSurface.isNull()) return;
  FCanvas.BrushColor = FColor;
  FCanvas.FillRect({0, 0, FSurface.width(), FSurface.height()});
  FPaintedTopRow = FTopRow;
  viewport()->update();
}

void TCustomAFEdit::CreateCaret(int Width, int Height) {
  FCaretWidth = Width;
  FCaretHeight = Height;
}

void TCustomAFEdit::HideCaret() { ++FCaretHideCount; }

void TCustomAFEdit::ShowCaret() {
  if (FCaretHideCount > 0) --FCaretHideCount;
}

void TCustomAFEdit::UpdateCaret() {}

void TCustomAFEdit::RepaintDirtyRows() {}
