// Qt's own texts (dialog buttons and labels, the file dialog, context
// menus of text boxes) in the user's language.
#pragma once

class QLocale;
class QTranslator;

// Loads Qt's translation for Locale ("qtbase_ja" for Japanese) from Qt's
// translations folder into Translator; false when none is installed for
// that language (Debian: qt6-translations-l10n), and Qt's texts stay
// English.
bool LoadQtTexts(QTranslator& Translator, const QLocale& Locale);
