// The line splitter: windows, cuts between characters, line-end pairs and
// zero bytes, against a line-by-line model.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "AFEdit/document/FileFormat.h"
#include "common/LineModel.h"

namespace {

using namespace TestUtil;
using Rows = LineRows;

// The random test below covers these; they show the two window rules.
TEST(LineReader, WindowEdges) {
  EXPECT_EQ(Split("abc\r\nd", 4), (Rows{"abc\r", "d"}));  // a pair across a refill
  EXPECT_EQ(Split("abc\n\rd", 4), (Rows{"abc\r", "d"}));
  EXPECT_EQ(Split("abcdefghij\r\nk", 4), (Rows{"abcd", "efgh", "ij\r", "k"}));  // cut lines
  EXPECT_EQ(Split("abcd\r\nx", 4), (Rows{"abcd", "\r", "x"}));
  EXPECT_EQ(Split("abcdefgh", 4), (Rows{"abcd", "efgh", ""}));  // a cut right at the end
  // A cut never parts a two-byte character: the row ends one byte earlier.
  EXPECT_EQ(Split("abc\x82\xA0\r\n", 4), (Rows{"abc", "\x82\xA0\r"}));
  EXPECT_EQ(Split("ab\x82\xA0xy", 4), (Rows{"ab\x82\xA0", "xy"}));
  EXPECT_EQ(Split("a\x82\x82\x82\x82", 4), (Rows{"a\x82\x82", "\x82\x82"}));  // trail bytes in the lead range
  EXPECT_EQ(Split("\x82\x82\x82\x82\x82", 4), (Rows{"\x82\x82\x82\x82", "\x82"}));
  EXPECT_EQ(Split("abc\x82\r\n", 4), (Rows{"abc", "\x82\r"}));  // not a CR-only row after a lead byte
  EXPECT_EQ(Split("\x82\xA0", 1), (Rows{"\x82", "\xA0", ""}));       // a one-byte window cannot help it
}

TEST(LineReader, AgreesWithLineByLineSplittingForAnyWindowAndReads) {
  std::mt19937 rng(7);
  // Lead bytes of either range, so that cuts meet two-byte characters.
  const char alphabet[] = {'a', '\x82', '\r', '\n', '\r', '\n', '\xE0', 'b', '\0'};
  for (int round = 0; round < 3000; ++round) {
    std::string s(rng() % 40, 'a');
    for (char& c : s) c = alphabet[rng() % (round % 4 == 0 ? 9 : 8)];
    const size_t window = 1 + rng() % 7;
    const size_t piece = 1 + rng() % 9;
    int64_t zeroAt = 0;
    ASSERT_EQ(Split(s, window, piece, round, &zeroAt), Expected(s, window)) << "window " << window;
    const size_t zero = s.find('\0');
    ASSERT_EQ(zeroAt, zero == std::string::npos ? -1 : static_cast<int64_t>(zero)) << s.size();
  }
}

}  // namespace
