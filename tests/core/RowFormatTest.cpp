// The row-number formatter: the integer directive as row numbers need it, and
// hostile format strings that must stay literal and bounded.
#include <gtest/gtest.h>

#include "AFEdit/render/RowFormat.h"

namespace {

TEST(RowFormat, IntegerDirective) {
  EXPECT_EQ(FormatRowNumber("%5d:", 100), "  100:");
  EXPECT_EQ(FormatRowNumber("%5d:", 123456), "123456:");
  EXPECT_EQ(FormatRowNumber("%-5d|", 42), "42   |");
  EXPECT_EQ(FormatRowNumber("%05d", 42), "00042");
  EXPECT_EQ(FormatRowNumber("%+d %i", 7), "+7 7");
  EXPECT_EQ(FormatRowNumber("%.3d", 5), "005");
  EXPECT_EQ(FormatRowNumber("%6.3d", -5), "  -005");
  EXPECT_EQ(FormatRowNumber("%05d", -42), "-0042");
  EXPECT_EQ(FormatRowNumber("100%% %d", 1), "100% 1");
  EXPECT_EQ(FormatRowNumber("行%d", 3), "行3");
}

TEST(RowFormat, HostileStringsStayLiteralAndBounded) {
  EXPECT_EQ(FormatRowNumber("%s", 1), "%s");
  EXPECT_EQ(FormatRowNumber("%n%d", 1), "%n1");
  EXPECT_EQ(FormatRowNumber("%", 1), "%");
  EXPECT_EQ(FormatRowNumber("abc%", 1), "abc%");
  EXPECT_EQ(FormatRowNumber("%5", 1), "%5");
  EXPECT_EQ(FormatRowNumber("%ld", 1), "%ld");
  EXPECT_EQ(FormatRowNumber("%*d", 1), "%*d");
  EXPECT_EQ(FormatRowNumber("%999999999d", 1).size(), static_cast<size_t>(kMaxRowFormatWidth));
  EXPECT_EQ(FormatRowNumber("%.999999999999999999999d", 1).size(), static_cast<size_t>(kMaxRowFormatWidth));
  EXPECT_EQ(FormatRowNumber(std::string_view("%d\0%s", 5), 9), std::string("9\0%s", 4));
}

}  // namespace
