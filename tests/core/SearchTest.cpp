// The byte search over logical lines: CP932 boundaries, rows joined into one
// line, case and whole-word options, against a model that compares whole
// characters.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AFEdit/document/Search.h"
#include "AFEdit/platform/Cp932.h"

namespace {

using Matches = std::vector<std::pair<size_t, size_t>>;

// A line made of rows: its text and where each row after the first begins.
struct TLine {
  std::string Text;
  std::vector<uint32_t> Starts;
  explicit TLine(const std::vector<std::string>& Rows) {
    for (size_t i = 0; i < Rows.size(); ++i) {
      if (i > 0) Starts.push_back(static_cast<uint32_t>(Text.size()));
      Text += Rows[i];
    }
  }
  TLineView View() const { return {Text, Starts}; }
};

Matches AllMatches(TLineMatcher& M, const TLine& L) {
  Matches out;
  size_t b = 0, e = 0;
  for (size_t from = 0; M.Next(L.View(), from, b, e); from = e) out.emplace_back(b, e);
  return out;
}

struct TCase {
  const char* Name;
  std::vector<std::string> Rows;
  std::string Pattern;
  TSearchFlags Flags;
  Matches Want;
};

constexpr TSearchFlags kCase{true, false};
constexpr TSearchFlags kNoCase{false, false};
constexpr TSearchFlags kWord{true, true};

TEST(Search, Table) {
  const TCase cases[] = {
      {"lead byte of a" , {"\x82\xA0\x82\xA0"}, "\x82", kCase, {}},
      {"trail 0x41 is not A", {"\x83\x41\x83\x41"}, "A", kCase, {}},
      {"trail 0x41 is not a without case", {"\x83\x41"}, "a", kNoCase, {}},
      {"A after a two-byte character", {"\x83\x41" "A"}, "a", kNoCase, {{2, 3}}},
      {"pair straddling two characters", {"\x82\xA0\x82\xA2"}, "\xA0\x82", kCase, {}},
      {"kanji found", {"x\x88\x9F\x88\xA0y"}, "\x88\xA0", kCase, {{3, 5}}},
      {"word split over rows", {"abc de", "f ghi"}, "def", kCase, {{4, 7}}},
      {"kanji pair over rows", {"\x88\x9F\x88\xA0", "\x88\xA1"}, "\x88\xA0\x88\xA1", kCase, {{2, 6}}},
      {"row start resets pairing", {"\x82", "\xA0" "a"}, "\xA0" "a", kCase, {{1, 3}}},
      {"case differs", {"AbC abc ABC"}, "abc", kCase, {{4, 7}}},
      {"case ignored", {"AbC abc ABC"}, "abc", kNoCase, {{0, 3}, {4, 7}, {8, 11}}},
      {"full-width letters are their own", {"\x82\x60\x82\x81"}, "\x82\x81", kNoCase, {{2, 4}}},
      {"tab", {"a\tb\t"}, "\tb", kCase, {{1, 3}}},
      {"non-overlapping", {"aaaa"}, "aa", kCase, {{0, 2}, {2, 4}}},
      {"whole word", {"cat concat cat_ cats cat"}, "cat", kWord, {{0, 3}, {21, 24}}},
      {"whole word beside kanji", {"\x93\xFA" "cat\x8C\xEA"}, "cat", kWord, {{2, 5}}},
      {"whole word after trail 0x41", {"\x83\x41" "BC"}, "BC", kWord, {{2, 4}}},
      {"whole word over rows", {"a ca", "t b cat"}, "cat", kWord, {{2, 5}, {8, 11}}},
      {"Japanese word inside a longer one", {"\x93\xFA\x96\x7B\x8C\xEA"}, "\x93\xFA\x96\x7B", kWord, {{0, 4}}},
      {"pattern longer than text", {"ab"}, "abc", kCase, {}},
      {"empty line", {""}, "a", kCase, {}},
  };
  for (const TCase& c : cases) {
    TByteSearch s(c.Pattern, c.Flags);
    EXPECT_EQ(AllMatches(s, TLine(c.Rows)), c.Want) << c.Name;
  }
}

TEST(Search, PrevFindsOverlappingMatchesBeforeAPoint) {
  TByteSearch s("aa", kCase);
  const TLine l({"aaaa"});
  size_t b = 0, e = 0;
  ASSERT_TRUE(s.Prev(l.View(), 2, b, e));
  EXPECT_EQ(b, 1u);
  EXPECT_FALSE(s.Prev(l.View(), 0, b, e));
}

// Characters of a row read from its start, as the model sees them.
std::vector<std::string> Chars(const std::string& Row) {
  std::vector<std::string> out;
  for (size_t i = 0; i < Row.size();) {
    const size_t n = IsLeadByte(static_cast<unsigned char>(Row[i])) && i + 1 < Row.size() ? 2 : 1;
    out.push_back(Row.substr(i, n));
    i += n;
  }
  return out;
}

bool SameChar(const std::string& A, const std::string& B, bool MatchCase) {
  if (A.size() != B.size()) return false;
  if (MatchCase || A.size() == 2) return A == B;
  return std::tolower(static_cast<unsigned char>(A[0])) == std::tolower(static_cast<unsigned char>(B[0]));
}

bool WordChar(const std::string& C) { return C.size() == 1 && IsSearchWordByte(static_cast<unsigned char>(C[0])); }

// The model: the line as characters (each row read from its start), and a
// match wherever the pattern's characters stand, taken left to right.
Matches ModelMatches(const std::vector<std::string>& Rows, const std::string& Pattern, TSearchFlags F) {
  std::vector<std::string> text;
  std::vector<size_t> at;
  size_t off = 0;
  for (const std::string& r : Rows)
    for (const std::string& c : Chars(r)) {
      text.push_back(c);
      at.push_back(off);
      off += c.size();
    }
  at.push_back(off);
  const std::vector<std::string> pat = Chars(Pattern);
  Matches out;
  for (size_t i = 0; i + pat.size() <= text.size();) {
    bool ok = !pat.empty();
    for (size_t k = 0; ok && k < pat.size(); ++k) ok = SameChar(text[i + k], pat[k], F.MatchCase);
    if (ok && F.WholeWord) {
      const size_t j = i + pat.size();
      ok = !(WordChar(pat.front()) && i > 0 && WordChar(text[i - 1])) &&
           !(WordChar(pat.back()) && j < text.size() && WordChar(text[j]));
    }
    if (ok) {
      out.emplace_back(at[i], at[i + pat.size()]);
      i += pat.size();
    } else {
      ++i;
    }
  }
  return out;
}

// Random lines of few distinct characters (letters of both cases, digits,
// tabs, a kanji whose second byte is 'A', hiragana, a full-width letter),
// cut into rows at character boundaries, searched for random patterns.
TEST(Search, AgreesWithACharacterModel) {
  const std::vector<std::string> alphabet = {"a", "A", "b", "B", "1", "_", " ", "\t", "\x83\x41",
                                             "\x82\xA0", "\x82\xA2", "\x82\x60", "\x82\x81", "\x81"};
  std::mt19937 rng(28);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  for (int iter = 0; iter < 3000; ++iter) {
    std::vector<std::string> rows(1);
    const size_t n = pick(30);
    for (size_t i = 0; i < n; ++i) {
      std::string c = alphabet[pick(alphabet.size() - 1)];
      rows.back() += c;
      if (pick(6) == 0) rows.emplace_back();
    }
    std::string pattern;
    for (size_t i = 0, m = 1 + pick(3); i < m; ++i) pattern += alphabet[pick(alphabet.size())];
    const TSearchFlags flags{pick(2) == 0, pick(2) == 0};
    TByteSearch s(pattern, flags);
    ASSERT_EQ(AllMatches(s, TLine(rows)), ModelMatches(rows, pattern, flags)) << "iteration " << iter;
  }
}

}  // namespace
