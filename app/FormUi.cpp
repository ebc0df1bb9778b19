#include "app/FormUi.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>

#include "AFEdit/platform/FileError.h"

namespace {

// The widest texts the file dialog's detail columns usually show: a size,
// a file type, a date and time, as the file system model writes them.
QStringList ColumnSamples(int Column) {
  const QLocale locale;
  switch (Column) {
    case 1: return {locale.formattedDataSize(1048565760), locale.formattedDataSize(1047552)};  // 999.99 MiB, 1023.00 KiB
    case 2: {
      // The MIME types' descriptions, in the user's language.
      const QMimeDatabase types;
      QStringList out;
      for (const char* t : {"text/plain", "text/html", "text/x-csrc", "inode/directory"})
        out << types.mimeTypeForName(QString::fromLatin1(t)).comment();
      return out;
    }
    case 3: return {locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat)};
    default: return {};
  }
}

// Widens the detail view's size, type and date columns to their usual
// contents (never narrower than the user left them) and the window to show
// them beside a readable name column.
void SizeFileDialog(QFileDialog& Dialog) {
  auto* view = Dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;  // the desktop's own dialog sizes itself
  QHeaderView* header = view->header();
  const QFontMetrics items(view->font());
  const QFontMetrics labels(header->font());
  // Room for the cell's margins and the header's sort arrow.
  const int pad = 2 * items.averageCharWidth() + 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin) +
                  view->style()->pixelMetric(QStyle::PM_HeaderMarkSize);
  int others = 0;
  for (int c = 1; c < header->count(); ++c) {
    int w = labels.horizontalAdvance(view->model()->headerData(c, Qt::Horizontal).toString());
    for (const QString& s : ColumnSamples(c)) w = std::max(w, items.horizontalAdvance(s));
    header->resizeSection(c, std::max(header->sectionSize(c), w + pad));
    others += header->sectionSize(c);
  }
  // The name column: about 40 characters; the places list beside it.
  header->resizeSection(0, std::max(header->sectionSize(0), 40 * items.averageCharWidth()));
  QSize want(others + header->sectionSize(0) + 30 * items.averageCharWidth(), 30 * items.height());
  if (const QScreen* screen = Dialog.screen()) want = want.boundedTo(screen->availableGeometry().size());
  Dialog.resize(Dialog.size().expandedTo(want));
}

}  // namespace

void PrepareFileDialog(QFileDialog& Dialog, const TFileDialogSpec& D, bool Save) {
  Dialog.setWindowTitle(D.Title);
  Dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  Dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The descriptions already name their patterns.
  Dialog.setOption(QFileDialog::HideNameFilterDetails);
  Dialog.setNameFilters(QtNameFilters(D.Filter));
  Dialog.setDefaultSuffix(D.DefaultExt);
  if (!D.Directory.isEmpty()) Dialog.setDirectory(D.Directory);
  if (!D.FileName.isEmpty()) Dialog.selectFile(D.FileName);
  SizeFileDialog(Dialog);
}

namespace {

QString RunFileDialog(QWidget* Owner, const TFileDialogSpec& D, bool Save) {
  QFileDialog dialog(Owner);
  PrepareFileDialog(dialog, D, Save);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

// Japanese words for the reasons a file operation commonly fails.
const char* JapaneseReason(int Errno) {
  switch (Errno) {
    case ENOENT: return "ファイルまたはフォルダーが見つかりません";
    case EACCES: return "アクセスが拒否されました";
    case EPERM: return "この操作は許可されていません";
    case EISDIR: return "フォルダーです";
    case ENOTDIR: return "パスの途中にフォルダーでないものがあります";
    case ENOSPC: return "ディスクの空き容量が足りません";
    case EDQUOT: return "ディスクの使用量の上限を超えました";
    case EROFS: return "読み取り専用のファイルシステムです";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case ELOOP: return "シンボリックリンクが多すぎます";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case EIO: return "入出力エラーが起きました";
    case EFBIG: return "ファイルが大きすぎます";
    case ENOMEM: return "メモリーが足りません";
    case ETXTBSY: return "ファイルが使用中です";
    default: return nullptr;
  }
}

}  // namespace

QString TQtFormUi::OpenFileName(QWidget* Owner, const TFileDialogSpec& Dialog) {
  return RunFileDialog(Owner, Dialog, false);
}

QString TQtFormUi::SaveFileName(QWidget* Owner, const TFileDialogSpec& Dialog) {
  return RunFileDialog(Owner, Dialog, true);
}

TAnswer TQtFormUi::Confirm(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), Text, QMessageBox::NoButton, Owner);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == yes) return TAnswer::Yes;
  if (box.clickedButton() == no) return TAnswer::No;
  return TAnswer::Cancel;
}

bool TQtFormUi::AskYesNo(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("確認"), Text, QMessageBox::NoButton, Owner);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  // These questions guard against losing something: the safe answer is
  // the one a stray Enter or Escape gives.
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

bool TQtFormUi::Offer(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), Text, QMessageBox::NoButton, Owner);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  // Only a deliberate No gives up what is offered.
  box.setEscapeButton(yes);
  box.exec();
  return box.clickedButton() != no;
}

namespace {

// A message box titled with the program's name and one OK button.
QMessageBox* MessageBox(QMessageBox::Icon Icon, QWidget* Owner, const QString& Text) {
  auto* box = new QMessageBox(Icon, QApplication::applicationName(), Text, QMessageBox::NoButton, Owner);
  box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  return box;
}

}  // namespace

void TQtFormUi::ShowError(QWidget* Owner, const QString& Text) {
  std::unique_ptr<QMessageBox>(MessageBox(QMessageBox::Critical, Owner, Text))->exec();
}

void TQtFormUi::ShowWarning(QWidget* Owner, const QString& Text) {
  std::unique_ptr<QMessageBox>(MessageBox(QMessageBox::Warning, Owner, Text))->exec();
}

void TQtFormUi::ShowNotice(QWidget* Owner, const QString& Text) {
  QMessageBox* box = MessageBox(QMessageBox::Warning, Owner, Text);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  QObject::connect(box, &QDialog::finished, box, &QObject::deleteLater);
  box->show();
}

bool TQtFormUi::AskLineNumber(QWidget* Owner, int Count, int& Line) {
  bool ok = false;
  // The range is not limited to Count: a number past the end is taken and
  // the caller says where it went instead.
  const int n = QInputDialog::getInt(Owner, QStringLiteral("指定行へ移動"),
                                     QStringLiteral("行番号 (1 - %1):").arg(Count), Line, 1, INT_MAX, 1, &ok);
  if (ok) Line = n;
  return ok;
}

void TQtFormUi::ShowAbout(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("バージョン情報"), Text, QMessageBox::NoButton, Owner);
  box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

QStringList QtNameFilters(const QString& Filter) {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns)
      if (p.trimmed() == QLatin1String("*.*")) p = QStringLiteral("*");
    out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out;
}

QString FileErrorText(const EFileError& E) {
  QString text = QString::fromStdString(E.what());
  const char* reason = JapaneseReason(E.SysError());
  const QString systemReason = QString::fromStdString(E.Reason());
  if (reason && text.endsWith(systemReason)) {
    text.chop(systemReason.size());
    text += QString::fromUtf8(reason);
  }
  return text;
}
