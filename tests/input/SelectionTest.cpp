// The selection record and the control's selection notifications.
#include <gtest/gtest.h>

#include "AFEdit/AFEdit.h"
#include "common/Doc.h"

namespace {

TEST(Selection, SelectAllNotifiesOnceAndTakesRowMetrics) {
  TAFEdit e;
  e.Loaded();
  int selects = 0, disselects = 0;
  e.OnSelect = [&](TCustomAFEdit*) { ++selects; };
  e.OnDisSelect = [&](TCustomAFEdit*) { ++disselects; };
  EXPECT_FALSE(e.Sel().HasRowSel());
  EXPECT_FALSE(e.Sel().HasCharSel());
  e.SelectAll();
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(e.Sel().FirstSelRow(), 0);
  EXPECT_EQ(e.Sel().LastSelRow(), 0);
  EXPECT_EQ(e.Sel().FMaxIndent, 0);
  EXPECT_EQ(e.Sel().FMinWrapPos, 60);

  e.AppendLine("x");
  e.AppendLine("y");
  e.LineAttrs().GetAttr(1).Indent = 4;
  e.LineAttrs().GetAttr(2).WrapPos = 30;
  e.Sel().SetAnchorPos({0, 0});
  e.Sel().SetActivePos({1, 1});
  e.SelectAll();  // a character selection does not survive it
  EXPECT_FALSE(e.Sel().HasCharSel());
  EXPECT_EQ(e.Sel().LastSelRow(), 2);
  EXPECT_EQ(e.Sel().FMaxIndent, 4);
  EXPECT_EQ(e.Sel().FMinWrapPos, 30);
  EXPECT_EQ(selects, 1);  // still selected: nothing new to report
  e.Sel().ClearRowSel();
  e.NotifySelChange();
  EXPECT_EQ(disselects, 1);
}

// Clear and loads put the selection back at the start of the new document.
TEST(Selection, ClearAndLoadsResetItToTheStart) {
  for (const bool load : {false, true}) {
    TAFEdit e;
    e.Loaded();
    e.AppendLine("abc");
    e.SelectAll();
    e.Sel().SetActivePos({2, 1});
    if (load)
      e.SetText("x");
    else
      e.Clear();
    EXPECT_FALSE(e.Sel().HasRowSel());
    EXPECT_EQ(e.Sel().GetSelStart(), (TPoint{0, 0}));
    EXPECT_EQ(e.Sel().GetSelEnd(), (TPoint{0, 0}));
  }
}

// Undo and redo that remove rows keep the selection inside the document.
TEST(Selection, UndoAndRedoKeepItInsideTheDocument) {
  TAFEdit e;
  e.Loaded();
  e.AppendLine("abc");
  e.SelectAll();
  e.Sel().SetActivePos({3, 1});
  e.Undo();
  EXPECT_EQ(e.CheckInvariants(), "");
  EXPECT_EQ(e.Sel().LastSelRow(), 0);
  e.Redo();
  e.SelectAll();
  e.NewEditGroup();
  e.DeleteRow(0);
  e.Redo();
  e.Undo();
  e.Redo();
  EXPECT_EQ(e.CheckInvariants(), "");
}

// Rows that re-wrap inserts or deletes before a row selection move it with
// its rows.
TEST(Selection, RowsChangedBeforeItMoveIt) {
  TAFEdit e;
  TestUtil::SetRows(e, {"ab", "cd\r", "x\r", "y\r", ""});
  TestUtil::SetLayout(e, 8);
  e.Sel().SetAnchorRow(2);
  e.Sel().SetActiveRow(3);
  e.RewrapRow(0);  // "cd\r" joins row 0
  EXPECT_EQ(e.RowText(1).str(), "x\r");
  EXPECT_EQ(e.Sel().FirstSelRow(), 1);
  EXPECT_EQ(e.Sel().LastSelRow(), 2);
  e.LineAttrs().GetAttr(0).WrapPos = 2;
  e.RewrapRow(0);  // "abcd\r" splits over three rows
  EXPECT_EQ(e.Sel().FirstSelRow(), 3);
  EXPECT_EQ(e.Sel().LastSelRow(), 4);
  EXPECT_EQ(e.RowText(3).str(), "x\r");
}

}  // namespace
