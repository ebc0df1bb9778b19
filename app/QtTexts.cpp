#include "app/QtTexts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool LoadQtTexts(QTranslator& Translator, const QLocale& Locale) {
  return Translator.load(Locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
