// Block and column attributes following their text through row changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "common/Doc.h"

namespace {

using TestUtil::SetRows;

TBlkAttr Block(int sc, int sr, int ec, int er) {
  TBlkAttr b;
  b.StartCol = sc;
  b.StartRow = sr;
  b.EndCol = ec;
  b.EndRow = er;
  b.Color = clRed;
  b.Style = {fsBold};
  return b;
}

TEST(BlockAttrs, NoBlocksChangeNothing) {
  TAFEdit e;
  SetRows(e, {"abc"});
  TColor c = 0;
  TFontStyles st;
  EXPECT_FALSE(e.BlockAt({0, 0}, c, st));
  EXPECT_EQ(e.NextBlockBoundary({0, 0}), -10000);
}

TEST(BlockAttrs, LookupAndNextBoundary) {
  TAFEdit e;
  SetRows(e, {"0123456789\r", "abcdef"});
  e.BlkAttrs().Add(Block(2, 0, 5, 0));
  e.BlkAttrs().Add(Block(8, 0, 3, 1));
  TColor c = 0;
  TFontStyles st;
  EXPECT_TRUE(e.BlockAt({4, 0}, c, st));
  EXPECT_EQ(c, clRed);
  EXPECT_TRUE(st.contains(fsBold));
  EXPECT_FALSE(e.BlockAt({5, 0}, c, st));
  EXPECT_TRUE(e.BlockAt({0, 1}, c, st));
  EXPECT_EQ(e.NextBlockBoundary({0, 0}), 2);   // the first block starts at 2
  EXPECT_EQ(e.NextBlockBoundary({3, 0}), 6);   // inside a block: just past its end
  EXPECT_EQ(e.NextBlockBoundary({6, 0}), 8);
}

TEST(BlockAttrs, SplitMovesBoundariesToTheNextRow) {
  TAFEdit e;
  SetRows(e, {"r0\r", "r1\r", "r2\r", "r3\r", "r4\r", "0123456789", "next"});
  e.BlkAttrs().Add(Block(5, 5, 8, 5));
  e.BlkAttrs().Add(Block(0, 6, 4, 5 + 1));
  // The last 6 bytes of the 10-byte row 5 move to the start of row 6.
  e.BlocksMove(5, 6, 0, 6);
  const TBlkAttr& a = e.BlkAttrs().Items(0);
  EXPECT_EQ((std::vector<int>{a.StartCol, a.StartRow, a.EndCol, a.EndRow}), (std::vector<int>{1, 6, 4, 6}));
  const TBlkAttr& b = e.BlkAttrs().Items(1);
  EXPECT_EQ((std::vector<int>{b.StartCol, b.StartRow, b.EndCol, b.EndRow}), (std::vector<int>{6, 6, 10, 6}));
  // A boundary at the first moved byte goes to column 0 of the next row.
  e.BlkAttrs().Clear();
  e.BlkAttrs().Add(Block(4, 5, 9, 5));
  e.BlocksMove(5, 6, 0, 6);
  EXPECT_EQ(e.BlkAttrs().Items(0).StartCol, 0);
  EXPECT_EQ(e.BlkAttrs().Items(0).StartRow, 6);
}

TEST(BlockAttrs, JoinMovesBoundariesToThePreviousRow) {
  TAFEdit e;
  SetRows(e, {"abcd", "efghij"});
  e.BlkAttrs().Add(Block(1, 1, 5, 1));
  e.BlocksMove(1, 0, 1, 2);  // "ef" goes to the end of row 0
  const TBlkAttr& a = e.BlkAttrs().Items(0);
  EXPECT_EQ((std::vector<int>{a.StartCol, a.StartRow, a.EndCol, a.EndRow}), (std::vector<int>{5, 0, 3, 1}));
}

TEST(BlockAttrs, RowDeletionDropsBlocksOnItAndNotifies) {
  TAFEdit e;
  SetRows(e, {"a\r", "b\r", "c\r", "d\r", "e\r", "f\r", "g\r", "h"});
  e.BlkAttrs().Add(Block(0, 1, 1, 2));   // ends above row 5: shifts nothing
  e.BlkAttrs().Add(Block(0, 5, 1, 5));   // on row 5: deleted
  e.BlkAttrs().Add(Block(0, 6, 1, 7));   // starts on row 6, which becomes 5: deleted too
  std::vector<std::pair<int, int>> deleted;
  e.OnBlockDelete = [&](TCustomAFEdit*, int f, int l) { deleted.push_back({f, l}); };
  for (int r = 0; r < e.RowCount(); ++r) e.LineAttrs().GetAttr(r).Dirty = false;
  e.NewEditGroup();
  e.DeleteRow(5);
  ASSERT_EQ(e.BlkAttrs().Count(), 1);
  EXPECT_EQ(e.BlkAttrs().Items(0).StartRow, 1);
  EXPECT_EQ(deleted.size(), 2u);
  EXPECT_TRUE(e.LineAttrs().GetAttr(5).Dirty);
  // Undo re-inserts the row: blocks at or below it move down again.
  e.BlkAttrs().Add(Block(0, 5, 1, 6));
  e.Undo();
  EXPECT_EQ(e.BlkAttrs().Items(1).StartRow, 6);
  EXPECT_EQ(e.BlkAttrs().Items(1).EndRow, 7);
}

TEST(BlockAttrs, EditsInsideARowFollowTheirBytes) {
  TAFEdit e;
  SetRows(e, {"0123456789"});
  e.BlkAttrs().Add(Block(2, 0, 5, 0));
  e.BlocksEdited(0, 3, 0, 4);  // insertion inside the block grows it
  EXPECT_EQ(e.BlkAttrs().Items(0).StartCol, 2);
  EXPECT_EQ(e.BlkAttrs().Items(0).EndCol, 9);
  e.BlocksEdited(0, 0, 0, 1);  // insertion before it shifts it
  EXPECT_EQ(e.BlkAttrs().Items(0).StartCol, 3);
  e.BlocksEdited(0, 0, 2, 2);  // deletion before it shifts it back
  EXPECT_EQ(e.BlkAttrs().Items(0).StartCol, 1);
  EXPECT_EQ(e.BlkAttrs().Items(0).EndCol, 8);
  e.BlocksEdited(0, 7, 2, 3);  // a deletion over its end removes it
  EXPECT_EQ(e.BlkAttrs().Count(), 0);
}

TEST(ColumnAttrs, ListsFollowSplitsAndEdits) {
  TAFEdit e;
  SetRows(e, {"abcdef", "xy"});
  TColAttrList* l = e.GetColAttrs(0);
  ASSERT_EQ(l->Count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(l->Items(i).Active);
  for (int i = 0; i < 6; ++i) l->Items(i).Color = i;
  // The last 2 bytes of row 0 go to the start of row 1.
  e.ColAttrsMove(0, 1, 0, 2);
  TColAttrList* l1 = e.GetColAttrs(1);
  ASSERT_EQ(l1->Count(), 4);
  EXPECT_EQ(l1->Items(0).Color, 4);
  EXPECT_EQ(l1->Items(1).Color, 5);
  EXPECT_EQ(e.GetColAttrs(0)->Count(), 4);
  e.SetRowText(0, "abcd", true);
  e.SetRowText(1, "efxy", false);
  // And the first byte of row 1 back to the end of row 0.
  e.ColAttrsMove(1, 0, 1, 1);
  EXPECT_EQ(e.GetColAttrs(0)->Count(), 5);
  EXPECT_EQ(e.GetColAttrs(0)->Items(4).Color, 4);
  e.ColAttrEdit(0, 1, 0, 3);
  EXPECT_EQ(e.GetColAttrs(0)->Count(), 8);
  EXPECT_EQ(e.GetColAttrs(0)->Items(4).Color, 1);
  e.ColAttrEdit(0, 0, 2, 2);
  EXPECT_EQ(e.GetColAttrs(0)->Count(), 6);
  // A row without a list is left alone.
  e.ColAttrEdit(1, 0, 0, 5);
  e.FreeColAttrs(1);
  e.ColAttrEdit(1, 0, 0, 5);
  EXPECT_EQ(e.LineAttrs().ColAttrs(1), nullptr);
}

}  // namespace
