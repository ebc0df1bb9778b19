#include "AFEdit/layout/Columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "AFEdit/AFEdit.h"

namespace {

using Pos = std::pair<int, int>;  // column, row

// Two-byte "あ" and half-width katakana "ｱ" in CP932.
const std::string kA2 = "\x82\xA0";
const std::string kKana = "\xB1";

class ColumnsTest : public ::testing::Test {
protected:
  void SetUp() override { e.Clear(); }

  // Replaces the document with these rows (row 0 first).
  void Rows(std::initializer_list<std::string> rows) {
    e.Clear();
    bool first = true;
    for (const auto& r : rows) {
      if (first) e.SetRowText(0, r, true);
      else e.AppendLine(r);
      first = false;
    }
  }
  void Indent(int row, int n) { e.LineAttrs().GetAttr(row).Indent = static_cast<int16_t>(n); }
  void FreeCaret() { e.SetOptions({aoFreeCaret}); }

  Pos Right(Pos from) {
    e.SetCaretPos({from.first, from.second});
    e.CaretRight();
    return {e.Caret().X, e.Caret().Y};
  }
  Pos Left(Pos from) {
    e.SetCaretPos({from.first, from.second});
    e.CaretLeft();
    return {e.Caret().X, e.Caret().Y};
  }

  TAFEdit e;
};

std::string Expand(std::string_view s, bool toSpaces = false, int tab = 4) {
  std::string out;
  ExpandTabsInto(out, s, toSpaces, tab);
  return out;
}

// ---- tab expansion ----

TEST(ExpandTabs, TabStopsCountFromTheFirstByte) {
  EXPECT_EQ(Expand("a\tb"), "a\x0B\x0B\tb");
  EXPECT_EQ(Expand("a\tb", true), "a   b");
  EXPECT_EQ(Expand("\tx"), "\x0B\x0B\x0B\tx");
  EXPECT_EQ(Expand("abc\tx"), "abc\tx");        // a tab at column 3 takes one column
  EXPECT_EQ(Expand("\t\t", true, 3), "      ");
  EXPECT_EQ(Expand("a\tb", false, 0), "a\tb");  // no tab size: every tab is one column
}

TEST(ExpandTabs, MultibyteAwareAndCutAtZero) {
  // 0x09 after a lead byte is the second byte of a character, not a tab.
  EXPECT_EQ(Expand("\x81\x09\tz"), "\x81\x09\x0B\tz");
  EXPECT_EQ(Expand(kA2 + kKana + "\t"), kA2 + kKana + "\t");
  EXPECT_EQ(Expand(std::string("ab\0\tcd", 6)), "ab");
}

TEST(ExpandTabs, ReusesAndMayReadItsOwnBuffer) {
  std::string out;
  out.reserve(64);
  const char* data = out.data();
  ExpandTabsInto(out, "\tx", false, 4);
  EXPECT_EQ(out.data(), data);
  // Expanding an earlier result held in the same buffer.
  ExpandTabsInto(out, out, true, 4);
  EXPECT_EQ(out, "\x0B\x0B\x0B x");
}

TEST_F(ColumnsTest, RowsLongerThan64KGetTheirWholeDisplayText) {
  // Each piece is 6 bytes and 12 columns: a, tab(3), あ, tab(2), tab(4).
  const std::string piece = "a\t" + kA2 + "\t\t";
  const int pieces = 60000;
  std::string row;
  for (int i = 0; i < pieces; ++i) row += piece;
  row += "z";
  Rows({row});
  Indent(0, 2);

  const std::string D = e.RowDisplayText(0);
  ASSERT_EQ(D.size(), 2u + 12u * pieces + 1u);
  EXPECT_EQ(D.substr(0, 2), "  ");
  EXPECT_EQ(D.back(), 'z');
  std::string stored = D.substr(2);
  stored.erase(std::remove(stored.begin(), stored.end(), kFillerByte), stored.end());
  EXPECT_EQ(stored, row);
  for (size_t i = D.find('\t'); i != std::string::npos; i = D.find('\t', i + 1))
    ASSERT_EQ((i - 2) % 4, 3u) << "tab byte at " << i;

  EXPECT_EQ(e.ExpandTabs(row, true).size(), 12u * pieces + 1u);
  EXPECT_EQ(ExpandedWidth(row, 4), 12 * pieces + 1);
  EXPECT_EQ(DisplayToByteCount(D, static_cast<int>(D.size()) - 1, 2), 6 * pieces);
  EXPECT_EQ(e.ByteToDisplayPos({static_cast<int>(row.size()), 0}).X, static_cast<int>(D.size()));
}

// ---- display text and position conversions ----

TEST_F(ColumnsTest, RowDisplayTextPutsIndentBeforeTheTabStops) {
  Rows({"\ta", "a\tb"});
  Indent(0, 2);
  EXPECT_EQ(e.RowDisplayText(0), "  \x0B\x0B\x0B\ta");  // 'a' at column 6
  EXPECT_EQ(e.RowDisplayText(1), "a\x0B\x0B\tb");
  EXPECT_EQ(e.RowDisplayText(2), "");
  EXPECT_EQ(e.RowDisplayText(-1), "");
  e.SetTabSize(0);
  EXPECT_EQ(e.ExpandTabs("a\tb", false), "a\tb");
}

TEST(DisplayToByteCount, TabSpansAndTwoByteCharacters) {
  const std::string D = "a\x0B\x0B\tb";
  EXPECT_EQ(DisplayToByteCount("", 5, 0), 0);
  EXPECT_EQ(DisplayToByteCount(D, 0, 0), 0);
  EXPECT_EQ(DisplayToByteCount(D, 1, 0), 1);  // inside the span: the tab falls after the cut
  EXPECT_EQ(DisplayToByteCount(D, 3, 0), 1);
  EXPECT_EQ(DisplayToByteCount(D, 4, 0), 2);
  EXPECT_EQ(DisplayToByteCount(D, 99, 0), 3);

  const std::string I = "  " + kA2 + kKana + "x";
  EXPECT_EQ(DisplayToByteCount(I, 2, 2), 0);
  EXPECT_EQ(DisplayToByteCount(I, 4, 2), 2);
  EXPECT_EQ(DisplayToByteCount(I, 5, 2), 3);
  EXPECT_EQ(DisplayToByteCount(I, 6, 2), 4);

  // The one-pass form used for painting agrees at every column.
  for (const auto& [text, indent] : {std::pair{D, 0}, {I, 2}, {std::string("\x0B\x0Bx\x0B\t"), 1}}) {
    std::vector<int> all;
    const int last = static_cast<int>(text.size()) + 2;
    DisplayByteIndexes(text, 1, last, indent, all);
    for (int c = 1; c <= last; ++c) EXPECT_EQ(all[static_cast<size_t>(c - 1)], DisplayToByteCount(text, c, indent)) << c;
  }
}

TEST_F(ColumnsTest, ByteToDisplayPosAcrossTabsAndTwoByteCharacters) {
  Rows({"a\tb" + kA2 + "\tc"});
  Indent(0, 1);
  const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 5}, {3, 6}, {5, 8}, {6, 9}, {7, 10},
                                       {99, 10}, {-4, 1}};
  for (auto [byte, col] : cases) {
    const TPoint p = e.ByteToDisplayPos({byte, 0});
    EXPECT_EQ(p.X, col) << "byte " << byte;
    EXPECT_EQ(p.Y, 0);
  }
}

TEST_F(ColumnsTest, SnapToCharFollowsAndTogglesTheSharedDirection) {
  Rows({"a" + kA2 + "b"});
  TCustomAFEdit::SnapBackward = false;
  EXPECT_EQ(e.SnapToChar({2, 0}, false).X, 3);
  EXPECT_TRUE(TCustomAFEdit::SnapBackward);
  EXPECT_EQ(e.SnapToChar({2, 0}, false).X, 1);
  EXPECT_FALSE(TCustomAFEdit::SnapBackward);
  EXPECT_EQ(e.SnapToChar({2, 0}, true).X, 1);
  EXPECT_FALSE(TCustomAFEdit::SnapBackward);

  // Positions on a character start or past the rows stay; only
  // a backward request changes the direction then.
  EXPECT_EQ(e.SnapToChar({1, 0}, false).X, 1);
  EXPECT_FALSE(TCustomAFEdit::SnapBackward);
  const TPoint beyond = e.SnapToChar({2, 5}, true);
  EXPECT_EQ(beyond.X, 2);
  EXPECT_EQ(beyond.Y, 5);
  EXPECT_TRUE(TCustomAFEdit::SnapBackward);
  TCustomAFEdit::SnapBackward = false;
}

TEST_F(ColumnsTest, ClampPosKeepsPositionsInsideTheText) {
  Rows({"ab\r", "\tx"});
  const std::pair<Pos, Pos> cases[] = {
      {{-3, -1}, {0, 0}}, {{9, 0}, {3, 0}}, {{3, 0}, {3, 0}}, {{9, 5}, {5, 1}}, {{-1, 1}, {0, 1}}};
  for (auto [in, want] : cases) {
    const TPoint p = e.ClampPos({in.first, in.second});
    EXPECT_EQ(Pos(p.X, p.Y), want) << in.first << "," << in.second;
  }
}

// ---- caret movement within a row ----

TEST_F(ColumnsTest, CaretCrossesOneTabSpanPerStep) {
  Rows({"\t\tx"});
  EXPECT_EQ(Right({0, 0}), Pos(4, 0));
  EXPECT_EQ(Right({4, 0}), Pos(8, 0));
  EXPECT_EQ(Right({8, 0}), Pos(9, 0));
  EXPECT_EQ(Right({1, 0}), Pos(4, 0));
  EXPECT_EQ(Left({9, 0}), Pos(8, 0));
  EXPECT_EQ(Left({8, 0}), Pos(4, 0));
  EXPECT_EQ(Left({4, 0}), Pos(0, 0));

  // The indent does not move the tab stops.
  Rows({"\ta"});
  Indent(0, 2);
  EXPECT_EQ(Right({2, 0}), Pos(6, 0));
  EXPECT_EQ(Right({3, 0}), Pos(6, 0));
  EXPECT_EQ(Left({6, 0}), Pos(2, 0));
}

TEST_F(ColumnsTest, CaretSkipsWholeCharacters) {
  Rows({kA2 + kKana + kA2 + "\r", "x"});
  EXPECT_EQ(Left({5, 0}), Pos(3, 0));
  EXPECT_EQ(Left({3, 0}), Pos(2, 0));  // half-width katakana is one column
  EXPECT_EQ(Left({2, 0}), Pos(0, 0));
  EXPECT_EQ(Right({0, 0}), Pos(2, 0));
  EXPECT_EQ(Right({2, 0}), Pos(3, 0));
  EXPECT_EQ(Right({3, 0}), Pos(5, 0));
  // A second byte that looks like a lead byte is still a second byte.
  Rows({"\x81\x81\x81\x81"});
  EXPECT_EQ(Left({4, 0}), Pos(2, 0));
  EXPECT_EQ(Right({2, 0}), Pos(4, 0));
}

// ---- caret movement across rows ----

TEST_F(ColumnsTest, CaretLeftAtRowStarts) {
  Rows({"ab\r", "cd", "ef\r"});
  Indent(0, 1);
  Indent(2, 2);
  EXPECT_EQ(Left({1, 0}), Pos(1, 0));  // first row: to its indent
  EXPECT_EQ(Left({0, 0}), Pos(1, 0));
  EXPECT_EQ(Left({0, 1}), Pos(3, 0));  // before the previous row's CR
  EXPECT_EQ(Left({2, 2}), Pos(2, 1));  // after the last character of a wrapped row
  EXPECT_EQ(Left({3, 3}), Pos(2, 3));  // past the last row
  EXPECT_EQ(Left({0, 3}), Pos(0, 3));
  EXPECT_EQ(Left({9, 1}), Pos(1, 1));  // past the end of the row
  FreeCaret();
  EXPECT_EQ(Left({9, 1}), Pos(8, 1));
}

TEST_F(ColumnsTest, CaretRightAtRowEnds) {
  Rows({"ab\r", "cd", "ef\r"});
  Indent(1, 1);
  Indent(2, 2);
  EXPECT_EQ(Right({1, 0}), Pos(2, 0));  // onto the CR
  EXPECT_EQ(Right({2, 0}), Pos(1, 1));  // over the CR to the next row's indent
  EXPECT_EQ(Right({0, 1}), Pos(1, 1));  // inside the indent
  EXPECT_EQ(Right({2, 1}), Pos(2, 2));  // last character of a wrapped row
  EXPECT_EQ(Right({4, 2}), Pos(0, 3));  // after the final line end
  EXPECT_EQ(Right({0, 3}), Pos(1, 3));

  FreeCaret();
  EXPECT_EQ(Right({2, 0}), Pos(3, 0));
  EXPECT_EQ(Right({3, 0}), Pos(4, 0));
  EXPECT_EQ(Right({2, 1}), Pos(3, 1));
}

TEST_F(ColumnsTest, CaretRightStopsAtTheEndOfAnUnterminatedLastRow) {
  Rows({"ab\r", "cd"});
  EXPECT_EQ(Right({1, 1}), Pos(2, 1));
  EXPECT_EQ(Right({2, 1}), Pos(2, 1));
  Rows({"\x82"});  // a lead byte cut off by the end of the text
  EXPECT_EQ(Right({0, 0}), Pos(1, 0));
}

}  // namespace
