#include "app/Unit2.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <string>

#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/FileError.h"
#include "AFEdit/platform/PosixFile.h"
#include "app/FormDesign.h"
#include "app/FormUi.h"

#ifndef HOTARU_DATA_FROM_BIN
#define HOTARU_DATA_FROM_BIN "../share/hotaru"
#endif

namespace {

const QString kReadme = QStringLiteral("Readme.txt");

std::string ReadAllBytes(const std::string& Path) {
  const TFd fd = OpenForReading(Path);
  std::string data;
  char buf[65536];
  while (const size_t got = ReadFd(fd.get(), buf, sizeof buf, Path)) data.append(buf, got);
  return data;
}

// CP932 text with any line ends as the text box's lines.
QString LinesOf(const std::string& Bytes) {
  QString text = Cp932ToQString(Bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text;
}

}  // namespace

QStringList TForm2::ReadmePaths() {
  const QDir bin(QCoreApplication::applicationDirPath());
  return {QDir::current().filePath(kReadme), bin.filePath(kReadme),
          QDir::cleanPath(bin.filePath(QStringLiteral(HOTARU_DATA_FROM_BIN "/Readme.txt")))};
}

TForm2::TForm2(TFormUi& Ui, QWidget* Parent) : QWidget(Parent, Qt::Window) {
  setWindowTitle(QStringLiteral("ヘルプ"));
  setFont(FormFont());
  move(250, 147);
  resize(ClientWidthOf(292), ClientHeightOf(172));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  // The text fills the window and follows its size.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(QStringLiteral("Memo1"));

  // The first place that has the file; when none has, the error names the
  // current directory's.
  const QStringList paths = ReadmePaths();
  QString path = paths.front();
  for (const QString& p : paths) {
    if (QFileInfo::exists(p)) {
      path = p;
      break;
    }
  }
  try {
    Memo1->setPlainText(LinesOf(ReadAllBytes(QFile::encodeName(path).toStdString())));
  } catch (const EFileError& e) {
    Ui.ShowError(nullptr, FileErrorText(e));
  }
}
