// Tab expansion and column/byte conversions of rows, without a control.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AFEdit/layout/Columns.h"

namespace {

// Two-byte "あ" and half-width katakana "ｱ" in CP932.
const std::string kA2 = "\x82\xA0";
const std::string kKana = "\xB1";

std::string Expand(std::string_view s, bool toSpaces = false, int tab = 4) {
  std::string out;
  ExpandTabsInto(out, s, toSpaces, tab);
  return out;
}

}  // namespace

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

TEST(DisplayToByteCount, TabSpansAndTwoByteCharacters) {
  const struct {
    std::string Text;
    int Indent;
    std::vector<std::pair<int, int>> ColBytes;
  } cases[] = {
      {"", 0, {{5, 0}}},
      // Inside the span the tab falls after the cut.
      {"a\tb", 0, {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {99, 3}}},
      {kA2 + kKana + "x", 2, {{2, 0}, {4, 2}, {5, 3}, {6, 4}}},
      // A 0x0B of the text before a tab: 0B 0B 0B 09 x on the screen.
      {"\x0b\tx", 0, {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {5, 3}}},
  };
  for (const auto& c : cases)
    for (const auto& [col, bytes] : c.ColBytes)
      EXPECT_EQ(DisplayToByteCount(c.Text, col, c.Indent, 4), bytes) << c.Text << " column " << col;
}
