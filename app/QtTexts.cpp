#include "app/QtTexts.h"

#include <QLibraryInfo>
#include <QLocale>

#include <cstring>

bool LoadQtTexts(QTranslator& Translator, const QLocale& Locale) {
  return Translator.load(Locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TQtTextsSupplement::TQtTextsSupplement(const QLocale& Locale) : FJapanese(Locale.language() == QLocale::Japanese) {}

QString TQtTextsSupplement::translate(const char* Context, const char* SourceText, const char*, int) const {
  // The file icon provider names the kind of an entry the file's MIME type
  // does not describe.
  static const struct {
    const char* Source;
    const char* Japanese;
  } kIconProvider[] = {{"Folder", "フォルダー"}, {"File Folder", "ファイル フォルダー"}, {"Drive", "ドライブ"},
                       {"File", "ファイル"},     {"%1 File", "%1 ファイル"},             {"Shortcut", "ショートカット"},
                       {"Alias", "エイリアス"},  {"Unknown", "不明"}};
  if (!FJapanese || !Context || !SourceText || std::strcmp(Context, "QAbstractFileIconProvider") != 0) return {};
  for (const auto& t : kIconProvider)
    if (std::strcmp(SourceText, t.Source) == 0) return QString::fromUtf8(t.Japanese);
  return {};
}
