// The paint event: the backing image copied to the screen, with the text
// being composed and the caret drawn over it; and the screen events that
// change the image's resolution.
#include <QEvent>
#include <QPainter>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Screen.h"

void TCustomAFEdit::resizeEvent(QResizeEvent* Event) {
  QAbstractScrollArea::resizeEvent(Event);
  ResizeSurface();
  FTextRect.Right = viewport()->width();
  FTextRect.Bottom = viewport()->height();
  NonClientPaint();
  // The view's extent changed: so may the need for either bar.
  SetScrollBars(FScrollBars);
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

// The painter is clipped to the region to show; the image's own ratio
// scales it to the viewport, pixel for pixel when it is the screen's.
void TCustomAFEdit::paintEvent(QPaintEvent*) {
  SurfaceRatioChanged();  // a missed change of screen still shows sharp
  QPainter p(viewport());
  p.drawImage(QPoint(0, 0), FSurface);
  if (FIme.Composing())
    FIme.DrawPreedit(p, PreeditRect(), ToQFont(FFont), ToQColor(FColor, palette()), ToQColor(FFont.Color, palette()),
                     FCharHeight);
  FSysCaret.Draw(p);
}

bool TCustomAFEdit::viewportEvent(QEvent* Event) {
  const bool handled = QAbstractScrollArea::viewportEvent(Event);
  bool screenChange = Event->type() == QEvent::ScreenChangeInternal;
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
  screenChange = screenChange || Event->type() == QEvent::DevicePixelRatioChange;
#endif
  if (screenChange) SurfaceRatioChanged();
  return handled;
}
