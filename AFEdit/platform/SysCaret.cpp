#include "AFEdit/platform/SysCaret.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

namespace {

// Milliseconds of each blink phase; 0 when the caret does not blink.
int BlinkInterval() {
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  return flash > 0 ? flash / 2 : 0;
}

}  // namespace

TSysCaret::TSysCaret() {
  FBlink.OnTimeout = [this] { Blink(); };
}

void TSysCaret::Invalidate() const {
  if (OnInvalidate) OnInvalidate(Rect());
}

void TSysCaret::Create(int Width, int Height) {
  Invalidate();
  FWidth = Width;
  FHeight = Height;
  FHides = 1;
  FBlinkOn = true;
}

void TSysCaret::Destroy() {
  Invalidate();
  FWidth = FHeight = 0;
  FHides = 1;
  FBlink.Stop();
}

void TSysCaret::Hide() {
  ++FHides;
  Invalidate();
}

void TSysCaret::Show() {
  if (FHides > 0) --FHides;
  if (!Visible()) return;
  // A caret that appears starts a blink phase in the on state.
  FBlinkOn = true;
  const int interval = BlinkInterval();
  if (interval > 0)
    FBlink.Start(interval);
  else
    FBlink.Stop();
  Invalidate();
}

void TSysCaret::SetPos(int X, int Y) {
  if (FPos == TPoint{X, Y}) return;
  Invalidate();
  FPos = {X, Y};
  FBlinkOn = true;
  Invalidate();
}

void TSysCaret::Blink() {
  if (!Visible()) {
    FBlink.Stop();
    return;
  }
  FBlinkOn = !FBlinkOn;
  Invalidate();
}

void TSysCaret::Draw(QPainter& P) const {
  if (!Visible() || !FBlinkOn) return;
  P.save();
  P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  P.fillRect(QRect(FPos.X, FPos.Y, FWidth, FHeight), Qt::white);
  P.restore();
}
