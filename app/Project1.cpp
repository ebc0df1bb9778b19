// Program start-up: the application title, the main window, the event loop.
#include <QApplication>

#include "AFEdit/platform/Canvas.h"
#include "app/Unit1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("HotaruLE"));
  InstallFontSubstitutions();
  TForm1 form;
  form.show();
  return app.exec();
}
