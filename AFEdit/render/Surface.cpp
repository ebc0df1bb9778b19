// The window surface: a backing image the size of the viewport that every
// painting step draws into; the paint event only copies it to the screen and
// draws the caret over it.
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

// The one place where a changed rectangle of the control becomes a request
// to show it again: everything that draws says which part changed.
void TCustomAFEdit::InvalidateRect(const TRect& R) {
  if (R.Right > R.Left && R.Bottom > R.Top) viewport()->update(ToQRect(R));
}

// Repaints the whole text area, the margin and the ruler.
void TCustomAFEdit::Paint() {
  if (FSurface.isNull()) return;
  FCanvas.BrushColor = FColor;
  FCanvas.FillRect({0, 0, FSurface.width(), FSurface.height()});
  FPaintedTopRow = FTopRow;
  InvalidateRect({0, 0, FSurface.width(), FSurface.height()});
}
