// What the control asks of the screen it is shown on: the device pixel
// ratio and the backing image sized for it.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

class QWidget;

// The device pixel ratio of the screen W is shown on.
qreal ScreenRatio(const QWidget& W);
// Gives Image the device pixels of a client area of Size logical pixels at
// Ratio (never less than one pixel), filled with Fill; returns false, leaving
// the image alone, when it already has that size and ratio.
bool FitBackingImage(QImage& Image, QSize Size, qreal Ratio, const QColor& Fill);
