// Find, replace and go to line on the control: matches over wrapped rows,
// the selection of a match, Replace all as one undo step against a model,
// and the regular-expression path.
#include <random>

#include "common/ViewTest.h"

using namespace TestUtil;

namespace {

struct Find : View {
  // A document of lines (CR LF between them), wrapped at Wrap columns.
  void Load(const std::vector<std::string>& Lines, int Wrap) {
    e.SetDefWrapPos(Wrap);
    std::string t;
    for (size_t i = 0; i < Lines.size(); ++i) t += (i ? "\r\n" : "") + Lines[i];
    e.SetText(t);
    for (int r = e.RowCount() - 1; r >= 0; --r) {
      e.LineAttrs().GetAttr(r).WrapPos = static_cast<int16_t>(Wrap);
      e.RewrapRow(r);
    }
    e.UndoBuff().StartNewHistory();
    ASSERT_EQ(e.CheckInvariants(), "");
  }
};

struct TFindCase {
  const char* Name;
  Rows Doc;  // rows as stored
  std::string Pattern;
  TFindOptions Options;
  TBytePos From;
  bool Found;
  TBytePos Start, End;
  bool Wrapped = false;
};

TEST_F(Find, FindTextOverRows) {
  const TFindOptions plain{}, back{.Backward = true}, wrap{.WrapAround = true},
      backWrap{.WrapAround = true, .Backward = true}, exact{.MatchCase = true};
  const std::vector<TFindCase> cases = {
      {"in a row", {"abc abc"}, "abc", plain, {0, 1}, true, {0, 4}, {0, 7}},
      {"split over wrapped rows", {"xxab", "cd\r", ""}, "abcd", plain, {0, 0}, true, {0, 2}, {1, 2}},
      {"kanji over wrapped rows", {"\x88\x9F\x88\xA0", "\x88\xA1\r", ""}, "\x88\xA0\x88\xA1", plain, {0, 0},
       true, {0, 2}, {1, 2}},
      {"not over a CR", {"ab\r", "cd"}, "bc", plain, {0, 0}, false, {}, {}},
      {"CR-only rows between", {"a\r", "\r", "\r", "xa"}, "a", plain, {0, 1}, true, {3, 1}, {3, 2}},
      {"match at a row start after a wrapped row", {"abcd", "ef"}, "ef", plain, {0, 0}, true, {1, 0}, {1, 2}},
      {"ends at a wrapped row's end", {"abcd", "ef"}, "cd", plain, {0, 0}, true, {0, 2}, {0, 4}},
      {"tab", {"a\tb\r", "b"}, "\tb", plain, {0, 0}, true, {0, 1}, {0, 3}},
      {"lead byte of a two-byte character", {"\x82\xA0\r", "\x82"}, "\x82", plain, {0, 0}, true, {1, 0}, {1, 1}},
      {"case", {"ABC abc"}, "abc", exact, {0, 0}, true, {0, 4}, {0, 7}},
      {"none after the caret", {"abc x"}, "abc", plain, {0, 1}, false, {}, {}},
      {"wrap around", {"abc x"}, "abc", wrap, {0, 1}, true, {0, 0}, {0, 3}, true},
      {"backward", {"ab ab ab"}, "ab", back, {0, 6}, true, {0, 3}, {0, 5}},
      {"backward over lines", {"ab\r", "x\r", "yy"}, "ab", back, {2, 1}, true, {0, 0}, {0, 2}},
      {"backward wraps", {"x\r", "ab"}, "ab", backWrap, {0, 0}, true, {1, 0}, {1, 2}, true},
      {"empty pattern", {"ab"}, "", plain, {0, 0}, false, {}, {}},
  };
  for (const TFindCase& c : cases) {
    SetRows(e, c.Doc);
    const TFindResult r = e.FindText(c.Pattern, c.From, c.Options);
    EXPECT_EQ(r.Found, c.Found) << c.Name;
    if (!r.Found || !c.Found) continue;
    EXPECT_EQ(r.Start, c.Start) << c.Name;
    EXPECT_EQ(r.End, c.End) << c.Name;
    EXPECT_EQ(r.Wrapped, c.Wrapped) << c.Name;
  }
}

TEST_F(Find, FindNextSelectsAMatchOverTwoRowsAndKeepsAMargin) {
  std::vector<std::string> lines(200, "line");
  lines[150] = "abcdefghijklmnopqrstuvwxyz";
  Load(lines, 20);
  ASSERT_FALSE(e.RowHasLineEnd(150));
  const std::string row = e.RowText(150).str(), next = e.RowText(151).str();
  const std::string pattern = row.substr(row.size() - 2) + next.substr(0, 2);
  const TFindResult r = e.FindNext(pattern, {});
  ASSERT_TRUE(r.Found);
  ASSERT_EQ(r.Start.Row + 1, r.End.Row);  // the match spans two rows
  EXPECT_EQ(e.Sel().GetSelStart(), (TPoint{r.Start.Byte, r.Start.Row}));
  EXPECT_EQ(e.Sel().GetSelEnd(), (TPoint{r.End.Byte, r.End.Row}));
  EXPECT_LE(e.TopRow() + 3, r.Start.Row);
  EXPECT_GE(e.TopRow() + e.VisibleRowCount() - 1 - 3, r.End.Row);
  EXPECT_EQ(e.GetRangeText(e.Sel().GetSelStart(), e.Sel().GetSelEnd(), false), pattern);
}

TEST_F(Find, GoToLineCountsLogicalLinesAndClamps) {
  Load({"aaaaaaaaaaaaaaaaaaaaaaaaa", "b", "c"}, 10);
  ASSERT_GT(e.RowCount(), 4);
  EXPECT_EQ(e.LogicalLineCount(), 3);
  const int cases[][3] = {{2, 2, 3}, {3, 3, 4}, {1, 1, 0}, {0, 1, 0}, {99, 3, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(e.GoToLine(c[0]), c[1]) << c[0];
    EXPECT_EQ(e.Caret().Y, c[2]) << c[0];
    EXPECT_EQ(e.LineOfRow(e.Caret().Y), c[1]) << c[0];
  }
}

TEST_F(Find, RegexMatchesOverRowsAndReportsBadPatterns) {
  SetRows(e, {"ab\x82\xA0" "1", "23x\r", "\x82\xA0" "9"});
  TFindResult r = e.FindText("\x82\xA0[0-9]+", {0, 0}, {.Regex = true});
  ASSERT_TRUE(r.Found);
  EXPECT_EQ(r.Start, (TBytePos{0, 2}));
  EXPECT_EQ(r.End, (TBytePos{1, 2}));
  r = e.FindText("\x82\xA0[0-9]+", {1, 1}, {.Regex = true});
  EXPECT_EQ(r.Start, (TBytePos{2, 0}));
  r = e.FindText("b(", {0, 0}, {.Regex = true});
  EXPECT_FALSE(r.Found);
  EXPECT_NE(r.Error.find("正規表現"), std::string::npos);
  // A match may not reach over the CR: the line alone decides.
  r = e.FindText("x\\s*\x82", {0, 0}, {.Regex = true});
  EXPECT_FALSE(r.Found);
}

TEST_F(Find, ReplaceTakesTheSelectedMatchThenSelectsTheNext) {
  SetRows(e, {"ab ab ab"});
  e.FindNext("ab", {});
  ASSERT_TRUE(e.Sel().HasCharSel());
  ASSERT_FALSE(e.Sel().HasRowSel());
  ASSERT_EQ(e.SelEndBytes(), (TBytePos{0, 2}));
  const TFindResult r = e.ReplaceText("ab", "\x82\xA0", {});
  EXPECT_EQ(e.Text(), "\x82\xA0 ab ab");
  EXPECT_EQ(r.Start, (TBytePos{0, 3}));
  e.Undo();
  EXPECT_EQ(e.Text(), "ab ab ab");
}

TEST_F(Find, ReplaceAllInASelectionOverRows) {
  Load({"cat cat", "cat cat", "cat"}, 60);
  e.Sel().SetAnchorPos({4, 0});
  e.Sel().SetActivePos({3, 1});
  const TReplaceResult r = e.ReplaceAll("cat", "dog", {}, true);
  EXPECT_EQ(r.Count, 2);
  EXPECT_EQ(e.Text(), "cat dog\r\ndog cat\r\ncat");
}

// The model: each line's characters, matches taken from the left.
std::string ModelReplace(const std::vector<std::string>& Lines, const std::string& P, const std::string& R,
                         int& Count) {
  std::string out;
  Count = 0;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const std::string& l = Lines[i];
    if (i) out += "\r\n";
    for (size_t k = 0; k < l.size();) {
      const size_t n = IsLeadByte(static_cast<unsigned char>(l[k])) && k + 1 < l.size() ? 2 : 1;
      if (l.compare(k, P.size(), P) == 0) {
        // The match must end on a character start.
        size_t j = k;
        while (j < k + P.size()) j += IsLeadByte(static_cast<unsigned char>(l[j])) && j + 1 < l.size() ? 2 : 1;
        if (j == k + P.size()) {
          out += R;
          k = j;
          ++Count;
          continue;
        }
      }
      out.append(l, k, n);
      k += n;
    }
  }
  return out;
}

TEST_F(Find, ReplaceAllAgreesWithAModelAndUndoesInOneStep) {
  const std::vector<std::string> alphabet = {"a", "b", " ", "\t", "\x82\xA0", "\x82\x61", "\x83\x41"};
  std::mt19937 rng(2828);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  for (int iter = 0; iter < 150; ++iter) {
    std::vector<std::string> lines(1 + pick(6));
    for (std::string& l : lines)
      for (size_t i = 0, n = pick(30); i < n; ++i) l += alphabet[pick(alphabet.size())];
    std::string p, rep;
    for (size_t i = 0, n = 1 + pick(3); i < n; ++i) p += alphabet[pick(alphabet.size())];
    for (size_t i = 0, n = pick(4); i < n; ++i) rep += alphabet[pick(alphabet.size())];
    Load(lines, 4 + static_cast<int>(pick(8)));
    const std::string before = e.Text();
    int count = 0;
    const std::string want = ModelReplace(lines, p, rep, count);
    // Find walks the same matches one by one (the loaded rows lie back to
    // back in memory, so stretches without a match are skipped whole).
    int found = 0;
    for (TFindResult f = e.FindText(p, {0, 0}, {.MatchCase = true}); f.Found;
         f = e.FindText(p, f.End, {.MatchCase = true}))
      ++found;
    ASSERT_EQ(found, count) << iter;
    const TReplaceResult r = e.ReplaceAll(p, rep, {.MatchCase = true}, false);
    ASSERT_EQ(r.Count, count) << iter;
    ASSERT_EQ(e.Text(), want) << iter;
    ASSERT_EQ(e.CheckInvariants(), "") << iter;
    e.Undo();
    ASSERT_EQ(e.Text(), before) << iter;
    ASSERT_EQ(e.CheckInvariants(), "") << iter;
  }
}

}  // namespace
