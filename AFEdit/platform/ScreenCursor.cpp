#include "AFEdit/platform/ScreenCursor.h"

#include <QCursor>
#include <QWidget>

#include "AFEdit/platform/Canvas.h"

static_assert(crDefault == 0);

namespace {

QCursor CursorOf(int Shape) {
  switch (Shape) {
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crDefault: return QCursor(Qt::ArrowCursor);
    default: return ProgramCursor(Shape);
  }
}

}  // namespace

void TScreenCursor::Set(int Shape) {
  if (Shape == FShape) return;
  FShape = Shape;
  if (!FTarget) return;
  if (Shape == crDefault)
    FTarget->unsetCursor();
  else
    FTarget->setCursor(CursorOf(Shape));
}
