// Offering copies back: every window keeps a copy of its own, and several
// copies are offered together in one list.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include "app/RecoveryFixture.h"
#include "common/Doc.h"

namespace {

struct RecoveryOffer : Recovery {
  // A second window, as another start of the program on the same files.
  std::unique_ptr<TForm1> Other = std::make_unique<TForm1>(Ui);

  // Types Suffix at the end of doc.txt in Window and writes its copy.
  static void EditAndCopy(TForm1& Window, const std::string& Suffix) {
    TAFEdit& e = *Window.AFEdit1;
    e.SetRowText(e.RowCount() - 1, e.RowText(e.RowCount() - 1).str() + Suffix, true);
    Window.Recovery().WriteDue();
    Window.Recovery().WaitIdle();
  }
  // Makes File look written Seconds ago.
  static void Age(const std::string& File, int Seconds) {
    struct stat st {};
    ASSERT_EQ(::stat(File.c_str(), &st), 0);
    const timespec times[2] = {st.st_atim, {st.st_mtim.tv_sec - Seconds, st.st_mtim.tv_nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, File.c_str(), times, 0), 0);
  }
  // The windows the restore opened besides Form and Other.
  static std::vector<TForm1*> MoreWindows(const std::vector<const TForm1*>& Known) {
    std::vector<TForm1*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<TForm1*>(w); f && std::find(Known.begin(), Known.end(), f) == Known.end())
        out.push_back(f);
    return out;
  }
  void TearDown() override {
    for (TForm1* f : MoreWindows({Form.get(), Other.get()})) delete f;
  }
};

// Two windows on one file: each keeps its own copy, and saving in one
// removes only its own.
TEST_F(RecoveryOffer, SavingInOneWindowLeavesTheOthersCopy) {
  Run("doc");
  Other->Commands().OpenFile(Path("doc.txt"), 0);
  EditAndCopy(*Form, "!");
  EditAndCopy(*Other, "?");
  EXPECT_EQ(InFolder("file-*.recovery").size(), 2);
  Other->Save1->trigger();
  Other->Recovery().WaitIdle();
  EXPECT_EQ(Read("doc.txt"), kDoc + "?");
  ASSERT_EQ(InFolder("file-*.recovery").size(), 1);
  TRecoveryCopy copy;
  ASSERT_EQ(ReadRecoveryCopy(Form->Recovery().CopyFile(), copy), TCopyState::Good);
  EXPECT_NE(copy.Document.find(Form->AFEdit1->RowText(1).str() + "\n"), std::string::npos);
}

struct TBothCase {
  const char* Answer;
  const char* Here;   // the text restored in the window, or "" when none
  const char* There;  // the text of a window opened for the other copy
  int Copies;         // copies left in the folder
};

// Both windows died: the file's copies are listed newest first, and the
// user takes one, both, none for now, or gives them up.
TEST_F(RecoveryOffer, CopiesOfBothWindowsAreListedNewestFirst) {
  const TBothCase cases[] = {
      {"0", "?", "", 2},    // the newest here; the other stays for later
      {"1", "!", "", 2},
      {"all", "?", "!", 2},  // each one in a window, as each window's copy
      {"later", "", "", 2},
      {"discard", "", "", 0},
  };
  for (const TBothCase& c : cases) {
    SCOPED_TRACE(c.Answer);
    for (const QString& n : InFolder("*.recovery")) QFile::remove(QString::fromStdString(State.Folder()) + "/" + n);
    Run("doc");
    Other->Commands().OpenFile(Path("doc.txt"), 0);
    EditAndCopy(*Form, "!");
    EditAndCopy(*Other, "?");
    Age(Form->Recovery().CopyFile(), 60);
    Other = std::make_unique<TForm1>(Ui);
    Run("crash");
    Ui.Log.clear();
    Ui.ChooseItems.clear();
    Ui.Answers = {c.Answer};
    Run("doc");
    EXPECT_EQ(Ui.Log, "choose:2");
    ASSERT_EQ(Ui.ChooseItems.size(), 1u);
    EXPECT_TRUE(Ui.ChooseItems[0][0].endsWith(QString::fromUtf8("日本")));
    EXPECT_LT(Ui.ChooseItems[0][1], Ui.ChooseItems[0][0]);  // older, by its time
    EXPECT_EQ(Form->AFEdit1->Text(), kDoc + c.Here);
    const std::vector<TForm1*> more = MoreWindows({Form.get(), Other.get()});
    ASSERT_EQ(more.size(), *c.There ? 1u : 0u);
    if (*c.There) {
      more[0]->Recovery().WaitIdle();
      EXPECT_EQ(more[0]->AFEdit1->Text(), kDoc + c.There);
      EXPECT_EQ(more[0]->windowFilePath(), Path("doc.txt"));
      delete more[0];  // as if killed: its copy stays
    }
    EXPECT_EQ(InFolder("*.recovery").size(), c.Copies);
    Run("crash");
  }
}

// Copies in the one name all windows of a file shared before are still
// offered.
TEST_F(RecoveryOffer, ACopyInTheOldNameIsStillOffered) {
  for (const char* step : {"doc", "edit", "copy"}) Run(step);
  const std::string old = State.Folder() + "/" + CopyNameForPath(Path("doc.txt").toStdString());
  ASSERT_EQ(::rename(Form->Recovery().CopyFile().c_str(), old.c_str()), 0);
  Run("crash");
  Ui.Answers = {"yes"};
  Run("doc");
  EXPECT_EQ(Ui.Log, "restore");
  EXPECT_EQ(Form->AFEdit1->Text(), kDoc + "!");
}

// Many new documents left by programs that died come in one list, each
// with its time and first line.
TEST_F(RecoveryOffer, ManyNewDocumentsAreOfferedInOneList) {
  constexpr int kCopies = 300;
  TAFEdit e;
  for (int i = 0; i < kCopies; ++i) {
    TestUtil::SetRows(e, {"\x95\xB6\x8F\x91 " + std::to_string(i) + "\r", "more"});  // 文書 i
    TRecoveryInfo info;
    info.Owner = "p1rgone" + std::to_string(i);
    const std::string file = State.Folder() + "/" + CopyNameForNew(info.Owner, 1);
    WriteAll(file, EncodeRecoveryCopy(TakeSnapshot(e, info)));
    Age(file, i);  // the list runs 文書 0, 文書 1, ...
  }
  const std::pair<const char*, const char*> answers[] = {{"later", ""}, {"7", "文書 7"}, {"discard", ""}};
  for (const auto& [answer, text] : answers) {
    SCOPED_TRACE(answer);
    Ui.Log.clear();
    Ui.ChooseItems.clear();
    Ui.Answers = {answer};
    Run("crash");
    Run("start");
    EXPECT_EQ(Ui.Log, std::string(answer) == "discard" ? "" : "choose:300");
    if (std::string(answer) == "discard") break;
    ASSERT_EQ(Ui.ChooseItems.size(), 1u);
    for (const QString& item : Ui.ChooseItems[0])
      EXPECT_TRUE(item.contains(QString::fromUtf8("文書 "))) << item.toStdString();
    if (*text) {
      EXPECT_EQ(Form->AFEdit1->Text(), "\x95\xB6\x8F\x91 7\r\nmore");
      Ui.Answers = {"discard"};
      Run("crash");
      Run("start");
    }
  }
  EXPECT_EQ(InFolder("new-*").size(), 0);
}

struct TDialogCase {
  const char* Button;  // its text starts so
  int Select;          // a row also selected, or -1
  TRestoreChoice::TAction Action;
  std::vector<int> Items;
};

// The real list: the newest is chosen at first; each button does what it
// says, and closing the box decides later.
TEST_F(RecoveryOffer, TheRealListDoesWhatItsButtonsSay) {
  const TDialogCase cases[] = {
      {"選んだ", -1, TRestoreChoice::Restore, {0}},
      {"選んだ", 2, TRestoreChoice::Restore, {0, 2}},
      {"すべて復元", -1, TRestoreChoice::Restore, {0, 1, 2}},
      {"すべて破棄", -1, TRestoreChoice::Discard, {}},
      {"後で", -1, TRestoreChoice::Later, {}},
      {"", -1, TRestoreChoice::Later, {}},  // Escape
  };
  TQtFormUi ui;
  for (const TDialogCase& c : cases) {
    SCOPED_TRACE(c.Button);
    QTimer::singleShot(0, Form.get(), [&c] {
      ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
      QWidget* box = QApplication::activeModalWidget();
      auto* list = box->findChild<QListWidget*>();
      ASSERT_NE(list, nullptr);
      if (c.Select >= 0) list->item(c.Select)->setSelected(true);
      if (!*c.Button) {
        QTest::keyClick(box, Qt::Key_Escape);
        return;
      }
      for (QAbstractButton* b : box->findChild<QDialogButtonBox*>()->buttons())
        if (b->text().startsWith(QString::fromUtf8(c.Button))) b->click();
    });
    const TRestoreChoice got = ui.ChooseRestore(Form.get(), QStringLiteral("x"), {"a", "b", "c"});
    EXPECT_EQ(got.Action, c.Action);
    EXPECT_EQ(got.Items, c.Items);
  }
}

}  // namespace
