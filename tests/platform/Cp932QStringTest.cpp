// The code page's conversions to and from Qt's strings.
#include <gtest/gtest.h>

#include <QString>

#include <string>

#include "AFEdit/platform/Cp932.h"
#include "common/Bytes.h"

namespace {

using TestUtil::Bytes;

QString Q(const std::u32string& s) { return QString::fromStdU32String(s); }

}  // namespace

TEST(Cp932QString, MixedTextBothWays) {
  // "Aｱ漢字〜\~" with the wave dash in its CP932 (full-width tilde) form.
  const std::string bytes = Bytes({'A', 0xB1, 0x8A, 0xBF, 0x8E, 0x9A, 0x81, 0x60, 0x5C, 0x7E, '\t'});
  const QString text = Q(U"A\uFF71\u6F22\u5B57\uFF5E\\~\t");
  EXPECT_EQ(text, Cp932ToQString(bytes));
  std::string out = "stale";
  int bad = 42;
  EXPECT_TRUE(QStringToCp932(text, out, &bad));
  EXPECT_EQ(bytes, out);
  EXPECT_EQ(-1, bad);
  EXPECT_TRUE(QStringToCp932(QString(), out));
  EXPECT_TRUE(out.empty());
}

TEST(Cp932QString, UndecodableBytesShowAsReplacement) {
  EXPECT_EQ(Q(U"A\uFFFDB"), Cp932ToQString(Bytes({'A', 0x81, 0x7F, 'B'})));  // one per pair
  EXPECT_EQ(Q(U"\uFFFDx"), Cp932ToQString(Bytes({0x81, 0x09, 'x'})));       // the tab is its trail
  EXPECT_EQ(Q(U"\uFFFD\uFFFD"), Cp932ToQString(Bytes({0x80, 0xFD})));
  EXPECT_EQ(Q(U"A\uFFFD"), Cp932ToQString(Bytes({'A', 0x88})));  // lone lead at the end
  EXPECT_EQ(QString(), Cp932ToQString(""));
}

TEST(Cp932QString, FirstUnmappableCharacterStopsConversion) {
  // あ, then an emoji as a surrogate pair, then い.
  std::string out;
  int bad = 0;
  EXPECT_FALSE(QStringToCp932(Q(U"\u3042\U0001F600\u3044"), out, &bad));
  EXPECT_EQ(1, bad);
  EXPECT_EQ(Bytes({0x82, 0xA0}), out);

  // A lone surrogate is unmappable too, and must not swallow the next unit.
  QString lone = Q(U"ab");
  lone.insert(1, QChar(char16_t{0xD83D}));
  EXPECT_FALSE(QStringToCp932(lone, out, &bad));
  EXPECT_EQ(1, bad);
  EXPECT_EQ("a", out);

  QString trailing = Q(U"\u3042");
  trailing += QChar(char16_t{0xDE00});
  EXPECT_FALSE(QStringToCp932(trailing, out, &bad));
  EXPECT_EQ(1, bad);
  EXPECT_EQ(Bytes({0x82, 0xA0}), out);

  EXPECT_FALSE(QStringToCp932(Q(U"x\u0100"), out));  // no badIndex wanted
  EXPECT_EQ("x", out);
}
