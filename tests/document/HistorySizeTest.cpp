// The history's size: typing at the start of a long paragraph adds a few
// bytes a row, and sealed runs undo and redo exactly as single items do.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/layout/WrapSearch.h"
#include "common/Doc.h"

namespace {

using namespace TestUtil;

const std::string kA = "\x82\xA0";  // a two-byte character

// Rows, records, Edited and (with Caret) the caret: what undo and redo
// restore.
std::string State(TCustomAFEdit& e, bool Caret = true) {
  std::string s = Caret ? std::to_string(e.Caret().X) + "," + std::to_string(e.Caret().Y) : "";
  s += e.Edited() ? "*" : "";
  for (int r = 0; r < e.RowCount(); ++r) {
    const TLineAttr a = e.LineAttrs().PeekAttr(r);
    s += "|" + e.RowText(r).str() + "/" + std::to_string(a.Indent) + "/" + std::to_string(a.WrapPos);
  }
  return s;
}

// Bytes of the chunks the history keeps alive that no row uses.
size_t PinnedBytes(TCustomAFEdit& e) {
  std::set<const TStrChunk*> rows, pinned;
  for (int r = 0; r < e.RowCount(); ++r) rows.insert(e.RowText(r).Chunk());
  size_t n = 0;
  for (int i = 0; i < e.UndoBuff().Top(); ++i)
    e.UndoBuff().Slot(i)->ForEachText([&](const TRowStr& t) {
      if (t.Chunk() && !rows.count(t.Chunk()) && pinned.insert(t.Chunk()).second) n += t.Chunk()->Capacity();
    });
  return n;
}

// Where two states first differ (states are long: they are not printed).
::testing::AssertionResult SameState(const std::string& A, const std::string& B) {
  if (A == B) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (i < A.size() && i < B.size() && A[i] == B[i]) ++i;
  return ::testing::AssertionFailure() << "states differ at byte " << i << " of " << A.size() << "/" << B.size()
                                       << ": " << A.substr(i, 40) << " / " << B.substr(i, 40);
}

void Configure(TCustomAFEdit& e, const std::string& Text, int UndoMax) {
  e.Loaded();
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  e.SetDefWrapPos(60);
  e.SetUndoMax(UndoMax);
  e.SetText(Text);
  SetLayout(e, 60);
  e.RewrapRow(0);
  e.UndoBuff().StartNewHistory();
  e.UndoBuff().MarkSaved();
}

// Two-byte characters, punctuation a row may not start with, and words:
// re-wrap of such a paragraph settles and starts again further down.
std::string MixedProse(size_t Bytes, unsigned Seed) {
  std::mt19937 rng(Seed);
  std::string para;
  while (para.size() < Bytes) {
    const unsigned r = rng() % 10;
    para += r < 6 ? kA : r < 8 ? std::string("\x81\x42") : std::string(1 + rng() % 5, 'w');
  }
  return para;
}

// Characters typed at the start of a 256 KiB paragraph: each adds a few
// bytes a row to the history and keeps no old text alive; undo and redo go
// back through every state exactly.
TEST(HistorySize, TypingAtAParagraphStartAddsAFewBytesARow) {
  const std::string para = MixedProse(256 * 1024, 3);
  TAFEdit e;
  Configure(e, para + "\r\nend", -1);
  const int rows = e.RowCount();
  std::vector<std::string> before, after{State(e, false)};  // undo gives the caret as the key found it
  auto held = static_cast<long>(e.UndoBuff().HeldBytes());
  for (int key = 0; key < 8; ++key) {
    e.SetCaretPos({0, 0});
    before.push_back(State(e));
    e.InsertText(key % 3 ? kA : "ab");
    const auto now = static_cast<long>(e.UndoBuff().HeldBytes());
    EXPECT_LE(now - held, 5L * rows) << key;
    held = now;
    EXPECT_LE(PinnedBytes(e), 1024u * static_cast<size_t>(key + 1)) << key;  // copies of short texts only
    ASSERT_EQ(e.CheckInvariants(), "");
    after.push_back(State(e, false));
  }
  for (size_t i = before.size(); i-- > 0;) {
    e.Undo();
    ASSERT_TRUE(SameState(State(e), before[i])) << "undo to " << i;
  }
  for (size_t i = 1; i < after.size(); ++i) {
    e.Redo();
    ASSERT_TRUE(SameState(State(e, false), after[i])) << "redo to " << i;
  }
  EXPECT_EQ(e.UndoBuff().Check(), "");
}

// Bytes of the distinct chunks the rows and the history hold.
size_t HeldChunkBytes(TCustomAFEdit& e) {
  std::set<const TStrChunk*> seen;
  size_t n = 0;
  const auto add = [&](const TRowStr& t) {
    if (t.Chunk() && seen.insert(t.Chunk()).second) n += t.Chunk()->Capacity();
  };
  for (int r = 0; r < e.RowCount(); ++r) add(e.RowText(r));
  for (int i = 0; i < e.UndoBuff().Top(); ++i) e.UndoBuff().Slot(i)->ForEachText(add);
  return n;
}

// The first key typed into a long line never wrapped (a one-line file: the
// loader hands it over in rows of its read window) wraps all of it: the
// rows and the history then hold a few times the line's bytes, not the
// square of them, and undo gives the line back.
TEST(HistorySize, TheFirstKeyInALongUnwrappedLineCostsItsLengthOnce) {
  const std::string para = MixedProse(2 << 20, 5);
  for (const std::string tail : {"\r\nend", ""}) {
    TAFEdit e;
    e.Loaded();
    e.SetOptions({aoAutoFormat, aoJpnBanBreak});
    e.SetDefWrapPos(60);
    e.SetUndoMax(-1);
    e.SetText(para + tail);
    const std::string loaded = State(e);
    e.SetCaretPos({0, 0});
    e.InsertText(kA);
    EXPECT_GT(e.RowCount(), 30000);
    // The rows are mostly slices of the loaded bytes, and the history keeps
    // the new rows as runs.
    EXPECT_LE(HeldChunkBytes(e), 3 * para.size());
    EXPECT_LE(e.UndoBuff().HeldBytes(), 64u * static_cast<size_t>(e.RowCount()));
    ASSERT_EQ(e.CheckInvariants(), "");
    e.Undo();
    EXPECT_TRUE(SameState(State(e), loaded));
  }
}

// A long line the loader cut into rows wraps to the same rows, records and
// caret whether its long rows are split (their tails made rows of their
// own) or their tails handed on row by row, and undo and redo give the
// same states either way.
TEST(HistorySize, LongRowsSplitAsTheyWrapRowByRow) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 rng(seed);
    const char* tails[] = {"", "\r\nend", "\r\n", "\r\nnext line\r\n"};
    const std::string text = MixedProse(140000 + rng() % 60000, seed) + tails[seed % 4];
    const int wrap = 16 + static_cast<int>(rng() % 64);
    const bool rules = rng() % 2 != 0;
    const TPoint at{static_cast<int>(rng() % 40), static_cast<int>(rng() % 2)};
    const std::string key = seed % 3 == 0 ? "\r" : seed % 3 == 1 ? kA : "ab";
    TAFEdit split, rowByRow;
    for (TAFEdit* e : {&split, &rowByRow}) {
      e->Loaded();
      e->SetOptions(rules ? TAFEditOptions{aoAutoFormat, aoJpnBanBreak} : TAFEditOptions{aoAutoFormat});
      e->SetDefWrapPos(wrap);
      e->SetUndoMax(-1);
      e->SetText(text);
    }
    rowByRow.SetSplitLongRows(false);
    for (TAFEdit* e : {&split, &rowByRow}) e->SetCaretPos(at);
    const std::string loaded = State(split);
    for (TAFEdit* e : {&split, &rowByRow}) {
      WrapTrailCount = WrapLeadCount = 0;
      e->InsertText(key);
    }
    ASSERT_TRUE(SameState(State(split), State(rowByRow))) << seed;
    ASSERT_EQ(split.CheckInvariants(), "") << seed;
    // Typing into the wrapped line: its joined rows are handed on alike.
    for (int k = 0; k < 3; ++k) {
      for (TAFEdit* e : {&split, &rowByRow}) {
        WrapTrailCount = WrapLeadCount = 0;
        e->SetCaretPos({0, 0});
        e->InsertText(k % 2 ? "abc" : kA);
      }
      ASSERT_TRUE(SameState(State(split), State(rowByRow))) << seed << " " << k;
    }
    for (TAFEdit* e : {&split, &rowByRow})
      for (int k = 0; k < 3; ++k) e->Undo();
    const std::string typed = State(split, false);
    for (TAFEdit* e : {&split, &rowByRow}) {
      WrapTrailCount = WrapLeadCount = 0;
      e->Undo();
      EXPECT_TRUE(SameState(State(*e), loaded)) << seed;
      e->Redo();
      EXPECT_TRUE(SameState(State(*e, false), typed)) << seed;
      ASSERT_EQ(e->CheckInvariants(), "") << seed;
    }
  }
}

// Random typing, line breaks, deletions, undo and redo in wrapped text,
// recorded by an unlimited history (sealed runs) and by a bounded one large
// enough to drop nothing (single items): both give the same states.
TEST(HistorySize, SealedRunsUndoAndRedoLikeSingleItems) {
  for (int seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    std::string text;
    for (int i = 0; i < 40; ++i) text += i % 7 == 6 ? "\r\n" : (i % 2 ? kA + "word " : "abc" + kA + kA);
    if (seed > 4) text = MixedProse(6000, static_cast<unsigned>(seed)) + "\r\n" + text;  // one long paragraph first
    TAFEdit runs, single;
    Configure(runs, text, -1);
    Configure(single, text, 1 << 20);
    const std::string start = runs.Text();
    int sealed = 0;
    for (int step = 0; step < 250; ++step) {
      const unsigned op = rng() % 10;
      const int row = rng() % 3 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(runs.RowCount()));
      const int col = static_cast<int>(rng() % 70);
      const std::string ins = op == 0 ? "\r" : (rng() % 2 ? kA : std::string(1 + rng() % 3, 'x'));
      for (TAFEdit* e : {&runs, &single}) {
        // The break search's counters carry over from one search to the
        // next, across controls: both start from the same ones.
        WrapTrailCount = WrapLeadCount = 0;
        e->SetCaretPos(e->ByteToDisplayPos({col, row}));
        if (op < 5)
          e->InsertText(ins);
        else if (op < 7)
          e->BackspaceChar();
        else if (op < 9)
          e->Undo();
        else
          e->Redo();
      }
      ASSERT_TRUE(SameState(State(runs), State(single))) << seed << " " << step;
      ASSERT_EQ(runs.CheckInvariants(), "") << seed << " " << step;
      for (int i = 0; i < runs.UndoBuff().Top(); ++i) {
        const TUndoBuffItem* it = runs.UndoBuff().Slot(i);
        sealed += it->Kind == ukRowsChanged && it->Run->Sealed();
      }
    }
    EXPECT_GT(sealed, 0) << seed;
    while (single.UndoBuff().UndoItem()) {
      runs.Undo();
      single.Undo();
      ASSERT_TRUE(SameState(State(runs), State(single))) << seed;
    }
    EXPECT_EQ(runs.Text(), start);
  }
}

}  // namespace
