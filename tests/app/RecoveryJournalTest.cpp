// The journal beside a copy: replaying it gives the document exactly, a
// tail cut short by a crash is dropped whole, and a journal of another
// copy is not used.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "app/RecoveryFixture.h"
#include "app/RecoveryJournal.h"
#include "common/Doc.h"

namespace {

struct RecoveryJournal : Recovery {
  // What the copy and its journal give back now.
  std::string Recovered(TPoint* Caret = nullptr) {
    TRecoveryCopy c;
    if (ReadRecovery(Form->Recovery().CopyFile(), c) != TCopyState::Good) return "<none>";
    if (Caret) *Caret = c.Info.Caret;
    return c.Document;
  }
  // One random change of rows, records or caret, as editing makes them.
  void RandomEdit(std::mt19937& Rng) {
    TAFEdit& e = *Form->AFEdit1;
    const auto pick = [&](int N) { return static_cast<int>(Rng() % static_cast<unsigned>(std::max(N, 1))); };
    const int row = pick(e.RowCount());
    const std::string text = std::string(static_cast<size_t>(pick(6)), static_cast<char>('a' + pick(26))) + "\r";
    switch (pick(7)) {
      case 0: e.InsertRow(row, text, e.LineAttrs().PeekAttr(row)); break;
      case 1:
        if (e.RowCount() > 1 && row < e.RowCount() - 1) e.DeleteRow(row);
        break;
      case 2: e.LineAttrs().GetAttr(row).TextColor = static_cast<TColor>(Rng() & 0xFFFFFF); break;
      case 3: e.Undo(); break;
      case 4: e.SetCaretPos({pick(3), row}); break;
      default:
        if (row < e.RowCount() - 1) e.SetRowText(row, text, pick(2) == 0);
        break;
    }
  }
};

// Entries written between random edits always give the document back
// exactly, records and caret included.
TEST_F(RecoveryJournal, ReplayGivesTheDocumentExactly) {
  std::mt19937 rng(11);
  Run("doc");
  TAFEdit& e = *Form->AFEdit1;
  Form->Recovery().SetTimes({1 << 30, 1 << 30});
  for (int step = 0; step < 120; ++step) {
    SCOPED_TRACE(step);
    for (int k = static_cast<int>(rng() % 4); k >= 0; --k) RandomEdit(rng);
    Run("edit");  // edited for sure
    Run("copy");
    TPoint caret;
    ASSERT_EQ(Recovered(&caret), BinaryBytes(e));
    EXPECT_EQ(caret, e.Caret());
  }
  // Most of those were entries, not full copies.
  EXPECT_EQ(InFolder("*.journal").size(), 1);
  EXPECT_GT(QFileInfo(QString::fromStdString(JournalNameOf(Form->Recovery().CopyFile()))).size(), 1000);
}

// A journal cut anywhere gives the document as some entry left it; a
// damaged byte ends the journal there; another copy's journal is not used.
TEST_F(RecoveryJournal, ATornOrForeignJournalGivesAnEarlierStateWhole) {
  std::mt19937 rng(5);
  Run("doc");
  TAFEdit& e = *Form->AFEdit1;
  Form->Recovery().SetTimes({1 << 30, 1 << 30});
  Run("edit");
  Run("copy");
  std::vector<std::string> states = {BinaryBytes(e)};
  for (int i = 0; i < 5; ++i) {
    RandomEdit(rng);
    Run("edit");
    Run("copy");
    states.push_back(BinaryBytes(e));
  }
  const std::string journal = JournalNameOf(Form->Recovery().CopyFile());
  const std::string whole = ReadAll(journal);
  ASSERT_EQ(Recovered(), states.back());
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    WriteAll(journal, whole.substr(0, cut));
    const std::string got = Recovered();
    EXPECT_NE(std::find(states.begin(), states.end(), got), states.end()) << "cut at " << cut;
    if (cut % 5 == 0 && cut + 1 < whole.size()) {
      std::string damaged = whole;
      damaged[cut] = static_cast<char>(damaged[cut] ^ 0x20);
      WriteAll(journal, damaged);
      EXPECT_NE(std::find(states.begin(), states.end(), Recovered()), states.end()) << "damage at " << cut;
    }
  }
  // A new full copy: the old journal does not continue it.
  WriteAll(journal, whole);
  Form->Recovery().Discard();
  Run("edit");
  Run("copy");
  WriteAll(journal, whole);
  EXPECT_EQ(Recovered(), BinaryBytes(e));
}

// Typing without a pause, as the program runs by default: what a crash
// would leave is never more than a few seconds behind the keys.
TEST_F(RecoveryJournal, ContinuousTypingIsNeverFarBehind) {
  using Clock = std::chrono::steady_clock;
  Run("doc");
  TAFEdit& e = *Form->AFEdit1;
  e.SetCaretPos({3, 1});  // after "abc"
  std::vector<Clock::time_point> typed;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::milliseconds(3500)) {
    QTest::keyClick(&e, Qt::Key_A);
    typed.push_back(Clock::now());
    QTest::qWait(20);
  }
  const std::string text = Recovered();
  const size_t kept = text.find("abc") == std::string::npos
                          ? 0
                          : text.find_first_not_of('a', text.find("abc") + 3) - text.find("abc") - 3;
  ASSERT_LE(kept, typed.size());
  // The first key not in the copy came at most 2.5 s before now.
  const auto behind = kept == typed.size() ? Clock::duration{} : Clock::now() - typed[kept];
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(behind).count(), 2500) << kept << " of " << typed.size();
}

}  // namespace
