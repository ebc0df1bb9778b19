// Qt's own texts (dialog buttons and labels, the file dialog, context
// menus of text boxes) in the user's language.
#pragma once

#include <QTranslator>

class QLocale;

// Loads Qt's translation for Locale ("qtbase_ja" for Japanese) from Qt's
// translations folder into Translator; false when none is installed for
// that language (Debian: qt6-translations-l10n), and Qt's texts stay
// English.
bool LoadQtTexts(QTranslator& Translator, const QLocale& Locale);

// The texts of Qt's file dialog that Qt's Japanese translation lacks (the
// kind column's "Folder", "Drive"...); translates nothing for another
// language.
class TQtTextsSupplement : public QTranslator {
public:
  explicit TQtTextsSupplement(const QLocale& Locale);
  QString translate(const char* Context, const char* SourceText, const char* Disambiguation = nullptr,
                    int N = -1) const override;
  bool isEmpty() const override { return !FJapanese; }

private:
  bool FJapanese;
};
