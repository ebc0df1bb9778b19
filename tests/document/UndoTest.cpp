// Undo and redo by edit group, Edited across save points, bounded histories,
// and long random edit sequences against a plain model.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "common/Doc.h"

namespace {

using namespace TestUtil;

struct UndoNotes {
  std::vector<std::pair<bool, bool>> seen;
  void Attach(TCustomAFEdit& e) {
    e.OnUndoChange = [this](TCustomAFEdit*, bool u, bool r) { seen.push_back({u, r}); };
  }
  std::pair<bool, bool> Last() const { return seen.back(); }
};

// One user command: a new group and one row change.
void Type(TCustomAFEdit& e, int row, const std::string& s) { e.SetRowText(row, s, true); }

TEST(Undo, TypingThenUndoAndRedo) {
  TAFEdit e;
  e.Loaded();
  UndoNotes n;
  n.Attach(e);
  e.SetCaretPos({0, 0});
  Type(e, 0, "a");
  e.SetCaretPos({1, 0});
  EXPECT_TRUE(e.Edited());
  e.Undo();
  EXPECT_EQ(RowsOf(e), std::vector<std::string>{""});
  EXPECT_FALSE(e.Edited());
  EXPECT_EQ(n.Last(), (std::pair<bool, bool>{false, true}));
  EXPECT_EQ(e.Caret(), (TPoint{0, 0}));
  e.Redo();
  EXPECT_EQ(RowsOf(e), std::vector<std::string>{"a"});
  EXPECT_TRUE(e.Edited());
  EXPECT_EQ(n.Last(), (std::pair<bool, bool>{true, false}));
  // Nothing more to redo: no notification.
  const size_t before = n.seen.size();
  e.Redo();
  EXPECT_EQ(n.seen.size(), before);
}

TEST(Undo, GroupsUndoAsOneStepWithInsertsAndDeletes) {
  TAFEdit e;
  e.Loaded();
  Type(e, 0, "one\r");
  e.AppendLine("two\r");
  e.AppendLine("three");
  const auto before = RowsOf(e);
  // One command: change a row, insert two rows, delete one.
  e.NewEditGroup();
  e.SetCaretPos({2, 1});
  e.SetRowText(1, "TWO\r", false);
  e.InsertRow(2, "x\r", e.LineAttrs().GetAttr(1));
  e.InsertRow(0, "y\r", e.LineAttrs().GetAttr(0));
  e.DeleteRow(2);
  const auto after = RowsOf(e);
  EXPECT_EQ(after, (std::vector<std::string>{"y\r", "one\r", "x\r", "three"}));
  e.SetCaretPos({0, 3});
  e.Undo();
  EXPECT_EQ(RowsOf(e), before);
  EXPECT_EQ(e.Caret(), (TPoint{2, 1}));  // where the command began
  e.Redo();
  EXPECT_EQ(RowsOf(e), after);
  e.Undo();
  e.Undo();  // AppendLine("three")
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"one\r", "two\r"}));
}

TEST(Undo, RecordsAreRestoredWithoutColumnLists) {
  TAFEdit e;
  e.Loaded();
  e.LineAttrs().GetAttr(0).Indent = 3;
  e.GetColAttrs(0);
  Type(e, 0, "abc");
  EXPECT_NE(e.LineAttrs().ColAttrs(0), nullptr);  // kept through a text change
  e.LineAttrs().GetAttr(0).Indent = 5;
  e.Undo();
  EXPECT_EQ(e.LineAttrs().GetAttr(0).Indent, 3);
  EXPECT_EQ(e.LineAttrs().ColAttrs(0), nullptr);
  e.Redo();
  EXPECT_EQ(e.LineAttrs().GetAttr(0).Indent, 3);
  EXPECT_TRUE(e.LineAttrs().GetAttr(0).Dirty);
}

TEST(Undo, EditedFollowsTheSavePoint) {
  TAFEdit e;
  e.Loaded();
  Type(e, 0, "a");
  Type(e, 0, "ab");
  e.UndoBuff().MarkSaved();
  EXPECT_FALSE(e.Edited());
  e.Undo();
  EXPECT_TRUE(e.Edited());
  e.Redo();
  EXPECT_FALSE(e.Edited());
  // A new edit after an undo cuts the redo range.
  e.Undo();
  Type(e, 0, "z");
  EXPECT_TRUE(e.Edited());
  e.Redo();
  EXPECT_EQ(e.RowText(0).str(), "z");
  e.Undo();
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "");
  EXPECT_TRUE(e.Edited());  // the saved "ab" is gone for good
}

TEST(Undo, UndoOnRowZeroScrollsItToTheTop) {
  TAFEdit e;
  e.Loaded();
  for (int i = 0; i < 50; ++i) e.AppendLine("row");
  e.UndoBuff().Reset();
  e.SetCaretPos({0, 0});
  Type(e, 0, "changed");
  e.SetTopRow(30);
  e.SetCaretPos({0, 40});
  e.Undo();
  EXPECT_EQ(e.TopRow(), 0);
}

TEST(BoundedUndo, ThreeSlotsKeepTwoCommands) {
  TAFEdit e;
  e.Loaded();
  e.SetUndoMax(3);
  Type(e, 0, "1");
  Type(e, 0, "2");
  Type(e, 0, "3");
  e.Undo();
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "1");
  e.Undo();  // the first command was dropped
  EXPECT_EQ(e.RowText(0).str(), "1");
}

TEST(BoundedUndo, ZeroSlotsKeepNothingButEditedStillTells) {
  TAFEdit e;
  e.Loaded();
  UndoNotes n;
  n.Attach(e);
  e.SetUndoMax(0);
  Type(e, 0, "1");
  EXPECT_EQ(n.Last(), (std::pair<bool, bool>{false, false}));
  EXPECT_TRUE(e.Edited());
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "1");
  e.UndoBuff().MarkSaved();
  EXPECT_FALSE(e.Edited());
  Type(e, 0, "2");
  EXPECT_TRUE(e.Edited());
}

TEST(BoundedUndo, UnlimitedHistoryGrowsForALargeGroup) {
  TAFEdit e;
  e.Loaded();
  e.SetUndoMax(-1);
  e.NewEditGroup();
  // Each row above the last one: rows inserted one after another would be
  // recorded as one run.
  for (int i = 0; i < 150; ++i) e.InsertRow(0, "r" + std::to_string(i) + "\r", e.LineAttrs().GetAttr(0));
  EXPECT_GT(e.UndoBuff().SlotCount(), 100);
  e.Undo();
  EXPECT_EQ(RowsOf(e), std::vector<std::string>{""});
  EXPECT_FALSE(e.Edited());
  e.Redo();
  EXPECT_EQ(e.RowCount(), 151);
}

TEST(BoundedUndo, AGroupLargerThanTheHistoryIsNeverHalfUndone) {
  TAFEdit e;
  e.Loaded();
  e.SetUndoMax(5);
  Type(e, 0, "before");
  e.NewEditGroup();
  for (int i = 0; i < 8; ++i) e.InsertRow(0, "r\r", e.LineAttrs().GetAttr(0));
  const auto after = RowsOf(e);
  EXPECT_TRUE(e.Edited());
  e.Undo();  // nothing of the big command may be undone on its own
  EXPECT_EQ(RowsOf(e), after);
  EXPECT_TRUE(e.Edited());
}

// Dropping the oldest group must move the saved position with it, and a save
// point that was dropped can no longer make Edited false.
TEST(BoundedUndo, SavedPositionFollowsDroppedGroups) {
  TAFEdit e;
  e.Loaded();
  e.SetUndoMax(4);  // holds three items
  Type(e, 0, "a");
  Type(e, 0, "b");
  e.UndoBuff().MarkSaved();  // saved at "b"
  Type(e, 0, "c");
  Type(e, 0, "d");  // drops "a": the saved state is still reachable
  EXPECT_TRUE(e.Edited());
  e.Undo();
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "b");
  EXPECT_FALSE(e.Edited());
  e.Redo();
  e.Redo();
  Type(e, 0, "e");  // drops "b"
  Type(e, 0, "f");  // drops "c": the saved "b" cannot come back
  for (int i = 0; i < 5; ++i) {
    e.Undo();
    EXPECT_TRUE(e.Edited()) << e.RowText(0).str();
  }
  EXPECT_EQ(e.RowText(0).str(), "c");

  // Saved right after loading (position 0), then that state is dropped.
  TAFEdit f;
  f.Loaded();
  f.SetUndoMax(3);
  Type(f, 0, "1");
  Type(f, 0, "2");
  Type(f, 0, "3");
  for (int i = 0; i < 4; ++i) {
    f.Undo();
    EXPECT_TRUE(f.Edited());
  }
  EXPECT_EQ(f.RowText(0).str(), "1");
}

// Random commands on a document of several blocks, checked against a plain
// vector after every step, then undone to the start and redone to the end.
TEST(UndoModel, RandomEditsMatchAPlainModel) {
  TAFEdit e;
  e.Loaded();
  std::mt19937 rng(12345);
  std::vector<std::string> model{""};
  for (int i = 0; i < 3000; ++i) {
    e.AppendLine(i % 2 ? "wrapped" : "line\r");
    model.back() = model.back();  // the last row never holds a CR
  }
  model = RowsOf(e);
  e.UndoBuff().Reset();
  std::vector<std::vector<std::string>> history{model};

  for (int step = 0; step < 400; ++step) {
    e.NewEditGroup();
    const int ops = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < ops; ++k) {
      const int n = static_cast<int>(model.size());
      const int kind = static_cast<int>(rng() % 3);
      const int row = static_cast<int>(rng() % static_cast<unsigned>(n));
      const std::string text = "s" + std::to_string(step) + (row == n - 1 ? "" : "\r");
      if (kind == 0 && row < n - 1) {
        e.InsertRow(row, text, e.LineAttrs().GetAttr(row));
        model.insert(model.begin() + row, text);
      } else if (kind == 1 && n > 1 && row < n - 1) {
        e.DeleteRow(row);
        model.erase(model.begin() + row);
      } else {
        e.SetRowText(row, text, false);
        model[static_cast<size_t>(row)] = text;
      }
      ASSERT_EQ(e.RowCount(), static_cast<int>(model.size()));
    }
    ASSERT_TRUE(e.CheckInvariants().empty()) << e.CheckInvariants();
    ASSERT_EQ(RowsOf(e), model) << "step " << step;
    history.push_back(model);
  }
  for (size_t i = history.size() - 1; i-- > 0;) {
    e.Undo();
    ASSERT_EQ(RowsOf(e), history[i]) << "undo to " << i;
  }
  EXPECT_FALSE(e.Edited());
  for (size_t i = 1; i < history.size(); ++i) {
    e.Redo();
    ASSERT_EQ(RowsOf(e), history[i]) << "redo to " << i;
  }
  EXPECT_TRUE(e.CheckInvariants().empty());
}

}  // namespace

namespace {

// Making a full history smaller drops its oldest commands, never its newest:
// what is left still undoes in order from the current text.
TEST(BoundedUndo, ShrinkingTheHistoryKeepsTheNewestCommands) {
  TAFEdit e;
  e.Loaded();
  for (int i = 1; i <= 5; ++i) e.SetRowText(0, std::to_string(i), true);
  e.SetUndoMax(3);
  e.SetRowText(0, "6", true);
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "5");
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "4");
  e.Undo();  // nothing older is kept
  EXPECT_EQ(e.RowText(0).str(), "4");
  EXPECT_TRUE(e.Edited());
}

}  // namespace

namespace {

// A size set to 0 and raised again takes effect at the next recording, and a
// history of one slot records again after an undo (its redo item is freed,
// never read after it).
TEST(BoundedUndo, NewSizesTakeEffectAtTheNextRecording) {
  TAFEdit e;
  e.Loaded();
  e.SetUndoMax(0);
  Type(e, 0, "0");
  e.SetUndoMax(3);
  for (const char* t : {"1", "2", "3"}) Type(e, 0, t);
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "2");
  EXPECT_EQ(e.UndoBuff().SlotCount(), 3);

  e.SetUndoMax(1);
  Type(e, 0, "a");
  e.Undo();
  Type(e, 0, "b");
  EXPECT_EQ(e.UndoBuff().Check(), "");
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "2");
  e.SetUndoMax(8);
  for (const char* t : {"c", "d", "e"}) Type(e, 0, t);
  e.Undo();
  e.SetUndoMax(2);
  Type(e, 0, "f");
  EXPECT_EQ(e.UndoBuff().Check(), "");
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "d");
}

// Small histories (and changes of their size) under random commands of one
// to three row changes, undos, redos and saves: an undo or redo either does
// nothing or returns exactly to the neighbouring state of the timeline, and
// Edited tells whether the document is at its saved state.
TEST(UndoModel, SmallHistoriesStepThroughTheTimelineAndKeepEdited) {
  for (int seed = 1; seed <= 8; ++seed) {
    TAFEdit e;
    SetRows(e, {"a\r", "b\r", "c\r", ""});
    std::mt19937 rng(seed);
    e.SetUndoMax(seed <= 6 ? seed : seed - 8);  // 1..6, then 0 and -1
    std::vector<std::string> timeline{e.Text()};
    int cur = 0, saved = 0;
    for (int step = 0; step < 500; ++step) {
      const unsigned op = rng() % 12;
      if (op < 5) {
        e.NewEditGroup();
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
          const int n = e.RowCount();
          const int row = static_cast<int>(rng() % static_cast<unsigned>(n));
          const std::string text = "s" + std::to_string(step) + "." + std::to_string(k);
          if (op == 0 && row < n - 1)
            e.InsertRow(row, text + "\r", e.LineAttrs().GetAttr(row));
          else if (op == 1 && row < n - 1)
            e.DeleteRow(row);
          else
            e.SetRowText(row, text + (row < n - 1 ? "\r" : ""), false);
        }
        if (!e.UndoBuff().CanUndo()) {  // the command did not fit: no history
          timeline = {e.Text()};
          cur = 0;
          saved = -1;
        } else {
          timeline.resize(static_cast<size_t>(cur) + 1);
          if (saved > cur) saved = -1;
          timeline.push_back(e.Text());
          ++cur;
        }
      } else if (op < 8) {
        const std::string before = e.Text();
        e.Undo();
        if (e.Text() != before) {
          ASSERT_GT(cur, 0) << seed << " " << step;
          ASSERT_EQ(e.Text(), timeline[static_cast<size_t>(--cur)]) << seed << " " << step;
        }
      } else if (op < 11) {
        const std::string before = e.Text();
        e.Redo();
        if (e.Text() != before) {
          ASSERT_LT(cur + 1, static_cast<int>(timeline.size())) << seed << " " << step;
          ASSERT_EQ(e.Text(), timeline[static_cast<size_t>(++cur)]) << seed << " " << step;
        }
      } else if (rng() % 2) {
        e.UndoBuff().MarkSaved();
        saved = cur;
      } else {
        e.SetUndoMax(static_cast<int>(rng() % 8) - 1);
      }
      ASSERT_EQ(e.Edited(), cur != saved) << seed << " " << step;
      ASSERT_EQ(e.CheckInvariants(), "") << seed << " " << step;
    }
  }
}

}  // namespace


namespace {

// Rows, records and caret: what an undo or redo restores.
std::string UndoState(TCustomAFEdit& e) {
  std::string s = std::to_string(e.Caret().X) + "," + std::to_string(e.Caret().Y);
  for (int r = 0; r < e.RowCount(); ++r) {
    const TLineAttr a = e.LineAttrs().PeekAttr(r);
    s += "|" + e.RowText(r).str() + "/" + std::to_string(a.Indent);
  }
  return s;
}

// An unlimited history (runs) and a bounded one large enough never to drop
// anything (single items) fed the same commands.
struct TwoHistories {
  TAFEdit runs, single;
  explicit TwoHistories(const Rows& rows, int Slots = 4096) {
    for (TAFEdit* c : {&runs, &single}) {
      c->Loaded();
      c->BeginLoad();
      SetRows(*c, rows);
      c->EndLoad();
    }
    runs.SetUndoMax(-1);
    single.SetUndoMax(Slots);
  }
  template <class F>
  void Both(F&& f) {
    f(runs);
    f(single);
  }
  int RunItems() {
    int n = 0;
    for (int i = 0; i < runs.UndoBuff().Top(); ++i) n += runs.UndoBuff().Slot(i)->Kind == ukRowsChanged;
    return n;
  }
};

// One group changing 40,000 consecutive rows, most texts in a chunk of their
// own, the others in packed chunks of three sizes taken in turn: past 32,767 rows and
// 65,535 chunks, undo and redo still restore every row's bytes.
TEST(UndoRuns, AGroupOfAnySizeUndoesAndRedoesEveryRow) {
  constexpr int kRows = 40000;
  Rows before, after;
  for (int i = 0; i < kRows; ++i) {
    before.push_back("old" + std::to_string(i) + "\r");
    after.push_back("new" + std::to_string(i * 7) + "\r");
  }
  before.push_back("");
  after.push_back("");
  TwoHistories h(before, kRows + 2);
  TRowPacker packers[3] = {TRowPacker(64), TRowPacker(256), TRowPacker(4096)};
  std::vector<TRowStr> fresh;
  for (int i = 0; i < kRows; ++i) {
    const std::string& t = after[static_cast<size_t>(i)];
    fresh.push_back(i % 4 ? TRowStr(t) : packers[i / 4 % 3].Pack(t));
  }
  h.Both([&](TAFEdit& e) {
    e.NewEditGroup();
    for (int i = 0; i < kRows; ++i) e.SetRowText(i, fresh[static_cast<size_t>(i)], false);
  });
  EXPECT_EQ(h.runs.UndoBuff().Top(), 1);
  for (int round = 0; round < 2; ++round) {
    h.Both([&](TAFEdit& e) { e.Undo(); });
    ASSERT_EQ(RowsOf(h.runs), before);
    ASSERT_EQ(RowsOf(h.single), before);
    h.Both([&](TAFEdit& e) { e.Redo(); });
    ASSERT_EQ(RowsOf(h.runs), after);
    ASSERT_EQ(RowsOf(h.single), after);
  }
}

// The caret moves between the changes of one run: undo puts it where the
// first change found it, redo where the last one did.
TEST(UndoRuns, RedoLeavesTheCaretOfTheLastChange) {
  TwoHistories h({"abcdef", "ghij", "kl"});
  h.Both([](TAFEdit& e) {
    e.NewEditGroup();
    e.SetCaretPos({6, 0});
    e.SetRowText(0, "ab", false);
    e.SetCaretPos({2, 0});
    e.SetRowText(1, "ghijkl", false);
    e.SetRowText(2, "", false);
    e.SetCaretPos({0, 0});
  });
  ASSERT_EQ(h.RunItems(), 1);
  h.Both([](TAFEdit& e) { e.Undo(); });
  EXPECT_EQ(h.runs.Caret(), (TPoint{6, 0}));
  h.Both([](TAFEdit& e) {
    e.SetCaretPos({0, 0});
    e.Redo();
  });
  EXPECT_EQ(h.runs.Caret(), (TPoint{2, 0}));
  EXPECT_EQ(UndoState(h.runs), UndoState(h.single));
}

// Random groups of row changes close together (as re-wrap makes them), with
// the caret moving between them, indents changed, rows inserted and deleted:
// after every group, undo and redo, the runs give the rows, records and caret
// that single items give.
TEST(UndoRuns, RunsUndoAndRedoLikeSingleItemsCaretIncluded) {
  for (int seed = 1; seed <= 6; ++seed) {
    Rows rows;
    for (int i = 0; i < 30; ++i) rows.push_back("r" + std::to_string(i) + "\r");
    rows.push_back("");
    TwoHistories h(rows);
    std::mt19937 rng(static_cast<unsigned>(seed));
    int row = 0;
    for (int step = 0; step < 300; ++step) {
      const unsigned op = rng() % 10;
      if (op < 7) {
        const int changes = 1 + static_cast<int>(rng() % 12);
        std::vector<unsigned> draws;
        for (int k = 0; k < 4 * changes; ++k) draws.push_back(rng());
        h.Both([&](TAFEdit& e) {
          e.NewEditGroup();
          int r = row;
          for (int k = 0; k < changes; ++k) {
            const unsigned* d = &draws[static_cast<size_t>(4 * k)];
            const int n = e.RowCount();
            r = std::clamp(r + static_cast<int>(d[0] % 4) - 1, 0, n - 2);
            if (d[1] % 3 == 0) e.SetCaretPos({static_cast<int>(d[2] % 5), r});
            const unsigned kind = d[3] % 16;
            if (kind == 0) {
              e.InsertRow(r, "i" + std::to_string(step) + "\r", e.LineAttrs().GetAttr(r));
            } else if (kind == 1 && n > 3) {
              e.DeleteRow(r);
            } else if (kind < 4) {
              e.SetCaretPos({0, r});
              e.IndentRow();
            } else {
              e.SetRowText(r, "s" + std::to_string(step) + "." + std::to_string(k) + "\r", false);
            }
          }
        });
        row = static_cast<int>(rng() % 28);
      } else if (op < 9) {
        h.Both([](TAFEdit& e) { e.Undo(); });
      } else {
        h.Both([](TAFEdit& e) { e.Redo(); });
      }
      ASSERT_EQ(UndoState(h.runs), UndoState(h.single)) << seed << " " << step;
      ASSERT_EQ(h.runs.UndoBuff().Check(), "");
    }
    EXPECT_GT(h.RunItems(), 0);
    while (h.single.UndoBuff().UndoItem()) {
      h.Both([](TAFEdit& e) { e.Undo(); });
      ASSERT_EQ(UndoState(h.runs), UndoState(h.single)) << seed;
    }
    EXPECT_EQ(RowsOf(h.runs), rows);
    while (h.single.UndoBuff().RedoItem()) {
      h.Both([](TAFEdit& e) { e.Redo(); });
      ASSERT_EQ(UndoState(h.runs), UndoState(h.single)) << seed;
    }
  }
}

}  // namespace
