#include "app/FormUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cerrno>

#include "AFEdit/platform/FileError.h"

namespace {

QString RunFileDialog(QWidget* Owner, const TFileDialogSpec& D, bool Save) {
  QFileDialog dialog(Owner, D.Title);
  dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The descriptions already name their patterns.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(QtNameFilters(D.Filter));
  dialog.setDefaultSuffix(D.DefaultExt);
  if (!D.FileName.isEmpty()) dialog.selectFile(D.FileName);
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

void TQtFormUi::ShowError(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), Text, QMessageBox::NoButton, Owner);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

void TQtFormUi::ShowWarning(QWidget* Owner, const QString& Text) {
  QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), Text, QMessageBox::NoButton, Owner);
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
