// Program start-up: the application title, the main window, the help
// window, the event loop.
#include <QApplication>
#include <QLocale>

#include "AFEdit/platform/Canvas.h"
#include "app/Diagnostics.h"
#include "app/FormDesign.h"
#include "app/FormUi.h"
#include "app/QtTexts.h"
#include "app/Unit1.h"
#include "app/Unit2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("HotaruLE"));
  QGuiApplication::setDesktopFileName(QStringLiteral("hotaru"));
  QApplication::setWindowIcon(HotaruIcon());
  // Qt's own dialog texts in the user's language (LANG), when the
  // translations are installed.
  QTranslator qtTexts;
  if (LoadQtTexts(qtTexts, QLocale())) QApplication::installTranslator(&qtTexts);
  TQtTextsSupplement qtTextsSupplement{QLocale()};
  if (!qtTextsSupplement.isEmpty()) QApplication::installTranslator(&qtTextsSupplement);
  InstallFontSubstitutions();

  TQtFormUi ui;
  TForm1 Form1(ui);
  StartDiagnostics(Form1);
  TForm2 Form2(ui);
  Form1.Form2 = &Form2;
  Form1.show();
  Form1.OpenCommandLine(QApplication::arguments());
  return app.exec();
}
