#include "AFEdit/platform/Notice.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

void Beep() { QApplication::beep(); }

void ShowTip(QWidget* Over, TPoint At, std::string_view Utf8) {
  const QString text = QString::fromUtf8(Utf8.data(), static_cast<qsizetype>(Utf8.size()));
  QToolTip::showText(Over->mapToGlobal(QPoint(At.X, At.Y)), text, Over);
}
