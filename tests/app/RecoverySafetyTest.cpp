// Recovery copies against hostile folders and entries: what lies at a
// copy's name is never trusted, and a folder another user controls is not
// used at all.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "AFEdit/platform/FileError.h"
#include "app/RecoveryFixture.h"
#include "app/RecoveryFolder.h"
#include "common/Doc.h"
#include "common/PosixTest.h"

namespace {

uid_t OrdinaryUid() {
  const passwd* p = ::getpwnam("nobody");
  return p ? p->pw_uid : 65534;
}

// Makes Path belong to the user AsOrdinaryUser runs as (no change when the
// test does not run as root: that user is the test's own).
void GiveToOrdinaryUser(const std::string& Path) {
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown(Path.c_str(), OrdinaryUid(), static_cast<gid_t>(-1)), 0) << Path;
  }
}

mode_t ModeOf(const std::string& Path) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TRecoverySnapshot SmallSnapshot(TAFEdit& E) {
  TestUtil::SetRows(E, {"a\r", "b"});
  TRecoveryInfo info;
  info.Owner = "p1r1";
  return TakeSnapshot(E, info);
}

struct THostileCase {
  const char* Name;
  std::function<void(const std::string& Copy, const std::string& Good)> Make;
};

// Whatever lies at a copy's name, reading it ends at once: only a regular
// file of this user, read no further than its header promises, is a copy.
TEST(RecoveryHostile, EntriesThatAreNoCopyAreRefusedAtOnce) {
  QTemporaryDir dir;
  const std::string good = dir.filePath("good.recovery").toStdString();
  TAFEdit e;
  WriteRecoveryCopy(good, "good.tmp", SmallSnapshot(e));
  const std::string bytes = ReadAll(good);
  const THostileCase cases[] = {
      {"fifo", [](const std::string& C, const std::string&) { ASSERT_EQ(::mkfifo(C.c_str(), 0600), 0); }},
      {"link to a device", [](const std::string& C, const std::string&) { ASSERT_EQ(::symlink("/dev/zero", C.c_str()), 0); }},
      {"link to a good copy", [](const std::string& C, const std::string& G) { ASSERT_EQ(::symlink(G.c_str(), C.c_str()), 0); }},
      {"bytes beyond the promised length",
       [&bytes](const std::string& C, const std::string&) { WriteAll(C, bytes + "more"); }},
      {"another user's copy",
       [&bytes](const std::string& C, const std::string&) {
         WriteAll(C, bytes);
         GiveToOrdinaryUser(C);
       }},
  };
  for (const THostileCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (std::string(c.Name) == "another user's copy" && ::geteuid() != 0) continue;  // needs a second owner
    const std::string copy = dir.filePath(QString::fromUtf8(c.Name).replace(' ', '_') + ".recovery").toStdString();
    c.Make(copy, good);
    const TestUtil::TFifoUnblocker unblock(copy);
    QElapsedTimer t;
    t.start();
    TRecoveryCopy out;
    EXPECT_EQ(ReadRecoveryCopy(copy, out), TCopyState::Broken);
    EXPECT_LT(t.elapsed(), 1000);
    // Listing the folder neither opens nor counts it.
    for (const TFolderEntry& f : ListFolder(dir.path().toStdString(), "", ".recovery"))
      EXPECT_TRUE(f.Name.find("fifo") == std::string::npos && f.Name.find("link") == std::string::npos) << f.Name;
  }
  TRecoveryCopy out;
  EXPECT_EQ(ReadRecoveryCopy(good, out), TCopyState::Good);
}

// A temporary file is only ever made anew: a name planted before it (a link
// to one of the user's files) makes the write fail and leaves that file.
TEST(RecoveryHostile, ATemporaryNameTakenBeforeIsNotWrittenThrough) {
  QTemporaryDir dir;
  ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
  const std::string folder = dir.filePath("recovery").toStdString();
  const std::string victim = dir.filePath("victim.txt").toStdString();
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  GiveToOrdinaryUser(dir.path().toStdString());
  // Another user (here: the test, or root) links the temporary name.
  ASSERT_EQ(::symlink(victim.c_str(), (folder + "/c.tmp").c_str()), 0);
  TAFEdit e;
  const TRecoverySnapshot s = SmallSnapshot(e);
  const std::string result = TestUtil::AsOrdinaryUser([&] {
    WriteAll(victim, "mine");
    std::string out = PrepareRecoveryFolder(folder).empty() ? "accepted " : "refused ";
    try {
      WriteRecoveryCopy(folder + "/c.recovery", "c.tmp", s);
      out += "written ";
    } catch (const EFileError&) {
      out += "failed ";
    }
    return out + ReadAll(victim);
  });
  EXPECT_EQ(result, "refused failed mine");
}

struct TFolderCase {
  const char* Name;
  mode_t StateMode, FolderMode;  // 0: missing
  bool Theirs;                   // the recovery folder belongs to another user
  const char* Fault;             // a part of the refusal, or "" when accepted
};

// The state folder and the recovery folder, judged as the user who would
// write copies there.
TEST(RecoveryHostile, FoldersOthersControlAreRefused) {
  const TFolderCase cases[] = {
      {"missing: made private", 0, 0, false, ""},
      {"private", 0700, 0700, false, ""},
      {"readable by others", 0755, 0755, false, ""},
      {"writable by the group", 0700, 0770, false, "他のユーザーが書き込めます"},
      {"writable by anyone", 0700, 01777, false, "他のユーザーが書き込めます"},
      {"state folder writable by others", 0777, 0700, false, "他のユーザーが書き込めます"},
      {"another user's", 0700, 0700, true, "所有者が別のユーザーです"},
  };
  for (const TFolderCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Theirs && ::geteuid() != 0) continue;  // needs a second user
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
    GiveToOrdinaryUser(dir.path().toStdString());
    const std::string state = dir.filePath("hotaru").toStdString(), folder = state + "/recovery";
    if (c.StateMode) {
      ASSERT_EQ(::mkdir(state.c_str(), 0700), 0);
      ASSERT_EQ(::chmod(state.c_str(), c.StateMode), 0);
      GiveToOrdinaryUser(state);
    }
    if (c.FolderMode) {
      ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
      ASSERT_EQ(::chmod(folder.c_str(), c.FolderMode), 0);
      if (!c.Theirs) GiveToOrdinaryUser(folder);
    }
    const std::string fault = TestUtil::AsOrdinaryUser([&] { return PrepareRecoveryFolder(folder); });
    if (*c.Fault) {
      EXPECT_NE(fault.find(c.Fault), std::string::npos) << fault;
    } else {
      EXPECT_EQ(fault, "");
    }
    if (!c.StateMode) {
      EXPECT_EQ(ModeOf(state), 0700u);
    }
    if (!c.FolderMode) {
      EXPECT_EQ(ModeOf(folder), 0700u);
    }
  }
}

struct RecoverySafety : Recovery {};

// A refused folder: no copy is written there and none is read from it, and
// the user is told once.
TEST_F(RecoverySafety, ARefusedFolderIsToldOnceAndLeftAlone) {
  Run("doc");
  Run("edit");
  Run("copy");
  Run("crash");
  ASSERT_EQ(InFolder("*.recovery").size(), 1);
  ASSERT_EQ(::chmod(State.Folder().c_str(), 0777), 0);
  Run("crash");  // a start with the folder open to others
  Run("doc");    // its copy is not offered
  for (const char* step : {"edit", "copy", "edit", "copy"}) Run(step);
  EXPECT_EQ(Ui.Log, "notice");
  ASSERT_EQ(Ui.Notices.size(), 1u);
  EXPECT_NE(Ui.Notices[0].find("他のユーザーが書き込めます"), std::string::npos) << Ui.Notices[0];
  EXPECT_EQ(Form->AFEdit1->Text(), kDoc + "!!");
  EXPECT_EQ(InFolder("*.recovery").size(), 1);  // the old copy alone: no new copy
  EXPECT_EQ(InFolder("*.lock").size(), 0);
}

// What a window makes in the folder is private to its user.
TEST_F(RecoverySafety, CopiesAndLocksArePrivate) {
  for (const char* step : {"doc", "edit", "copy"}) Run(step);
  EXPECT_EQ(ModeOf(State.Folder()), 0700u);
  const QStringList names = InFolder("*");
  ASSERT_EQ(names.size(), 3) << names.join(' ').toStdString();  // the copy, its journal and the lock
  for (const QString& n : names) EXPECT_EQ(ModeOf(State.Folder() + "/" + n.toStdString()), 0600u) << n.toStdString();
}

// A FIFO or a link at a copy's name does not keep the window from opening
// the file or starting: it is no copy, and nothing is offered.
TEST_F(RecoverySafety, AFifoAtACopysNameDoesNotHangTheOffer) {
  const std::string copy = State.Folder() + "/" + CopyNameForPath(Path("doc.txt").toStdString());
  ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((State.Folder() + "/" + CopyNameForNew("p1rdead", 1)).c_str(), 0600), 0);
  ASSERT_EQ(::symlink("/dev/zero", (State.Folder() + "/" + CopyNameForNew("p2rdead", 1)).c_str()), 0);
  const TestUtil::TFifoUnblocker unblock(copy);
  QElapsedTimer t;
  t.start();
  Run("doc");
  Run("crash");
  Run("start");
  EXPECT_LT(t.elapsed(), 2000);
  EXPECT_EQ(Ui.Log, "");
  EXPECT_EQ(Form->AFEdit1->Text(), "");
}

}  // namespace

namespace {

struct TCaretCase {
  TPoint Stored;
  TPoint Restored;
};

// Whatever caret a copy holds, the restored one stands where the caret keys
// could have left it, and the window draws and edits on from there.
TEST_F(RecoverySafety, ARestoredCaretIsClampedToTheDocument) {
  const TCaretCase cases[] = {
      {{INT32_MAX, INT32_MAX}, {3, 1}}, {{-5, -5}, {0, 0}},  {{INT32_MIN, 1}, {0, 1}},
      {{1, 0}, {0, 0}},  // inside 日
      {{4, 0}, {4, 0}},  {{5, 0}, {4, 0}},  // not past the CR
      {{2, 1}, {2, 1}},
  };
  const std::string copy = State.Folder() + "/" + CopyNameForPath(Path("doc.txt").toStdString());
  for (const TCaretCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Stored.X << "," << c.Stored.Y);
    TAFEdit e;
    TestUtil::SetRows(e, {"\x93\xFA\x96\x7B\r", "abc"});
    TRecoveryInfo info;
    info.Owner = "p1rgone";
    info.Path = Path("doc.txt").toStdString();
    info.CutAt = -99;
    info.Caret = c.Stored;
    for (const QString& n : InFolder("*.recovery")) QFile::remove(QString::fromStdString(State.Folder()) + "/" + n);
    WriteRecoveryCopy(copy, "c.tmp", TakeSnapshot(e, info));
    Ui.Answers = {"yes"};
    Run("doc");
    TAFEdit& f = *Form->AFEdit1;
    EXPECT_EQ(f.Caret(), c.Restored);
    f.Paint();
    QTest::keyClick(&f, Qt::Key_End);
    QTest::keyClick(&f, Qt::Key_Z);
    EXPECT_EQ(f.CheckInvariants(), "");
    Run("crash");
  }
}

}  // namespace

namespace {

// The restore scrolls a long document to its caret, which moves the focus
// into the editor; only the user's own first entry opens Binary open.
TEST_F(RecoverySafety, TheRestoresScrollIsNoEntryIntoTheEditor) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "row " + std::to_string(i) + "\r\n";
  Write("doc.txt", text);
  Run("doc");
  Run("edit");
  Form->AFEdit1->SetCaretPos({0, 190});
  Run("copy");
  Run("crash");
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  Ui.Answers = {"yes"};
  Run("doc");
  QTest::qWait(20);
  Form->SelectAll1->trigger();
  QTest::qWait(20);
  EXPECT_EQ(Ui.Log, "restore");
  // The user's first click into the editor still enters it (Binary open
  // asks about the restored changes first, and is cancelled).
  const QPoint at = Form->AFEdit1->viewport()->mapTo(Form.get(), QPoint(100, 50));
  QTest::mouseClick(Form->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ui.Log != "restore"; }, 2000));
  EXPECT_EQ(Ui.Log, "restore ask");
}

}  // namespace
