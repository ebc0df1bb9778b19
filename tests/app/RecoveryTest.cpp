// Recovery copies: their bytes on disk, and the main window keeping them
// and offering them back after the program died.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/FileError.h"
#include "app/FakeUi.h"
#include "app/RecoveryFixture.h"
#include "app/RecoveryFile.h"
#include "app/RecoveryJournal.h"
#include "app/Unit1.h"
#include "bench/TextGen.h"
#include "common/Doc.h"

namespace {

// Random rows of CP932 characters with CR ends, and random records.
void FillRandomly(TCustomAFEdit& E, std::mt19937& Rng) {
  const auto pick = [&](int N) { return static_cast<int>(Rng() % static_cast<unsigned>(N)); };
  TestUtil::Rows rows(static_cast<size_t>(1 + pick(30)));
  for (std::string& r : rows) {
    for (int n = pick(40); n > 0; --n) r += pick(3) ? std::string(1, static_cast<char>('a' + pick(26))) : "\x93\xFA";
    if (&r != &rows.back() && pick(2)) r += '\r';
  }
  TestUtil::SetRows(E, rows);
  for (int r = 0; r < E.RowCount(); ++r) {
    TLineAttr& a = E.LineAttrs().GetAttr(r);
    a.TextColor = static_cast<TColor>(Rng() & 0xFFFFFF);
    a.BackColor = pick(2) ? clWindow : static_cast<TColor>(Rng() & 0xFFFFFF);
    a.Indent = static_cast<int16_t>(pick(8));
    a.WrapPos = static_cast<int16_t>(20 + pick(60));
  }
}

struct Folder : ::testing::Test {
  QTemporaryDir Dir;
  std::string File(const std::string& Name) const { return Dir.filePath(QString::fromStdString(Name)).toStdString(); }
  QStringList Names() const { return QDir(Dir.path()).entryList(QDir::Files, QDir::Name); }
};

using RecoveryFile = Folder;

// Any document comes back whole with what the copy says about it; any
// single damaged or missing byte makes the copy broken, never half read.
TEST_F(RecoveryFile, RoundTripAndEveryDamageIsCaught) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TAFEdit e;
    FillRandomly(e, rng);
    const TRecoveryInfo info{"p1r2", round % 2 ? "/tmp/文書.txt" : "", static_cast<int>(rng() % 2),
                             {3, 4, static_cast<int64_t>(rng() % 1000), 123456789}, round % 3 - 1,
                             {static_cast<int>(rng() % 9), static_cast<int>(rng() % 9)}};
    const TRecoverySnapshot s = TakeSnapshot(e, info);
    WriteRecoveryCopy(File("c.recovery"), "c.tmp", s);
    EXPECT_EQ(Names(), QStringList{"c.recovery"});

    TRecoveryCopy copy;
    ASSERT_EQ(ReadRecoveryCopy(File("c.recovery"), copy), TCopyState::Good);
    EXPECT_EQ(copy.Info, info);
    EXPECT_EQ(copy.Document, BinaryBytes(e));  // rows and records exactly

    const std::string bytes = ReadAll(File("c.recovery"));
    const size_t at = rng() % bytes.size();
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ (1 + rng() % 255));
    TRecoveryCopy out;
    EXPECT_EQ(DecodeRecoveryCopy(damaged, out), TCopyState::Broken) << "byte " << at;
    EXPECT_EQ(DecodeRecoveryCopy(std::string_view(bytes).substr(0, at), out), TCopyState::Broken) << at;
  }
  TRecoveryCopy none;
  EXPECT_EQ(ReadRecoveryCopy(File("missing"), none), TCopyState::Missing);
}

void Put32At(std::string& S, size_t At, uint32_t V) {
  for (int i = 0; i < 4; ++i) S[At + i] = static_cast<char>(V >> (8 * i));
}

// Fields that do not agree are caught even under checks that agree: the
// copy is broken as a whole.
TEST_F(RecoveryFile, FieldsOutOfPlaceUnderGoodChecksAreBroken) {
  TAFEdit e;
  TestUtil::SetRows(e, {"a\r", "b"});
  TRecoveryInfo info;
  info.Owner = "o";
  WriteRecoveryCopy(File("c.recovery"), "c.tmp", TakeSnapshot(e, info));
  const std::string good = ReadAll(File("c.recovery"));
  // Offsets in the payload, owner "o" and no path: the path's length, the
  // document's length, and the row count in the document's header.
  for (const auto& [at, value] : {std::pair{5u, 0xFFFFFFF0u}, {61u, 999u}, {69u + 8u, 3u}}) {
    std::string bytes = good;
    Put32At(bytes, 32 + at, value);
    Put32At(bytes, 24, Crc32(bytes.data() + 32, bytes.size() - 32));
    Put32At(bytes, 12, Crc32(bytes.data() + 16, 16, Crc32(bytes.data(), 12)));
    TRecoveryCopy copy;
    EXPECT_EQ(DecodeRecoveryCopy(bytes, copy), TCopyState::Broken) << at;
  }
  TRecoveryCopy copy;
  EXPECT_EQ(DecodeRecoveryCopy(good, copy), TCopyState::Good);
}

TEST_F(RecoveryFile, AFailedWriteLeavesThePreviousCopy) {
  TAFEdit e;
  TestUtil::SetRows(e, {"old\r", "copy"});
  WriteRecoveryCopy(File("c.recovery"), "c.tmp", TakeSnapshot(e, {}));
  const std::string before = ReadAll(File("c.recovery"));
  // A row holding LF cannot be written in the binary style.
  TestUtil::SetRows(e, {"new\r", "a\nb"});
  EXPECT_THROW(WriteRecoveryCopy(File("c.recovery"), "c.tmp", TakeSnapshot(e, {})), EFileError);
  EXPECT_EQ(ReadAll(File("c.recovery")), before);
  EXPECT_EQ(Names(), QStringList{"c.recovery"});  // no temporary file left
  // A folder that is gone.
  EXPECT_THROW(WriteRecoveryCopy(File("gone/c.recovery"), "c.tmp", TakeSnapshot(e, {})), EFileError);
}

TEST(RecoveryNames, TellFilesAndOwnersApart) {
  const std::string a = CopyNameForPath("/home/u/メモ.txt");
  EXPECT_TRUE(a.starts_with("file-______.txt-")) << a;  // the readable part keeps plain bytes only
  EXPECT_NE(a, CopyNameForPath("/home/v/メモ.txt"));
  EXPECT_EQ(a, CopyNameForPath("/home/u/メモ.txt"));
  EXPECT_EQ(OwnerOfNewCopy(CopyNameForNew("p12r3f", 4)), "p12r3f");
  for (const char* other : {"file-a-1.recovery", "new-.recovery", "new-p1-1.recovery.1.broken", "p1r2.lock"})
    EXPECT_EQ(OwnerOfNewCopy(other), "") << other;
  // A relative or missing XDG_STATE_HOME falls back to the home folder.
  const QByteArray old = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", "relative");
  if (!qgetenv("HOME").isEmpty()) {
    EXPECT_EQ(RecoveryFolder(), qgetenv("HOME").toStdString() + "/.local/state/hotaru/recovery");
  }
  qputenv("XDG_STATE_HOME", "/state");
  EXPECT_EQ(RecoveryFolder(), "/state/hotaru/recovery");
  qputenv("XDG_STATE_HOME", old);
}

// ---- the main window keeping copies and offering them back ----

struct TFlowCase {
  const char* Steps;
  const char* Answers;  // comma-separated, in order
  const char* Log;
  const char* Text;     // the document afterwards: "doc", "doc!", "!", "" or "other"
  const char* File;     // doc.txt afterwards
  bool Edited;
  int Copies;           // recovery copies left
  const char* Caption = "doc.txt";
};

const TFlowCase kFlowCases[] = {
    // Kept while unsaved, gone once saved or given up
    {"doc edit copy", "", "", "doc!", "doc", true, 1},
    {"doc edit copy save", "", "", "doc!", "doc!", false, 0},
    {"doc edit copy undo copy", "", "", "doc", "doc", false, 0},
    {"doc edit copy close", "no", "ask", "doc!", "doc", true, 0},
    {"doc edit copy close", "cancel", "ask", "doc!", "doc", true, 1},
    {"doc edit copy close", "yes", "ask", "doc!", "doc!", false, 0},
    {"doc edit copy open", "no,other.txt", "ask open:開く", "other", "doc", false, 0, "other.txt"},
    {"edit copy new", "no", "ask", "", "doc", false, 0, "HotaruLE"},
    // Offered back after a crash: Yes restores it as edited, No removes it
    {"doc edit copy crash doc", "yes", "restore", "doc!", "doc", true, 1},
    {"doc edit copy crash doc save", "yes", "restore", "doc!", "doc!", false, 0},
    {"doc edit copy crash doc save crash doc", "yes", "restore", "doc!", "doc!", false, 0},
    {"doc edit copy crash doc", "no", "restore", "doc", "doc", false, 0},
    {"doc edit copy crash doc crash doc", "no", "restore", "doc", "doc", false, 0},
    {"doc edit copy crash doc edit undo", "yes", "restore", "doc!", "doc", true, 1},
    {"edit copy crash start", "yes", "restore", "!", "doc", true, 1, "Hotaru"},
    {"edit copy crash start", "no", "restore", "", "doc", false, 0, "Hotaru"},
    {"edit copy crash doc", "", "", "doc", "doc", false, 1},
    // Changed on disk since: the restored document still asks before overwriting
    {"doc edit copy crash touch doc save", "yes,no", "restore changed", "doc!", "other", true, 1},
    // A window that still runs keeps its copy to itself
    {"doc edit copy second", "", "", "doc!", "doc", true, 1},
    // A broken copy is set aside and told, and the file opens
    {"doc edit copy crash corrupt doc", "", "warn", "doc", "doc", false, 0},
};

void PrintTo(const TFlowCase& c, std::ostream* os) { *os << c.Steps << " / " << c.Answers; }

class Flow : public Recovery, public ::testing::WithParamInterface<TFlowCase> {};

TEST_P(Flow, Run) {
  const TFlowCase& c = GetParam();
  if (*c.Answers)
    for (const QString& a : QString::fromUtf8(c.Answers).split(QLatin1Char(','))) Ui.Answers.push_back(a.toStdString());
  for (const QString& step : QString::fromUtf8(c.Steps).split(QLatin1Char(' '))) Run(step.toStdString());

  const std::map<std::string, std::string> texts = {
      {"doc", kDoc}, {"doc!", kDoc + "!"}, {"!", "!"}, {"", ""}, {"other", "other"}};
  EXPECT_EQ(Ui.Log, c.Log);
  EXPECT_TRUE(Ui.Answers.empty());
  EXPECT_EQ(Form->AFEdit1->Text(), texts.at(c.Text));
  EXPECT_EQ(Read("doc.txt"), texts.at(c.File));
  EXPECT_EQ(Form->AFEdit1->Edited(), c.Edited);
  EXPECT_EQ(InFolder("*.recovery").size(), c.Copies) << InFolder("*").join(' ').toStdString();
  const QString caption = QString::fromUtf8(c.Caption);
  EXPECT_EQ(Form->windowTitle(), CaptionOf(c.Caption));
  EXPECT_EQ(Form->windowFilePath(), caption.contains(QLatin1Char('.')) ? Path(c.Caption) : QString());
  EXPECT_EQ(InFolder("*.tmp-*"), QStringList());
  EXPECT_EQ(Form->AFEdit1->CheckInvariants(), "");
}

INSTANTIATE_TEST_SUITE_P(Recovery, Flow, ::testing::ValuesIn(kFlowCases));

TEST_F(Recovery, ABrokenCopyIsKeptAsideAndTold) {
  for (const char* step : {"doc", "edit", "copy", "crash", "corrupt", "doc"}) Run(step);
  ASSERT_EQ(Ui.Warnings.size(), 1u);
  const QStringList kept = InFolder("*.broken");
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(QString::fromStdString(Ui.Warnings[0]),
            TRecovery::BrokenNotice(QString::fromStdString(State.Folder()) + "/" + kept[0]));
  Run("doc");  // nothing is offered again
  EXPECT_EQ(Ui.Log, "warn");
}

TEST_F(Recovery, TheRestoredDocumentHasItsLayoutAndCaret) {
  Run("doc");
  TAFEdit& e = *Form->AFEdit1;
  TestUtil::SetLayout(e, 30, 4);
  e.LineAttrs().GetAttr(1).TextColor = clMaroon;
  Run("edit");
  e.SetCaretPos({6, 1});  // "ab" after the indent of 4
  Run("copy");
  const std::string before = BinaryBytes(e);
  Ui.Answers = {"yes"};
  Run("crash");
  Run("doc");
  EXPECT_EQ(BinaryBytes(*Form->AFEdit1), before);
  EXPECT_EQ(Form->AFEdit1->Caret(), (TPoint{6, 1}));
}

TEST_F(Recovery, CopiesFollowPausesAndLongEditing) {
  Form->Recovery().SetTimes({40, 150});
  Run("doc");
  const auto copies = [&] { return InFolder("*.recovery").size(); };
  // Typing without a pause: the longest delay still brings a copy.
  QElapsedTimer t;
  t.start();
  while (copies() == 0 && t.elapsed() < 5000) {
    Run("edit");
    QTest::qWait(10);
  }
  EXPECT_EQ(copies(), 1);
  // After a pause the copy holds everything typed.
  Run("edit");
  EXPECT_TRUE(QTest::qWaitFor([&] {
    TRecoveryCopy c;
    return ReadRecovery(Form->Recovery().CopyFile(), c) == TCopyState::Good &&
           c.Document.find(Form->AFEdit1->RowText(1).str() + "\n") != std::string::npos;
  }, 2000));
  // Saved: the next due time removes nothing more and writes nothing.
  Run("save");
  QTest::qWait(100);
  Form->Recovery().WaitIdle();
  EXPECT_EQ(copies(), 0);
}

// A change between a snapshot's slices starts it again: the copy is the
// document as it is when the snapshot ends, never a mix of two states.
TEST_F(Recovery, AChangeBetweenSlicesStartsTheSnapshotAgain) {
  TAFEdit& e = *Form->AFEdit1;
  TRecovery& r = Form->Recovery();
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"a row taken", [&] { e.SetRowText(0, "changed\r", true); }},
      {"a row inserted", [&] { e.InsertRow(1, "new\r", e.LineAttrs().PeekAttr(1)); }},
      {"a row deleted", [&] { e.DeleteRow(0); }},
      {"a row not taken yet", [&] { e.SetRowText(15, "changed\r", true); }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    r.Discard();  // the next copy is a full one
    r.SetTimes({1 << 30, 1 << 30, 3, std::chrono::microseconds(0)});
    TestUtil::Rows rows;
    for (int i = 0; i < 20; ++i) rows.push_back("row " + std::to_string(i) + (i < 19 ? "\r" : ""));
    TestUtil::SetRows(e, rows);
    Run("edit");
    r.WriteDue();  // the first slice: three rows
    change();
    r.WaitIdle();
    TRecoveryCopy copy;
    ASSERT_EQ(ReadRecovery(r.CopyFile(), copy), TCopyState::Good);
    EXPECT_EQ(copy.Document, BinaryBytes(e));
  }
}

TEST_F(Recovery, ACopyThatCannotBeWrittenIsToldOnce) {
  Run("doc");
  // A folder where the copy should go: every write fails at the rename.
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Form->Recovery().CopyFile() + "/x")));
  for (const char* step : {"edit", "copy", "edit", "copy"}) Run(step);
  EXPECT_EQ(Ui.Log, "notice");
  ASSERT_EQ(Ui.Notices.size(), 1u);
  EXPECT_NE(Ui.Notices[0].find("回復用コピーを書き込めませんでした"), std::string::npos) << Ui.Notices[0];
  EXPECT_EQ(InFolder("*.tmp-*"), QStringList());
  EXPECT_EQ(Form->AFEdit1->Text(), kDoc + "!!");
}

// The real box: Enter takes the default Yes, and Escape (or closing the
// box) counts as Yes too; only the No button gives the copy up.
TEST_F(Recovery, OnlyNoDeclinesTheOffer) {
  TQtFormUi ui;
  const std::pair<std::function<void(QMessageBox*)>, bool> answers[] = {
      {[](QMessageBox* B) { QTest::keyClick(B, Qt::Key_Return); }, true},
      {[](QMessageBox* B) { QTest::keyClick(B, Qt::Key_Escape); }, true},
      {[](QMessageBox* B) { B->buttons()[1]->click(); }, false},
  };
  for (const auto& [answer, yes] : answers) {
    QTimer::singleShot(0, Form.get(), [&answer] {
      ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->buttons()[1]->text(), QStringLiteral("いいえ(&N)"));
      answer(box);
    });
    EXPECT_EQ(ui.Offer(Form.get(), TRecovery::kRestoreQuestion), yes);
  }
}

// The real notice of a copy that cannot be written: shown, but neither
// modal nor holding the keyboard, so what the user types still lands.
TEST_F(Recovery, TheNoticeLeavesTheKeyboardToTheEditor) {
  Form->show();
  Form->AFEdit1->setFocus();
  TQtFormUi().ShowNotice(Form.get(), QStringLiteral("x"));
  auto* box = Form->findChild<QMessageBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QTest::keyClicks(Form->AFEdit1, QStringLiteral("z"));
  EXPECT_EQ(Form->AFEdit1->Text(), "z");
  box->buttons()[0]->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Form->findChild<QMessageBox*>(), nullptr);
}

TEST_F(Recovery, LeftoversOfWritesCutShortGo) {
  // A temporary file of an owner that has gone, and one of a live owner.
  const std::string folder = State.Folder();
  WriteAll(folder + "/x.recovery.tmp-p1rdead", "partial");
  WriteAll(folder + "/y.recovery.tmp-" + Form->Recovery().Owner(), "writing");
  const TForm1 second(Ui);
  EXPECT_EQ(InFolder("*.tmp-*"), QStringList{QString::fromStdString("y.recovery.tmp-" + Form->Recovery().Owner())});
}

// Typing goes on while copies are written: nothing typed is lost, and the
// figures say how late keystrokes were handled, typing alone and with
// copies due every 200 ms.  HOTARU_RECOVERY_MIB sets the document's size
// (1 MiB by default) and HOTARU_RECOVERY_KEY_MS the time between
// keystrokes (1 ms by default); the measurement of a 64 MiB document is
//   HOTARU_RECOVERY_MIB=64 HOTARU_RECOVERY_KEY_MS=15 test_app
//     --gtest_filter='*TypingWhileCopiesAreWritten*'
TEST_F(Recovery, TypingWhileCopiesAreWrittenLosesNothing) {
  const size_t mib = std::max(1, qEnvironmentVariableIntValue("HOTARU_RECOVERY_MIB"));
  std::string text;
  bench::TextGen gen(5);
  while (text.size() < (mib << 20)) {
    gen.Prose(text, gen.LineLength());
    text += "\r\n";
  }
  Write("big.txt", text);
  text.clear();
  ASSERT_TRUE(Form->Commands().OpenFile(Path("big.txt"), 0));
  TAFEdit& e = *Form->AFEdit1;
  TRecovery& r = Form->Recovery();

  // Keystrokes every 15 ms; each one's lateness is how long after its
  // time it was handled.
  using Clock = std::chrono::steady_clock;
  const int interval = std::max(1, qEnvironmentVariableIntValue("HOTARU_RECOVERY_KEY_MS"));
  const auto type = [&](int Keys, std::chrono::microseconds& Longest, std::chrono::microseconds& Snapshot) {
    auto next = Clock::now();
    for (int k = 0; k < Keys; ++k) {
      next += std::chrono::milliseconds(interval);
      while (Clock::now() < next) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        Snapshot = std::max(Snapshot, r.LastSnapshotTime());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      QTest::keyClick(&e, Qt::Key_A);
      Longest = std::max(Longest, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - next));
    }
  };
  std::chrono::microseconds alone{0}, withCopies{0}, snapshot{0}, none{0};
  r.SetTimes({1 << 30, 1 << 30});
  type(100, alone, none);
  r.SetTimes({50, 200});
  type(200, withCopies, snapshot);
  r.WriteDue();
  r.WaitIdle();

  TRecoveryCopy copy;
  ASSERT_EQ(ReadRecovery(r.CopyFile(), copy), TCopyState::Good);
  EXPECT_EQ(copy.Document, BinaryBytes(e));
  EXPECT_EQ(TestUtil::Joined(e).substr(0, 300), std::string(300, 'a'));
  std::printf("%zu MiB, %d rows: longest keystroke delay %.1f ms typing alone, %.1f ms while copies are "
              "written; longest snapshot %.1f ms\n",
              mib, e.RowCount(), alone.count() / 1000.0, withCopies.count() / 1000.0, snapshot.count() / 1000.0);
}

}  // namespace
