// The app tests' fixture for recovery copies: a window over a temporary
// folder and state home, driven by named steps.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "AFEdit/AFEdit.h"
#include "app/FakeUi.h"
#include "app/RecoveryFile.h"
#include "app/Unit1.h"

namespace {

std::string ReadAll(const std::string& File) {
  QFile f(QString::fromStdString(File));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<none>";
}

void WriteAll(const std::string& File, const std::string& Bytes) {
  QFile f(QString::fromStdString(File));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(Bytes.data(), static_cast<qint64>(Bytes.size()));
}

[[maybe_unused]] std::string BinaryBytes(TCustomAFEdit& E) {
  std::ostringstream out;
  E.SaveToStream(out, lmBinary);
  return out.str();
}

const std::string kDoc = "\x93\xFA\x96\x7B\r\nabc";  // 日本, then "abc"

class Recovery : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    Write("doc.txt", kDoc);
    Write("other.txt", "other");
    Start();
  }
  QString Path(const std::string& Name) const { return Dir.filePath(QString::fromStdString(Name)); }
  void Write(const std::string& Name, const std::string& Bytes) const { WriteAll(Path(Name).toStdString(), Bytes); }
  std::string Read(const std::string& Name) const { return ReadAll(Path(Name).toStdString()); }
  // A new window, as a new start of the program.
  void Start() {
    Form = std::make_unique<TForm1>(Ui);
    Form->show();
  }
  QStringList InFolder(const QString& Pattern) const {
    return QDir(QString::fromStdString(State.Folder())).entryList({Pattern}, QDir::Files);
  }
  void Run(const std::string& Step) {
    TAFEdit& e = *Form->AFEdit1;
    TRecovery& r = Form->Recovery();
    if (Step == "doc") {
      Form->Commands().OpenFile(Path("doc.txt"), 0);
    } else if (Step == "edit") {
      e.SetRowText(e.RowCount() - 1, e.RowText(e.RowCount() - 1).str() + "!", true);
    } else if (Step == "copy") {
      r.WriteDue();
      r.WaitIdle();
    } else if (Step == "crash") {  // the window goes without closing, as when killed
      Form.reset();
      Start();
    } else if (Step == "start") {
      Form->OpenCommandLine({"Hotaru"});
    } else if (Step == "corrupt") {
      const QStringList copies = InFolder("*.recovery");
      ASSERT_EQ(copies.size(), 1);
      const std::string file = State.Folder() + "/" + copies[0].toStdString();
      std::string bytes = ReadAll(file);
      bytes[bytes.size() - 30] ^= 1;
      WriteAll(file, bytes);
    } else if (Step == "touch") {
      Write("doc.txt", "other");
    } else if (Step == "second") {  // another window, still running, opens the file
      TForm1 second(Ui);
      second.Commands().OpenFile(Path("doc.txt"), 0);
      EXPECT_EQ(second.AFEdit1->Text(), kDoc);
    } else if (Step == "undo") {
      e.Undo();
    } else {
      const std::map<std::string, QAction*> items = {{"new", Form->New1}, {"open", Form->Open1},
                                                     {"save", Form->Save1}, {"close", Form->Exit1}};
      items.at(Step)->trigger();
    }
    if (Form) Form->Recovery().WaitIdle();
  }

  TFrameNoticesSkipped Notices;
  QTemporaryDir Dir;
  TStateHome State;
  TSettingsHome Settings;
  TFakeUi Ui{Dir};
  std::unique_ptr<TForm1> Form;
};

}  // namespace
