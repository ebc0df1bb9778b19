#include "AFEdit/platform/Screen.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

qreal ScreenRatio(const QWidget& W) { return W.devicePixelRatioF(); }

bool FitBackingImage(QImage& Image, QSize Size, qreal Ratio, const QColor& Fill) {
  const QSize logical = Size.expandedTo(QSize(1, 1));
  const QSize device(static_cast<int>(std::ceil(logical.width() * Ratio)),
                     static_cast<int>(std::ceil(logical.height() * Ratio)));
  if (!Image.isNull() && Image.size() == device && Image.devicePixelRatio() == Ratio) return false;
  Image = QImage(device, QImage::Format_RGB32);
  Image.setDevicePixelRatio(Ratio);
  Image.fill(Fill);
  return true;
}

