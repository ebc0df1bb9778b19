#include "AFEdit/layout/Columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

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

// ---- tab expansion ----

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
  EXPECT_EQ(DisplayToByteCount(row, static_cast<int>(D.size()) - 1, 2, 4), 6 * pieces);
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

// On random rows of tabs, 0x0B bytes, two-byte characters (some with a
// second byte of 0x09), zero bytes and indents: byte positions and display
// columns convert into each other, the one-pass table agrees, and the caret
// steps over exactly one character or tab span at a time, both ways.
TEST_F(ColumnsTest, ColumnsAndBytesRoundTripOnRandomRows) {
  std::mt19937 rng(7);
  const std::string pieces[] = {"a", "\x0b", "\t", kA2, kKana, "\x81\x09", std::string(1, '\0'), " "};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int n = static_cast<int>(rng() % 10); n > 0; --n) text += pieces[rng() % std::size(pieces)];
    if (rng() % 4 == 0) text += "\x82";  // a lead byte cut off by the end
    const int indent = static_cast<int>(rng() % 4), tab = 1 + static_cast<int>(rng() % 6);
    Rows({text});
    Indent(0, indent);
    e.SetTabSize(tab);
    SCOPED_TRACE(::testing::PrintToString(text) + " indent " + std::to_string(indent) + " tab " + std::to_string(tab));
    const std::string shown = text.substr(0, text.find('\0'));
    // Character starts of the shown text, with its end.
    std::vector<int> starts;
    for (size_t i = 0; i <= shown.size(); i += IsLeadByte(static_cast<unsigned char>(shown[i])) ? 2 : 1)
      starts.push_back(static_cast<int>(std::min(i, shown.size())));
    if (starts.back() != static_cast<int>(shown.size())) starts.push_back(static_cast<int>(shown.size()));
    auto col = [&](int b) { return e.ByteToDisplayPos({b, 0}).X; };
    for (int b : starts) ASSERT_EQ(DisplayToByteCount(text, col(b), indent, tab), b) << "byte " << b;

    const int width = static_cast<int>(e.RowDisplayText(0).size());
    ASSERT_EQ(col(static_cast<int>(shown.size())), width);
    std::vector<int> table;
    DisplayByteIndexes(text, 0, width + 2, indent, tab, table);
    for (int c = 0; c <= width + 2; ++c) {
      const int b = DisplayToByteCount(text, c, indent, tab);
      ASSERT_EQ(table[static_cast<size_t>(c)], b) << "column " << c;
      if (c < indent) continue;
      ASSERT_LE(col(b), c) << "column " << c;  // the column lies in byte b's span
      if (b < static_cast<int>(shown.size())) {
        ASSERT_GT(col(b + 1), c) << "column " << c;
      }
    }

    std::vector<Pos> right{{col(0), 0}}, left{{width, 0}};
    for (size_t i = 1; i < starts.size(); ++i) right.push_back(Right(right.back()));
    for (size_t i = 1; i < starts.size(); ++i) left.push_back(Left(left.back()));
    for (size_t i = 0; i < starts.size(); ++i) {
      ASSERT_EQ(right[i], Pos(col(starts[i]), 0)) << "step right " << i;
      ASSERT_EQ(left[i], Pos(col(starts[starts.size() - 1 - i]), 0)) << "step left " << i;
    }
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
