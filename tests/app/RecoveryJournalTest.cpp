// The journal beside a copy: replaying it gives the document exactly, a
// tail cut short by a crash is dropped whole, and a journal of another
// copy is not used.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
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

}  // namespace
