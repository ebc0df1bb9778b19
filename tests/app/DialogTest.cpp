// Qt's own dialog texts in the user's language, and the file dialog's
// columns wide enough for what they show.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeView>

#include "app/FileCommands.h"
#include "app/FormUi.h"
#include "app/QtTexts.h"

namespace {

// Qt's translation for a locale installed for the test's lifetime, with
// that locale as the default (as LANG makes it at start-up).
class TQtTextsFor {
public:
  explicit TQtTextsFor(const char* Locale) : FLocale(SetDefault(Locale)) {
    Loaded = LoadQtTexts(FTranslator, FLocale);
    if (Loaded) QCoreApplication::installTranslator(&FTranslator);
    if (!FSupplement.isEmpty()) QCoreApplication::installTranslator(&FSupplement);
  }
  ~TQtTextsFor() {
    QCoreApplication::removeTranslator(&FSupplement);
    QCoreApplication::removeTranslator(&FTranslator);
    QLocale::setDefault(QLocale::c());
  }
  TQtTextsFor(const TQtTextsFor&) = delete;
  TQtTextsFor& operator=(const TQtTextsFor&) = delete;
  bool Loaded = false;

private:
  static QLocale SetDefault(const char* Locale) {
    QLocale::setDefault(QLocale(QString::fromLatin1(Locale)));
    return QLocale();
  }
  QLocale FLocale;
  QTranslator FTranslator;
  TQtTextsSupplement FSupplement{FLocale};
};

TEST(QtTexts, JapaneseLocaleGetsJapaneseButtons) {
  {
    const TQtTextsFor ja("ja_JP");
    ASSERT_TRUE(ja.Loaded) << "no qtbase_ja in " << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString()
                           << " (Debian: qt6-translations-l10n)";
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "キャンセル");
  }
  QDialogButtonBox box(QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Cancel");
}


// The offscreen platform cannot size a window's frame and says so; every
// other message still counts.
QtMessageHandler gOuter = nullptr;
void SkipFrameNotices(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (!Text.startsWith(QLatin1String("This plugin does not support"))) gOuter(Type, Context, Text);
}

class FileDialog : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override { gOuter = qInstallMessageHandler(SkipFrameNotices); }
  void TearDown() override { qInstallMessageHandler(gOuter); }
};

// A folder with a file of some hundred KiB and a subfolder, shown in the
// detail view: every cell of the size, type and date columns fits.
TEST_P(FileDialog, ColumnsShowTheirContentsWhole) {
  const TQtTextsFor texts(GetParam());
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // The dialog keeps its state in the user's settings: a fresh place.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
  QFile big(dir.filePath("a-file-of-a-long-name.txt"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(138000, 'x'));
  big.close();
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));

  QFileDialog dialog;
  PrepareFileDialog(dialog, {QStringLiteral("開く"), TFileCommands::kFilter, {}, {}, {}}, false);
  dialog.setDirectory(dir.path());
  dialog.setViewMode(QFileDialog::Detail);
  dialog.show();
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }, 5000));
  QTest::qWait(50);
  // The widest cell of a column, as the view measures it.
  const QAbstractItemView* cells = view;
  for (int c = 0; c < view->header()->count(); ++c)
    EXPECT_LE(cells->sizeHintForColumn(c), view->header()->sectionSize(c))
        << view->model()->headerData(c, Qt::Horizontal).toString().toStdString();
  // The folder's kind in the dialog's language.
  const QModelIndex folder = view->model()->index(0, 2, view->rootIndex());
  EXPECT_EQ(folder.data().toString(), GetParam() == std::string("C") ? "Folder" : "フォルダー");
}

INSTANTIATE_TEST_SUITE_P(App, FileDialog, ::testing::Values("C", "ja_JP"));

}  // namespace
