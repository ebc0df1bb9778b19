// Word wrap: the break search with its line-breaking rules, re-wrapping
// paragraphs after edits, and reading ranges of rows back.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/layout/JpnRules.h"
#include "AFEdit/platform/Cp932.h"
#include "common/Doc.h"

namespace {

using namespace TestUtil;


// A control whose only line is `line`, wrapped at `wrap` with `opts`.
void Wrapped(TAFEdit& e, const std::string& line, int wrap, TAFEditOptions opts, int indent = 0) {
  e.Clear();
  e.SetOptions(opts);
  e.LineAttrs().GetAttr(0).WrapPos = static_cast<int16_t>(wrap);
  e.LineAttrs().GetAttr(0).Indent = static_cast<int16_t>(indent);
  WrapTrailCount = WrapLeadCount = 0;
  e.SetRowText(0, line, true);
  e.RewrapRow(0);
}

const std::string kMaru = "\x81\x42";   // 。
const std::string kKagi = "\x81\x75";   // 「
const std::string kA = "\x82\xA0";      // あ

TEST(WrapRules, DefaultCharacterSets) {
  EXPECT_EQ(kDefaultBanEnd.size(), 27u);
  EXPECT_EQ(kDefaultBanHead.size(), 87u);
  EXPECT_EQ(kDefaultDependenceChar.size(), 166u);
  TAFEdit e;
  EXPECT_EQ(e.BanHead(), std::string(kDefaultBanHead));
  EXPECT_EQ(e.BanEnd(), std::string(kDefaultBanEnd));
  // Every character of the sets is whole: the strings end on a boundary.
  EXPECT_NE(ByteType(kDefaultBanHead, kDefaultBanHead.size() - 1), mbLeadByte);
}

TEST(WrapRules, PlainWidthCutsRowsAndTheCrGetsARowOfItsOwn) {
  TAFEdit e;
  Wrapped(e, "abcdefgh\r", 4, {aoAutoFormat});
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"abcd", "efgh", "\r", ""}));
  // The CR may not begin a row: it is pulled onto the one before.
  Wrapped(e, "abcdefgh\r", 4, {aoAutoFormat, aoJpnBanBreak});
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"abcd", "efgh\r", ""}));
  // Without automatic format a line stays one row.
  Wrapped(e, std::string(200, 'x') + "\r", 4, {});
  EXPECT_EQ(e.RowCount(), 2);
}

TEST(WrapRules, HeadAndEndCharacters) {
  TAFEdit e;
  // 。 at bytes 11-12 with wrap column 10 stays on the row.
  Wrapped(e, "abcdefghij" + kMaru + "klm\r", 10, {aoAutoFormat, aoJpnBanBreak});
  EXPECT_EQ(e.RowText(0).str(), "abcdefghij" + kMaru);
  // 「 at bytes 9-10 may not end the row: the break moves back to 8.
  Wrapped(e, "abcdefgh" + kKagi + "xyz\r", 10, {aoAutoFormat, aoJpnBanBreak});
  EXPECT_EQ(e.RowText(0).str(), "abcdefgh");
  EXPECT_EQ(e.RowText(1).str(), kKagi + "xyz\r");
  // A break on the second byte of a two-byte character moves back one byte.
  Wrapped(e, "abc" + kA + kA + "\r", 4, {aoAutoFormat});
  EXPECT_EQ(e.RowText(0).str(), "abc");
  EXPECT_EQ(e.RowText(1).str(), kA + kA);
  // A one-byte head brings the byte after it along.
  Wrapped(e, "abcd)efgh\r", 4, {aoAutoFormat, aoJpnBanBreak});
  EXPECT_EQ(e.RowText(0).str(), "abcd)e");
}

TEST(WrapRules, AllowancesRunOut) {
  // A run of 。 longer than the forward allowance: the row grows by three
  // characters, then the break walks back over the run to its start.
  std::string s = "abcd";
  for (int i = 0; i < 10; ++i) s += kMaru;
  TWrapRules rules;
  TCharSet head, end;
  head.Assign(kDefaultBanHead);
  end.Assign(kDefaultBanEnd);
  rules.BanBreak = true;
  rules.BanHead = &head;
  rules.BanEnd = &end;
  WrapTrailCount = WrapLeadCount = 0;
  EXPECT_EQ(FindWrapPosIn(s, 4, 1, rules), 3);
  EXPECT_EQ(WrapTrailCount, 0);
  EXPECT_EQ(WrapLeadCount, 0);
  // A run of 「 pushes the break back in steps of two until the backward
  // allowance is used up.
  std::string k = "ab";
  for (int i = 0; i < 10; ++i) k += kKagi;
  WrapTrailCount = WrapLeadCount = 0;
  const int r = FindWrapPosIn(k, 20, 1, rules);
  EXPECT_EQ(r, 8);  // six steps of two bytes use up the allowance of ten
  EXPECT_EQ(WrapLeadCount, 0);
  // Searches that stop at the text's end leave the counters as they are.
  WrapTrailCount = 4;
  EXPECT_EQ(FindWrapPosIn("abc", 10, 1, rules), 10);
  EXPECT_EQ(WrapTrailCount, 4);
  WrapTrailCount = 0;
}

TEST(WrapRules, WholeWordsAndTheWordBreakHandler) {
  TAFEdit e;
  Wrapped(e, "hello world\r", 8, {aoAutoFormat, aoWordWrap});
  EXPECT_EQ(e.RowText(0).str(), "hello ");
  EXPECT_EQ(e.RowText(1).str(), "world\r");
  // Keywords add their bytes to the word characters.
  e.RebuildWordChars({"a_b"});
  e.SetWrapLeadBytes(1);
  Wrapped(e, "abc_defgh\r", 4, {aoAutoFormat, aoWordWrap});
  // The fit check before the split stops at its minimum with the backward
  // allowance spent; the counters carry over, so the split's search settles
  // at once on the wrap column.
  EXPECT_EQ(e.RowText(0).str(), "abc_");
  // A word longer than the row still leaves a character on it.
  e.SetWrapLeadBytes(10);
  Wrapped(e, "abc_defgh\r", 4, {aoAutoFormat, aoWordWrap});
  EXPECT_EQ(e.RowText(0).str(), "a");
  int calls = 0;
  e.OnWordBreak = [&](TCustomAFEdit*, const std::string& line, int& w) {
    ++calls;
    EXPECT_EQ(line.substr(0, 2), "  ");  // the indent is part of the line
    w = 5;
  };
  Wrapped(e, "abcdefghijkl\r", 8, {aoAutoFormat}, 2);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(e.RowText(0).str(), "abc");
}

TEST(Rewrap, EditsInsideAParagraphMatchWrappingFromScratch) {
  std::string para;
  for (int i = 0; i < 40; ++i) para += i % 7 == 3 ? kMaru : (i % 5 == 0 ? "ab" : kA);
  for (TAFEditOptions opts : {TAFEditOptions{aoAutoFormat}, TAFEditOptions{aoAutoFormat, aoJpnBanBreak}}) {
    TAFEdit e, ref;
    Wrapped(e, para + "\r", 12, opts);
    ASSERT_GT(e.RowCount(), 5);
    // Insert into the middle of the third row and re-wrap from there.
    std::string r2 = e.RowText(2).str();
    r2.insert(4, "xyz" + kA);
    e.NewEditGroup();
    e.SetRowText(2, r2, false);
    e.RewrapRow(2);
    Wrapped(ref, Joined(e).substr(0, Joined(e).size()), 12, opts);
    EXPECT_EQ(RowsOf(e), RowsOf(ref));
    // Delete from the second row: text is pulled up, and a row goes away.
    const int before = e.RowCount();
    std::string r1 = e.RowText(1).str();
    r1.erase(0, 10);
    e.NewEditGroup();
    e.SetRowText(1, r1, false);
    e.RewrapRow(1);
    Wrapped(ref, Joined(e), 12, opts);
    EXPECT_EQ(RowsOf(e), RowsOf(ref));
    EXPECT_LT(e.RowCount(), before);
    EXPECT_TRUE(e.CheckInvariants().empty()) << e.CheckInvariants();
    // One undo takes back the deletion and every row change of its re-wrap.
    e.Undo();
    std::string joined;
    for (int i = 0; i < e.RowCount(); ++i) joined += e.RowText(i).str();
    EXPECT_NE(joined.find("xyz"), std::string::npos);
  }
}

TEST(Rewrap, CaretFollowsItsText) {
  TAFEdit e;
  Wrapped(e, "abcd", 8, {aoAutoFormat});
  e.SetCaretPos({4, 0});  // after "abcd"
  e.SetRowText(0, "abcdefghij", true);
  e.SetCaretPos({10, 0});
  e.RewrapRow(0);
  EXPECT_EQ(RowsOf(e), (std::vector<std::string>{"abcdefgh", "ij"}));
  EXPECT_EQ(e.Caret(), (TPoint{2, 1}));
}

// A row selection grows and shrinks with the rows re-wrap inserts and
// deletes inside it, and never ends up below the last row.
TEST(Rewrap, RowSelectionFollowsItsRows) {
  const struct {
    const char* what;
    Rows before;
    int wrap;
    TAFEditOptions opts;
    int anchor, active;
    int row;  // re-wrapped
    Rows after;
    int first, last;
  } cases[] = {
      {"rows inserted", {"a long line here\r", ""}, 4, {aoAutoFormat}, 0, 0, 0,
       {"a lo", "ng l", "ine ", "here", "\r", ""}, 0, 4},
      {"the last row joined to the one before", {"a", "b"}, 69, {}, 1, 1, 0, {"ab"}, 0, 0},
      {"an empty row removed", {"a\r", "", "b"}, 60, {aoAutoFormat}, 2, 1, 1, {"a\r", "b"}, 1, 1},
  };
  for (const auto& c : cases) {
    TAFEdit e;
    SetRows(e, c.before);
    e.SetOptions(c.opts);
    SetLayout(e, c.wrap);
    e.Sel().SetAnchorRow(c.anchor);
    e.Sel().SetActiveRow(c.active);
    e.RewrapRow(c.row);
    EXPECT_EQ(RowsOf(e), c.after) << c.what;
    EXPECT_EQ(e.Sel().FirstSelRow(), c.first) << c.what;
    EXPECT_EQ(e.Sel().LastSelRow(), c.last) << c.what;
    EXPECT_EQ(e.CheckInvariants(), "") << c.what;
  }
}

TEST(Rewrap, DeepParagraphRunsWithoutRecursion) {
  TAFEdit e;
  std::string para;
  while (para.size() < 600000) para += kA + "abc" + kMaru;
  Wrapped(e, para + "\r", 8, {aoAutoFormat, aoJpnBanBreak});
  EXPECT_GT(e.RowCount(), 60000);
  EXPECT_EQ(Joined(e), para + "\r");
  EXPECT_TRUE(e.CheckInvariants().empty());
}

// At any wrap column and indent every row keeps at least one whole
// character, and re-wrapping ends.
TEST(Rewrap, NarrowColumnsKeepWholeCharacters) {
  const std::string text = kA + "a\tb" + kMaru + kKagi + "xy" + kA + kA + "z";
  for (int wrap = 1; wrap <= 6; ++wrap) {
    for (int indent = 0; indent <= 6; ++indent) {
      for (TAFEditOptions opts : {TAFEditOptions{aoAutoFormat}, TAFEditOptions{aoAutoFormat, aoJpnBanBreak, aoWordWrap}}) {
        TAFEdit e;
        Wrapped(e, text + "\r", wrap, opts, indent);
        ASSERT_EQ(Joined(e), text + "\r") << wrap << " " << indent;
        for (int r = 0; r + 1 < e.RowCount(); ++r) {
          const std::string row = e.RowText(r).str();
          ASSERT_FALSE(row.empty()) << wrap << " " << indent << " row " << r;
          ASSERT_NE(ByteType(row, row.size() - 1), mbLeadByte) << wrap << " " << indent << " row " << r;
        }
      }
    }
  }
}

TEST(Rewrap, DefWrapPosChangesOnlyRowsThatHadIt) {
  TAFEdit e;
  e.Clear();
  e.AppendLine("x");
  e.LineAttrs().GetAttr(1).WrapPos = 30;
  e.SetDefWrapPos(40);
  EXPECT_EQ(e.LineAttrs().GetAttr(0).WrapPos, 40);
  EXPECT_EQ(e.LineAttrs().GetAttr(1).WrapPos, 30);
  EXPECT_EQ(e.DefWrapPos(), 40);
}

TEST(RangeText, AsTextJoinsWrappedRows) {
  TAFEdit e;
  e.Clear();
  e.SetRowText(0, "ab\r", true);
  e.AppendLine("cd");
  e.AppendLine("ef\r");
  e.AppendLine("gh ");
  EXPECT_EQ(e.GetRangeText({0, 0}, {3, 2}, false), "ab\r\ncdef\r\n");
  EXPECT_EQ(e.GetRangeText({1, 0}, {1, 2}, false), "b\r\ncde");
  EXPECT_EQ(e.GetRangeText({0, 1}, {2, 1}, false), "cd");
  EXPECT_EQ(e.GetRangeText({0, 0}, {3, 0}, false), "ab\r\n");
  EXPECT_EQ(e.GetRangeText({0, 0}, {0, 1}, false), "ab\r\n");
  EXPECT_EQ(e.GetRangeText({0, 3}, {3, 3}, false), "gh");  // trailing blanks go
}

TEST(RangeText, AsDisplayedKeepsRowsAndColumns) {
  TAFEdit e;
  e.Clear();
  e.SetRowText(0, "a\tb\r", true);
  e.AppendLine("cdef");
  e.LineAttrs().GetAttr(1).Indent = 2;
  EXPECT_EQ(e.GetRangeText({2, 0}, {2, 1}, true), "    b\r\n  cd\r\n");
  EXPECT_EQ(e.GetRangeText({1, 0}, {3, 0}, true), "    b\r\n");
}

}  // namespace

namespace {

// Random edits inside wrapped paragraphs: after every re-wrap the document
// still holds exactly the edited text, every row keeps whole characters, CRs
// end only the last row of their line, and one undo per edit walks back to
// the start.
// The caret's place as an offset into the rows joined.
size_t CaretOffset(TCustomAFEdit& e) {
  const TPoint c = e.Caret();
  size_t off = 0;
  for (int i = 0; i < c.Y; ++i) off += e.RowText(i).size();
  const int indent = std::max<int>(0, e.LineAttrs().PeekAttr(c.Y).Indent);
  return off + static_cast<size_t>(DisplayToByteCount(e.RowText(c.Y).view(), c.X, indent, e.TabSize()));
}

TEST(Rewrap, RandomEditsKeepTextAndRowsSound) {
  std::mt19937 rng(2024);
  const std::vector<std::string> pieces = {"a", "b", " ", "\t", kA, kMaru, kKagi, "\x81\x76", "(", ")", "xyz", "\xB1"};
  auto randomText = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    return s;
  };
  for (int round = 0; round < 60; ++round) {
    TAFEdit e;
    TAFEditOptions opts{aoAutoFormat};
    if (round % 2) opts += {aoJpnBanBreak};
    if (round % 3 == 0) opts += {aoWordWrap};
    const int wrap = 4 + static_cast<int>(rng() % 16);
    const int indent = static_cast<int>(rng() % 3);
    std::string text = randomText(60) + "\r" + randomText(30) + "\r" + randomText(20);
    e.Clear();
    e.SetOptions(opts);
    e.LineAttrs().GetAttr(0).WrapPos = static_cast<int16_t>(wrap);
    e.LineAttrs().GetAttr(0).Indent = static_cast<int16_t>(indent);
    e.SetRowText(0, text, true);
    e.RewrapRow(0);
    e.UndoBuff().Reset();
    const std::vector<std::string> start = RowsOf(e);
    std::string model = Joined(e);
    for (int step = 0; step < 40; ++step) {
      const int row = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()));
      size_t before = 0;
      for (int i = 0; i < row; ++i) before += e.RowText(i).size();
      std::string r = e.RowText(row).str();
      // A character boundary of the row, before its CR.
      const size_t limit = r.size() - (!r.empty() && r.back() == '\r' ? 1 : 0);
      std::vector<size_t> bounds{0};
      for (size_t i = 0; i < limit;) {
        i = std::min(limit, i + (ByteType(r, i) == mbLeadByte ? 2 : 1));
        bounds.push_back(i);
      }
      const size_t at = bounds[rng() % bounds.size()];
      if (rng() % 2 && at < limit) {
        const size_t len = ByteType(r, at) == mbLeadByte ? 2 : 1;
        r.erase(at, len);
        model.erase(before + at, len);
      } else {
        const std::string ins = randomText(1 + static_cast<int>(rng() % 3));
        r.insert(at, ins);
        model.insert(before + at, ins);
      }
      e.SetRowText(row, r, true);
      // The caret stands at the edit; re-wrap must carry it with its byte.
      e.SetCaretPos(e.ByteToDisplayPos({static_cast<int>(at), row}));
      e.RewrapRow(row);
      ASSERT_EQ(Joined(e), model) << "round " << round << " step " << step;
      ASSERT_EQ(CaretOffset(e), before + at) << "round " << round << " step " << step;
      for (int i = 0; i < e.RowCount(); ++i) {
        const std::string t = e.RowText(i).str();
        if (i + 1 < e.RowCount()) {
          ASSERT_NE(t, "") << "round " << round << " step " << step << " row " << i;
        }
        ASSERT_TRUE(t.empty() || ByteType(t, t.size() - 1) != mbLeadByte) << "split character, row " << i;
      }
      ASSERT_TRUE(e.CheckInvariants().empty()) << e.CheckInvariants() << " round " << round << " step " << step;
    }
    for (int step = 0; step < 40; ++step) e.Undo();
    EXPECT_EQ(RowsOf(e), start) << "round " << round;
  }
}

// A split that keeps the whole row (the break search reaches its only CR)
// ends that line; the rows after it are still re-wrapped.
TEST(RewrapRepairs, AWholeRowKeptStillRewrapsTheNextLine) {
  TAFEdit e;
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  SetRows(e, {"abcdefghij" + kMaru + "\r", "abcdefghij" + kMaru + kMaru + "\r", "klmnopqrstuvw\r", ""});
  SetLayout(e, 10);
  WrapTrailCount = WrapLeadCount = 0;
  e.RewrapRow(0);
  e.RewrapRow(1);
  EXPECT_EQ(RowsOf(e), (Rows{"abcdefghij" + kMaru + "\r", "abcdefghij" + kMaru + kMaru + "\r", "klmnopqrst", "uvw\r", ""}));
  EXPECT_EQ(WrapTrailCount, 0);
  EXPECT_EQ(WrapLeadCount, 0);
}

// Bytes pulled up from the next row are classified in the joined text, so a
// character split over a row boundary is made whole again.
TEST(RewrapRepairs, PulledBytesKeepCharactersOfTheJoinedTextWhole) {
  const struct {
    int wrap, indent;
    Rows before, after;
  } cases[] = {
      {4, 0, {"ab\x81", "\x82\xa0\x82\xa0\r", ""}, {"ab\x81\x82", "\xa0\x82\xa0\r", ""}},
      {1, 0, {"\x82", "\x81\r", ""}, {"\x82\x81", "\r", ""}},
      {1, 4, {"\x82", "\x81\r", ""}, {"\x82\x81", "\r", ""}},  // the indent reaches the wrap column
      // All of the next row fills the row exactly, but its last byte begins
      // a character that the row after it ends.
      {41, 4,
       {std::string(20, 'a'), std::string(16, 'b') + "\x82", "\xA0" "cd\r", ""},
       {std::string(20, 'a') + std::string(16, 'b'), "\x82\xA0" "cd\r", ""}},
  };
  for (const auto& c : cases) {
    TAFEdit e;
    SetRows(e, c.before);
    SetLayout(e, c.wrap, c.indent);
    e.RewrapRow(0);
    EXPECT_EQ(RowsOf(e), c.after) << "wrap " << c.wrap << " indent " << c.indent;
  }
}

// A line already cut into three rows anywhere, inside two-byte characters
// too, re-wraps into rows that each begin on a character of the line, at
// any wrap column and indent, and keeps its bytes.  (Re-wrap ends at a row
// it empties, so a cut further down a longer line may stay as it is.)
TEST(RewrapRepairs, RowsCutInsideCharactersAreMadeWhole) {
  std::mt19937 rng(32);
  const std::string pieces[] = {"a", " ", "\t", kA, kMaru, kKagi, "\x82\x81", "\xB1", "xyz"};
  const TAFEditOptions optionSets[] = {{}, {aoAutoFormat}, {aoAutoFormat, aoJpnBanBreak, aoWordWrap}};
  TAFEdit e;
  for (int round = 0; round < 3000; ++round) {
    std::string line = "a";
    for (int n = static_cast<int>(rng() % 50); n >= 0; --n) line += pieces[rng() % std::size(pieces)];
    size_t cut[2] = {1 + rng() % (line.size() - 1), 1 + rng() % (line.size() - 1)};
    if (cut[0] > cut[1]) std::swap(cut[0], cut[1]);
    Rows rows = {line.substr(0, cut[0]), line.substr(cut[0], cut[1] - cut[0]), line.substr(cut[1]) + "\r", ""};
    if (rows[1].empty()) rows.erase(rows.begin() + 1);
    const int wrap = 1 + static_cast<int>(rng() % 70), indent = static_cast<int>(rng() % 12);
    const TAFEditOptions opts = optionSets[rng() % std::size(optionSets)];
    SCOPED_TRACE("round " + std::to_string(round) + " wrap " + std::to_string(wrap) + " indent " +
                 std::to_string(indent) + " rows " + ::testing::PrintToString(rows));
    SetRows(e, rows);
    e.SetOptions(opts);
    SetLayout(e, wrap, indent);
    WrapTrailCount = WrapLeadCount = 0;
    e.RewrapRow(0);
    ASSERT_EQ(Joined(e), line + "\r");
    size_t at = 0;
    for (int r = 0; r + 1 < e.RowCount(); ++r) {
      ASSERT_NE(ByteType(line, at), mbTrailByte) << "row " << r << " of " << ::testing::PrintToString(RowsOf(e));
      at += e.RowText(r).size();
    }
    ASSERT_EQ(e.CheckInvariants(), "");
  }
}

// The caret follows its byte: past a narrow-column guard, with a negative
// indent (counted as none), and past literal 0x0B bytes (text, not tab
// fillers, which also stay on their rows like other bytes).
TEST(RewrapRepairs, CaretFollowsItsByte) {
  const struct {
    const char* what;
    std::string line;
    int wrap, indent;
    TPoint caret;
    Rows rows;
    TPoint expect;
  } cases[] = {
      {"narrow", kA + kA + kA + "\r", 1, 0, {2, 0}, {kA, kA, kA, "\r", ""}, {0, 1}},
      {"negative indent", "abcdef\r", 4, -3, {5, 0}, {"abcd", "ef\r", ""}, {1, 1}},
      {"literal 0x0B", "\v\v\v\v\v\v\r", 4, 0, {5, 0}, {"\v\v\v\v", "\v\v\r", ""}, {1, 1}},
  };
  for (const auto& c : cases) {
    TAFEdit e;
    SetRows(e, {c.line, ""});
    SetLayout(e, c.wrap, c.indent);
    e.SetCaretPos(c.caret);
    e.RewrapRow(0);
    EXPECT_EQ(RowsOf(e), c.rows) << c.what;
    EXPECT_EQ(e.Caret(), c.expect) << c.what;
  }
}

// Zero bytes are measured like any other byte: a line of them wraps into
// full rows once, and a second pass over every row changes nothing.
TEST(RewrapRepairs, ZeroBytesWrapIntoFullRowsOnce) {
  TAFEdit e;
  SetRows(e, {"a" + std::string(3000, '\0') + "\r", ""});
  SetLayout(e, 60);
  e.RewrapRow(0);
  EXPECT_EQ(e.RowCount(), 3002 / 60 + 2);
  EXPECT_EQ(Joined(e), "a" + std::string(3000, '\0') + "\r");
  const int items = e.UndoBuff().Pos();
  for (int r = 0; r < e.RowCount(); ++r) e.RewrapRow(r);
  EXPECT_EQ(e.UndoBuff().Pos(), items);
}

// The document's last paragraph is peeled apart by sharing its bytes: the
// history holds about the paragraph once, not a copy per row.
TEST(RewrapRepairs, LastParagraphRewrapsInLinearMemory) {
  TAFEdit e;
  e.Clear();
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  std::string para;
  while (para.size() < 256 * 1024) para += kA + "abc" + kMaru + "de";
  e.SetRowText(0, para, false);
  e.RewrapRow(0);
  EXPECT_EQ(Joined(e), para);
  std::set<const TStrChunk*> chunks;
  size_t held = 0;
  for (int i = 0; i < e.UndoBuff().SlotCount(); ++i) {
    if (const TUndoBuffItem* it = e.UndoBuff().Slot(i))
      it->ForEachText([&](const TRowStr& t) {
        if (t.Chunk() && chunks.insert(t.Chunk()).second) held += t.Chunk()->Capacity();
      });
  }
  EXPECT_LE(held, 2 * para.size());
}

}  // namespace
