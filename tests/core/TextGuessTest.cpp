// Telling UTF-8 text from CP932 text by its first bytes.
#include <gtest/gtest.h>

#include <string>

#include "AFEdit/document/TextGuess.h"

namespace {

struct TGuessCase {
  const char* Name;
  std::string Bytes;
  bool Utf8;
};

// Literals in this file are UTF-8; CP932 bytes are written as escapes.
const TGuessCase kGuessCases[] = {
    {"empty", "", false},
    {"ASCII is either", "plain text\r\n", false},
    {"Japanese prose in UTF-8", "日本語のテキストです。\r\n二行目\r\n", true},
    {"kana pairing up evenly as CP932", "あい\r\n", true},
    {"kanji only, no line end", "漢字仮名交じり文", true},
    {"a byte-order mark", "\xEF\xBB\xBF" "abc", true},
    {"Cyrillic", "Привет\n", true},
    {"an emoji", "ok 😀", true},
    {"CP932 prose", "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x81\x42\r\n", false},
    {"CP932 kana", "\x82\xA0\x82\xA2\x82\xA4", false},
    {"CP932 half-width kana", "\xB1\xB2\xB3", false},
    {"Latin-1 accents read as half-width kana", "caf\xC3\xA9", false},
    {"an overlong form", "\xC0\xAF", false},
    {"a surrogate", "\xED\xA0\x80", false},
    {"past U+10FFFF", "\xF4\x90\x80\x80", false},
    {"a lone continuation byte", "\x80", false},
    {"UTF-8 with one broken sequence", "日本語\xE3\x81", true},  // cut off at the end: still valid
    {"UTF-8 with a bad byte inside", "日本\xFF語", false},
};

class TextGuess : public ::testing::TestWithParam<TGuessCase> {};

TEST_P(TextGuess, Decides) { EXPECT_EQ(LooksLikeUtf8(GetParam().Bytes), GetParam().Utf8); }

INSTANTIATE_TEST_SUITE_P(Table, TextGuess, ::testing::ValuesIn(kGuessCases),
                         [](const auto& Info) {
                           std::string n = Info.param.Name;
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// Only the sample counts: what lies beyond it is not looked at, and a
// sequence the sample's end cuts off is taken as whole.
TEST(TextGuessSample, OnlyTheFirstBytesCount) {
  std::string text(kTextGuessSample - 1, 'a');
  text += "あ";  // its first byte is the sample's last
  text += "\xFF\xFF";
  EXPECT_FALSE(LooksLikeUtf8(text.substr(0, kTextGuessSample - 1)));
  // 29 bytes a line: the sample ends one byte into a three-byte sequence.
  std::string utf8;
  while (utf8.size() < kTextGuessSample) utf8 += "ひらがなとカタカナ\r\n";
  ASSERT_EQ(kTextGuessSample % 29, 25u);
  EXPECT_TRUE(LooksLikeUtf8(utf8 + "\xFF"));
}

}  // namespace
