// Painted rows, margin and ruler, read back from the control's surface.
#include "common/ViewTest.h"

#include "AFEdit/render/Ruler.h"

using namespace TestUtil;

namespace {

constexpr TColor kMark = 0xBFBFBF;  // the window colour (white) less 0x404040

struct Paint : View {
  TViewOptions Without(TViewOption O) const { return e.ViewOpt() - TViewOptions{O}; }
};

// One row of the table: the document, a change made before painting, and
// the cells that must show given bytes in given colours.
struct TCellCase {
  const char* Name;
  Rows Doc;
  std::function<void(TAFEdit&)> Setup;
  struct TCheck {
    int Col, Row;
    std::string Bytes;
    TColor Fg;
  };
  std::vector<TCheck> Cells;
};

TEST_F(Paint, MarksAndColoursOnTheCellGrid) {
  const std::vector<TCellCase> cases = {
      {"tab of width 3", {"a\tb"}, nullptr, {{0, 0, "a", clWindowText}, {1, 0, "-->", kMark}, {4, 0, "b", clWindowText}}},
      {"tab without voTab", {"a\tb"}, [](TAFEdit& e) { e.SetViewOpt(e.ViewOpt() - TViewOptions{voTab}); },
       {{1, 0, "   ", clWindowText}, {4, 0, "b", clWindowText}}},
      {"tab of width 1", {"abc\td"}, nullptr, {{3, 0, ">", kMark}, {4, 0, "d", clWindowText}}},
      {"indent dots", {"x"}, [](TAFEdit& e) { e.LineAttrs().GetAttr(0).Indent = 3; },
       {{0, 0, "...", kMark}, {3, 0, "x", clWindowText}}},
      {"indent scrolled by one", {"x"},
       [](TAFEdit& e) {
         e.LineAttrs().GetAttr(0).Indent = 3;
         e.SetLeftCol(1);
       },
       {{1, 0, "..", kMark}, {3, 0, "x", clWindowText}}},
      {"end of file after text", {"abc"}, nullptr, {{0, 0, "abc", clWindowText}, {3, 0, "[EOF]", clMaroon}}},
      {"end of file on an empty document", {""}, nullptr, {{0, 0, "[EOF]", clMaroon}}},
      {"fold mark after a wrapped row", {"abc", "d"},
       [](TAFEdit& e) { e.SetViewOpt(e.ViewOpt() + TViewOptions{voFoldMark}); }, {{3, 0, "\x81\xA9", clMaroon}}},
      {"full-width space mark", {"\x81\x40" "a"}, nullptr, {{0, 0, "\x81\xA0", kMark}, {2, 0, "a", clWindowText}}},
      {"full-width space without the mark", {"\x81\x40" "a"},
       [](TAFEdit& e) { e.SetViewOpt(e.ViewOpt() - TViewOptions{voAnsiSpace}); }, {{0, 0, "  ", clWindowText}}},
      {"dependence character and half-width katakana", {"\x87\x40" "\xB1" "a"}, nullptr,
       {{0, 0, "\x87\x40", clFuchsia}, {2, 0, "\xB1", clFuchsia}, {3, 0, "a", clWindowText}}},
      {"without their options", {"\x87\x40" "\xB1"},
       [](TAFEdit& e) { e.SetViewOpt(e.ViewOpt() - TViewOptions{voDependence, voHankana}); },
       {{0, 0, "\x87\x40\xB1", clWindowText}}},
      {"a zero byte ends the text", {std::string("ab\0cd\r", 6), "x"}, nullptr,
       {{0, 0, "ab", clWindowText}, {2, 0, "   ", clWindowText}}},
      {"keywords: whole words, any case", {"BEGIN; begins x_begin"},
       [](TAFEdit& e) {
         e.SetKeywords({"end", "begin"});
         e.SetColKeyWord(clRed);
       },
       {{0, 0, "BEGIN", clRed}, {5, 0, "; begins x_", clWindowText}, {16, 0, "begin", clRed}}},
      {"row and block colours", {"abcdef"},
       [](TAFEdit& e) {
         e.LineAttrs().GetAttr(0).TextColor = clBlue;
         e.BlkAttrs().Add({2, 0, 4, 0, clRed, {}});  // bytes 2 and 3
       },
       {{0, 0, "ab", clBlue}, {2, 0, "cd", clRed}, {4, 0, "ef", clBlue}}},
      {"column attributes", {"abcd"},
       [](TAFEdit& e) {
         TColAttrList& l = e.LineAttrs().EnsureColAttrs(0, 4);
         l.Items(1) = {clRed, {}, true};
         l.Items(2) = {clRed, {}, true};
       },
       {{0, 0, "a", clWindowText}, {1, 0, "bc", clRed}, {3, 0, "d", clWindowText}}},
  };
  const TViewOptions defaults = e.ViewOpt();
  for (const TCellCase& c : cases) {
    SCOPED_TRACE(c.Name);
    e.SetViewOpt(defaults);
    e.SetLeftCol(0);
    e.SetKeywords({});
    e.BlkAttrs().Clear();
    SetRows(e, c.Doc);
    if (c.Setup) c.Setup(e);
    e.Paint();
    for (const auto& k : c.Cells) EXPECT_TRUE(Shows(k.Col, k.Row, k.Bytes, k.Fg)) << k.Bytes;
  }
}

TEST_F(Paint, LineEndGlyphAndSelection) {
  SetDoc({"ab\r", "cd"});
  const QRect cr(e.Canvas().DeviceRect(Cells(2, 0)).topLeft(), e.CrMark().size());
  EXPECT_EQ(e.Surface().copy(cr), e.CrMark());
  // A selection from column 1 of row 0 into row 1: the selected CR shows
  // the selected glyph, the characters the selection colours.
  e.Sel().SetAnchorPos({1, 0});
  e.Sel().SetActivePos({1, 1});
  e.Paint();
  EXPECT_EQ(e.Surface().copy(cr), e.CrMarkSel());
  EXPECT_TRUE(Shows(0, 0, "a", clWindowText));
  EXPECT_TRUE(Shows(1, 0, "b", clHighlightText, clHighlight));
  EXPECT_TRUE(Shows(0, 1, "c", clHighlightText, clHighlight));
  EXPECT_TRUE(Shows(1, 1, "d", clWindowText));
  // Row 1's column 0 is selected: its background right of the text too.
  EXPECT_TRUE(Filled(Cells(10, 1, 3), clHighlight));
  EXPECT_TRUE(Filled(Cells(10, 0, 3), clWindow));

  // A row with its own background shows its selection inverted.
  TLineAttr& a = e.LineAttrs().GetAttr(1);
  a.BackColor = 0x00FFFF;
  a.TextColor = clBlack;
  e.Paint();
  EXPECT_TRUE(Shows(0, 1, "c", 0x00FFFF, clBlack));
  EXPECT_TRUE(Shows(1, 1, "d", clBlack, 0x00FFFF));
}

TEST_F(Paint, KeywordSplitBySelection) {
  e.SetKeywords({"begin"});
  e.SetColKeyWord(clRed);
  SetDoc({"begin"});
  e.Sel().SetAnchorPos({0, 0});
  e.Sel().SetActivePos({2, 0});
  e.Paint();
  EXPECT_TRUE(Shows(0, 0, "be", e.FontColor() ^ clRed ^ e.ColSelText(), clHighlight));
  EXPECT_TRUE(Shows(2, 0, "gin", clRed));
}

TEST_F(Paint, OwnerDrawnRowsAndMarginCells) {
  SetDoc({"abc\r", "def\r", "ghi"});
  const int lm = e.TextRect().Left;
  const int rh = e.RowHeight();
  const int top = e.TextRect().Top;
  EXPECT_TRUE(ShowsAt(0, top, "    1:", clWindowText, clWindow));
  EXPECT_TRUE(ShowsAt(0, top + 2 * rh, "    3:", clWindowText, clWindow));

  std::vector<std::string> painted;
  e.OnDrawLine = [&](TCustomAFEdit*, int index, const TRect&, const std::string& P, bool& draw) {
    painted.push_back(P);
    draw = index != 1;
  };
  e.OnDrawLeftMgn = [](TCustomAFEdit*, int index, const TRect&, std::string& s, bool& draw) {
    if (index == 0) s = "ab";
    draw = index != 2;
  };
  e.SetColLeftMgn(clBtnFace);  // repaints
  EXPECT_EQ(painted, (std::vector<std::string>{"abc\r", "def\r", "ghi\n"}));
  EXPECT_TRUE(ShowsAt(0, top, "ab", clWindowText, clBtnFace));
  EXPECT_TRUE(Filled(Cells(0, 1, 20), clWindow));                       // background only
  EXPECT_TRUE(ShowsAt(0, top + rh, "    2:", clWindowText, clWindow));  // margin cell untouched
  EXPECT_TRUE(Filled({0, top + 2 * rh, lm, top + 3 * rh}, clBtnFace));  // filled, no number

  e.OnDrawLeftMgn = nullptr;
  e.OnDrawLine = nullptr;
  e.SetViewOpt(e.ViewOpt() - TViewOptions{voRowNum});
  EXPECT_TRUE(Filled({0, top, lm, top + rh}, clBtnFace));
}

TEST_F(Paint, Ruler) {
  EXPECT_EQ(RulerString(1, 26), "....+....1....+....2....+.");
  EXPECT_EQ(RulerString(96, 5), "....0");
  EXPECT_EQ(RulerString(118, 3), "..2");
  SetDoc({"abc"});
  const int left = e.TextRect().Left;
  const int cw = e.CellWidth();
  // The caret's column in highlight colours, the wrap marker in its column,
  // the indent marker in the cell before the text.
  EXPECT_TRUE(ShowsAt(left, 0, ".", clHighlightText, clHighlight));
  EXPECT_TRUE(ShowsAt(left + cw, 0, "...+", clWindowText, clBtnFace));
  EXPECT_TRUE(ShowsAt(left - cw, 0, ">", clMaroon, clBtnFace));
  EXPECT_TRUE(ShowsAt(left + 60 * cw, 0, "<", clMaroon, clBtnFace));
  e.SetLeftCol(95);
  e.SetOptions({});
  e.Paint();
  EXPECT_TRUE(ShowsAt(left, 0, "....0", clWindowText, clBtnFace));

  bool called = false;
  e.OnDrawColIndi = [&](TCustomAFEdit*, const TRect& r, bool& draw) {
    called = r == TRect{0, 0, left, e.RowHeight()};
    draw = false;
  };
  e.SetColColumnIndi(clRed);
  e.Paint();
  EXPECT_TRUE(called);
  EXPECT_TRUE(Filled({0, 0, left, e.RowHeight()}, clRed));
  EXPECT_TRUE(ShowsAt(left, 0, "....0", clWindowText, clBtnFace));  // the ruler text is not redrawn
}

}  // namespace
