#include "app/Caption.h"

#include <QFileInfo>
#include <QWidget>

QString CaptionFor(const QString& Path, const QString& Untitled) {
  // Qt reads "[*]" in a title as the placeholder: a name holding it keeps it.
  QString name = Path.isEmpty() ? Untitled : QFileInfo(Path).fileName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return Path.isEmpty() ? QStringLiteral("[*]") + name
                        : QStringLiteral("[*]") + name + QStringLiteral(" – HotaruLE");
}

void ShowFileCaption(QWidget& Window, const QString& Path, const QString& Untitled) {
  Window.setWindowFilePath(Path);
  Window.setWindowTitle(CaptionFor(Path, Untitled));
}
