// The row store: row operations, their events, Text and the record list.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "common/Doc.h"

namespace {

// A control holding the given rows exactly, with nothing to undo.
using namespace TestUtil;

TEST(RowText, TextJoinsWrappedRowsAndEndsLinesWithCrLf) {
  TAFEdit e;
  SetRows(e, {"ab\r", "cd", "ef\r", ""});
  EXPECT_EQ(e.Text(), "ab\r\ncdef\r\n");
  SetRows(e, {""});
  EXPECT_EQ(e.Text(), "");
  SetRows(e, {"x"});
  EXPECT_EQ(e.Text(), "x");
  EXPECT_TRUE(e.CheckInvariants().empty());
}

TEST(RowText, LineEndIsOnlyAFinalCr) {
  TAFEdit e;
  SetRows(e, {"", "\r", "ab", "a"});
  EXPECT_FALSE(e.RowHasLineEnd(0));
  EXPECT_TRUE(e.RowHasLineEnd(1));
  EXPECT_FALSE(e.RowHasLineEnd(2));
  EXPECT_FALSE(e.RowHasLineEnd(3));
}

TEST(RowEvents, AppendRowPassesTheIndexOfTheCurrentLastRow) {
  TAFEdit e;  // constructed: no rows yet
  std::vector<int> indices;
  e.OnLineInsert = [&](TCustomAFEdit*, int index, std::string&) { indices.push_back(index); };
  TLineAttr a;
  e.InitLineAttr(false, 0, a, 60);
  e.AppendRow("a\r", a);
  e.AppendRow("b\r", a);
  e.AppendRow("c\r", a);
  e.AppendRow("d", a);
  EXPECT_EQ(indices, (std::vector<int>{-1, 0, 1, 2}));
  EXPECT_EQ(e.RowCount(), 4);
  EXPECT_TRUE(e.LineAttrs().GetAttr(3).Dirty);
}

TEST(RowEvents, InsertHandlerChangesTheStoredRowAndTheUndoItem) {
  TAFEdit e;
  SetRows(e, {"a\r", "b"});
  e.OnLineInsert = [](TCustomAFEdit*, int, std::string& s) { s = "[" + s + "]"; };
  e.NewEditGroup();
  e.InsertRow(1, "x\r", e.LineAttrs().GetAttr(0));
  EXPECT_EQ(e.RowText(1).str(), "[x\r]");
  const TUndoBuffItem* it = e.UndoBuff().UndoItem();
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->NewText.str(), "[x\r]");
  EXPECT_TRUE(it->NewText.SharesWith(e.RowText(1)));  // one text for row and item
  e.OnLineInsert = nullptr;
  e.Undo();
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"a\r", "b"}));
  e.Redo();
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"a\r", "[x\r]", "b"}));
}

TEST(RowEvents, SetRowTextFiresInOrderAndRecordsTheHandlersChange) {
  TAFEdit e;
  SetRows(e, {"abc"});
  std::vector<std::string> log;
  e.OnBeforeChange = [&](TCustomAFEdit*, int index, std::string& s, bool&) {
    log.push_back("before " + std::to_string(index) + " " + s);
  };
  bool inHandler = false;
  e.OnChange = [&](TCustomAFEdit* sender) {
    log.push_back("change " + sender->RowText(0).str());
    if (!inHandler) {  // a handler that normalises the row it was told about
      inHandler = true;
      sender->SetRowText(0, sender->RowText(0).str() + "!", false);
      inHandler = false;
    }
  };
  e.OnUndoChange = [&](TCustomAFEdit*, bool u, bool r) {
    log.push_back(std::string("undo ") + (u ? "1" : "0") + (r ? "1" : "0"));
  };
  const int group = e.EditGroup();
  e.SetRowText(0, "xyz", true);
  EXPECT_EQ(e.RowText(0).str(), "xyz!");
  EXPECT_EQ(e.EditGroup(), group + 1);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "before 0 xyz");
  EXPECT_EQ(log[1], "change xyz");
  EXPECT_EQ(log.back(), "undo 10");
  // Every item of the command shares one group, so one undo restores "abc".
  e.OnChange = nullptr;
  e.OnBeforeChange = nullptr;
  e.Undo();
  EXPECT_EQ(e.RowText(0).str(), "abc");
  EXPECT_FALSE(e.Edited());
}

TEST(RowEvents, RefusedChangeLeavesEverythingAlone) {
  TAFEdit e;
  SetRows(e, {"abc"});
  int changes = 0, undoChanges = 0;
  e.OnBeforeChange = [](TCustomAFEdit*, int, std::string&, bool& can) { can = false; };
  e.OnChange = [&](TCustomAFEdit*) { ++changes; };
  e.OnUndoChange = [&](TCustomAFEdit*, bool, bool) { ++undoChanges; };
  const int group = e.EditGroup();
  e.SetRowText(0, "xyz", true);
  EXPECT_EQ(e.RowText(0).str(), "abc");
  EXPECT_EQ(e.EditGroup(), group);
  EXPECT_FALSE(e.Edited());
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(undoChanges, 0);
  EXPECT_EQ(e.UndoBuff().Pos(), 0);
}

TEST(RowEvents, BeforeChangeHandlerMayRewriteTheText) {
  TAFEdit e;
  SetRows(e, {"abc"});
  e.OnBeforeChange = [](TCustomAFEdit*, int, std::string& s, bool&) { s += "?"; };
  e.SetRowText(0, "q", true);
  EXPECT_EQ(e.RowText(0).str(), "q?");
  EXPECT_EQ(e.UndoBuff().UndoItem()->NewText.str(), "q?");
}

TEST(RowEvents, DeleteRowFiresAndPullsTheCaretUp) {
  TAFEdit e;
  SetRows(e, {"a\r", "b\r", "c"});
  std::vector<int> deleted;
  e.OnLineDelete = [&](TCustomAFEdit*, int i) { deleted.push_back(i); };
  e.SetCaretPos({0, 2});
  e.NewEditGroup();
  e.DeleteRow(2);
  EXPECT_EQ(deleted, std::vector<int>{2});
  EXPECT_EQ(e.Caret().Y, 1);
  EXPECT_EQ(e.RowCount(), 2);
  EXPECT_EQ(e.UndoBuff().UndoItem()->OldText.str(), "c");
}

TEST(Positions, OrderAndRanges) {
  const TPoint p{3, 2};
  EXPECT_EQ(MinPos(p, TPoint{3, 2}).X, 3);
  EXPECT_EQ(MinPos({5, 1}, {0, 2}), (TPoint{5, 1}));
  EXPECT_EQ(MaxPos({5, 1}, {0, 2}), (TPoint{0, 2}));
  EXPECT_EQ(MinPos({2, 4}, {1, 4}), (TPoint{1, 4}));
  // Single row range.
  EXPECT_TRUE(PosInRange({2, 3}, {2, 3}, {5, 3}));
  EXPECT_FALSE(PosInRange({5, 3}, {2, 3}, {5, 3}));
  EXPECT_FALSE(PosInRange({2, 3}, {2, 3}, {2, 3}));  // empty range
  // Multi-row range.
  EXPECT_TRUE(PosInRange({100, 4}, {2, 3}, {1, 5}));
  EXPECT_TRUE(PosInRange({0, 5}, {2, 3}, {1, 5}));
  EXPECT_FALSE(PosInRange({1, 5}, {2, 3}, {1, 5}));
  EXPECT_FALSE(PosInRange({1, 3}, {2, 3}, {1, 5}));
  EXPECT_EQ(CountByte(std::string_view("a\tb\t\0\t", 6), '\t'), 2);
}

TEST(AttrList, GetAttrGrowsWithEmptyEntries) {
  TAttrList l;
  TLineAttr a;
  a.WrapPos = 60;
  for (int i = 0; i < 3; ++i) l.AddAttr(a);
  TLineAttr& r = l.GetAttr(10);
  EXPECT_EQ(l.Count(), 11);
  for (int i = 3; i < 10; ++i) EXPECT_FALSE(l.HasAttr(i)) << i;
  EXPECT_TRUE(l.HasAttr(10));
  EXPECT_EQ(r.WrapPos, 0);
  EXPECT_EQ(r.TextColor, 0);
  EXPECT_EQ(l.ColAttrs(10), nullptr);
  // WriteAttrs skips the empty entries: three records and the new one.
  std::ostringstream out;
  l.WriteAttrs(out);
  EXPECT_EQ(out.str().size(), 4u * 20u);
}

TEST(AttrList, DiskRecordIsLittleEndianInFieldOrder) {
  TAttrList l;
  TLineAttr a;
  a.TextColor = 0x11223344;
  a.BackColor = clWindow;
  a.Indent = -2;
  a.Reserved = 0x0102;
  a.WrapPos = 300;
  a.FontStyle = {fsBold, fsUnderline};
  a.Dirty = true;
  l.AddAttr(a);
  l.EnsureColAttrs(0, 3);  // never written
  std::ostringstream out;
  l.WriteAttrs(out);
  const std::string expect("\x44\x33\x22\x11"
                           "\x05\x00\x00\x80"
                           "\xfe\xff"
                           "\x00\x00"  // reserved: always zero
                           "\x2c\x01"
                           "\x05"
                           "\x01"
                           "\x00\x00\x00\x00",
                           20);
  EXPECT_EQ(out.str(), expect);
  TLineAttr back = DecodeLineAttr(reinterpret_cast<const unsigned char*>(expect.data()));
  back.Reserved = a.Reserved;
  EXPECT_EQ(back, l.PeekAttr(0));
}

TEST(AttrList, EntriesFollowTheirRowsThroughInsertsAndDeletes) {
  TAttrList l;
  // Enough entries for several blocks, appended equal (a run) and unequal.
  TLineAttr a;
  for (int i = 0; i < 3000; ++i) {
    a.WrapPos = static_cast<int16_t>(i < 1500 ? 1 : i);
    l.AddAttr(a);
  }
  std::vector<int> model;
  for (int i = 0; i < 3000; ++i) model.push_back(i < 1500 ? 1 : i);
  for (int k = 0; k < 500; ++k) {
    const int at = (k * 7919) % (l.Count() + 1);
    a.WrapPos = static_cast<int16_t>(10000 + k);
    if (k % 3 == 2 && l.Count() > 0) {
      l.DeleteAttr(at % l.Count());
      model.erase(model.begin() + at % static_cast<int>(model.size()));
    } else {
      l.InsertAttr(at, a);
      model.insert(model.begin() + at, 10000 + k);
    }
  }
  ASSERT_EQ(l.Count(), static_cast<int>(model.size()));
  for (int i = 0; i < l.Count(); ++i) ASSERT_EQ(l.PeekAttr(i).WrapPos, model[i]) << i;
  // Marking a range dirty touches exactly that range.
  l.MarkDirty(100, 2500);
  for (int i = 0; i < l.Count(); ++i)
    ASSERT_EQ(l.GetAttr(i).Dirty, i >= 100 && i < 2500) << i;
}

TEST(AttrList, ColumnListsBelongToTheirEntries) {
  TAttrList l;
  TLineAttr a;
  for (int i = 0; i < 4; ++i) l.AddAttr(a);  // one run
  EXPECT_EQ(l.ColAttrs(1), nullptr);
  l.EnsureColAttrs(1, 3).Items(0).Color = 7;
  l.InsertAttr(0, a);  // the list moves with its entry
  ASSERT_NE(l.ColAttrs(2), nullptr);
  EXPECT_EQ(l.ColAttrs(2)->Items(0).Color, 7);
  l.SetAttr(2, a);  // a record replaced wholesale loses its list
  EXPECT_EQ(l.ColAttrs(2), nullptr);
  l.EnsureColAttrs(5, 1);
  l.SetCount(3);  // shrinking frees the tail's lists (the sanitizer build checks)
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Check(), "");
}

TEST(Lifecycle, LoadedAndClearGiveOneEmptyRow) {
  TAFEdit e;
  std::vector<std::pair<bool, bool>> notes;
  std::vector<int> inserts;
  e.OnUndoChange = [&](TCustomAFEdit*, bool u, bool r) { notes.push_back({u, r}); };
  e.OnLineInsert = [&](TCustomAFEdit*, int i, std::string&) { inserts.push_back(i); };
  e.Loaded();
  EXPECT_EQ(e.RowCount(), 1);
  EXPECT_EQ(e.RowText(0).str(), "");
  EXPECT_FALSE(e.Edited());
  EXPECT_EQ(e.UndoBuff().UndoItem(), nullptr);
  EXPECT_EQ(e.Caret(), (TPoint{0, 0}));
  EXPECT_EQ(inserts, std::vector<int>{-1});
  EXPECT_EQ(notes, (std::vector<std::pair<bool, bool>>{{false, false}, {true, false}}));

  e.SetRowText(0, "abc", true);
  e.AppendLine("def");
  notes.clear();
  e.Clear();
  EXPECT_EQ(e.RowCount(), 1);
  EXPECT_FALSE(e.Edited());
  EXPECT_EQ(notes.back(), (std::pair<bool, bool>{false, false}));
  e.Undo();
  EXPECT_EQ(e.RowCount(), 1);
  e.Redo();
  EXPECT_EQ(e.RowText(0).str(), "");
}

}  // namespace
