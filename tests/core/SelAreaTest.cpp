// The selection record: character ranges, row selections and change reports.
#include <gtest/gtest.h>

#include "AFEdit/input/SelArea.h"

TEST(SelArea, CharacterRanges) {
  TSelArea s;
  s.SetAnchorPos({5, 2});
  s.SetActivePos({3, 2});
  EXPECT_EQ(s.GetSelStart(), (TPoint{3, 2}));
  EXPECT_EQ(s.GetSelEnd(), (TPoint{5, 2}));
  EXPECT_TRUE(s.PosInSel(3, 2));
  EXPECT_TRUE(s.PosInSel(4, 2));
  EXPECT_FALSE(s.PosInSel(5, 2));
  s.SetAnchorPos({4, 1});
  s.SetActivePos({0, 3});
  EXPECT_TRUE(s.PosInSel(4, 1));
  EXPECT_FALSE(s.PosInSel(3, 1));
  EXPECT_TRUE(s.PosInSel(100, 2));
  EXPECT_FALSE(s.PosInSel(0, 3));
  s.CollapseCharSel();
  EXPECT_FALSE(s.HasCharSel());
  EXPECT_FALSE(s.PosInSel(0, 3));
}

TEST(SelArea, RowSelectionBookkeeping) {
  TSelArea s;
  s.SetAnchorRow(7);
  s.SetActiveRow(3);
  EXPECT_EQ(s.FirstSelRow(), 3);
  EXPECT_EQ(s.LastSelRow(), 7);
  s.RowInserted(5);
  EXPECT_EQ(s.FAnchorRow, 8);
  s.RowInserted(9);
  EXPECT_EQ(s.FAnchorRow, 8);
  s.RowDeleted(3);
  EXPECT_EQ(s.FAnchorRow, 7);
  s.SetAnchorRow(4);
  s.SetActiveRow(4);
  s.RowInserted(4);
  EXPECT_EQ(s.FirstSelRow(), 4);
  EXPECT_EQ(s.LastSelRow(), 5);
  s.ClearRowSel();
  EXPECT_FALSE(s.HasRowSel());
}

TEST(SelArea, ChangeReports) {
  TSelArea s;
  s.CollapseCharSel();
  s.ClearRowSel();
  EXPECT_EQ(s.CheckSelChange(), 0);
  s.SetActivePos({1, 0});
  EXPECT_EQ(s.CheckSelChange(), 1);
  EXPECT_EQ(s.CheckSelChange(), 0);
  s.CollapseCharSel();
  EXPECT_EQ(s.CheckSelChange(), 2);
}
