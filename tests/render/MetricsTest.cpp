// The cell grid, derived fonts, line-end glyphs and text output on the
// control's surface.
#include <gtest/gtest.h>

#include <QFontInfo>

#include "AFEdit/AFEdit.h"

namespace {

// A font height whose text height gives the wanted character height.
int HeightFor(int charHeight) {
  TCanvas c;
  for (int h = 6; h < 40; ++h) {
    TFont f;
    f.Height = -h;
    c.SetFont(f);
    if (c.TextHeight() == charHeight) return -h;
  }
  return 0;
}

struct Editor : ::testing::Test {
  void SetUp() override {
    InstallFontSubstitutions();
    e.resize(400, 200);
    e.show();
    e.Loaded();
  }
  TAFEdit e;
};

TEST_F(Editor, FontResolvesToIpaGothicWithHalfWidthCells) {
  EXPECT_EQ(QFontInfo(ToQFont(e.Font())).family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(e.HalfWidth(), (e.CharHeight() + 1) / 2);
}

TEST_F(Editor, GridFollowsCharacterHeightAndPitches) {
  for (int ch : {12, 13}) {
    const int h = HeightFor(ch);
    ASSERT_NE(h, 0) << "no font height gives " << ch;
    TFont f = e.Font();
    f.Height = h;
    e.SetFont(f);
    EXPECT_EQ(e.CharHeight(), ch);
    EXPECT_EQ(e.HalfWidth(), ch == 12 ? 6 : 7);
    EXPECT_EQ(e.CellWidth(), e.HalfWidth());
    EXPECT_EQ(e.RowHeight(), ch + 2);
    e.SetCharPich(3);
    EXPECT_EQ(e.CellWidth(), e.HalfWidth() + 3);
    e.SetRowPich(5);  // stored only, until the next update
    EXPECT_EQ(e.RowHeight(), ch + 2);
    e.UpdateMetrics(false);
    EXPECT_EQ(e.RowHeight(), ch + 5);
    e.SetCharPich(0);
    e.SetRowPich(2);
    e.UpdateMetrics(false);
  }
  EXPECT_EQ(e.VisibleRowCount(), (e.TextRect().Bottom - e.TextRect().Top) / e.RowHeight());
}

TEST_F(Editor, LeftMarginWidensForRowNumbersAndStaysWide) {
  TFont f = e.Font();
  f.Height = HeightFor(12);
  e.SetFont(f);
  ASSERT_EQ(e.CellWidth(), 6);
  e.SetLeftMgn(20);
  EXPECT_EQ(e.LeftMgn(), 36);  // "  100:" is six cells
  EXPECT_EQ(e.TextRect().Left, 36);
  e.SetViewOpt(e.ViewOpt() - TViewOptions{voRowNum});
  e.UpdateMetrics(false);
  EXPECT_EQ(e.LeftMgn(), 36);
  e.SetLeftMgn(10);
  EXPECT_EQ(e.LeftMgn(), 10);
  e.SetRowDspFmt("%s%999999999d");  // hostile: bounded, never printf
  e.SetViewOpt(e.ViewOpt() + TViewOptions{voRowNum});
  e.UpdateMetrics(false);
  EXPECT_LE(e.LeftMgn(), 70 * e.CellWidth());
}

TEST_F(Editor, DerivedFontsKeepTheirAttributes) {
  e.SetColKeyWord(clRed);
  e.SetKeywordStyle({fsBold});
  e.SetColKeyWord(clBlue);
  EXPECT_TRUE(e.KeywordStyle().contains(fsBold));
  e.SetColDependence(0x123456);
  e.SetColSelText(0x654321);
  TFont f = e.Font();
  f.Height = -20;
  f.Style = {fsItalic};
  e.SetFont(f);
  EXPECT_EQ(e.ColKeyWord(), clBlue);
  EXPECT_EQ(e.KeywordStyle(), TFontStyles{fsBold});
  EXPECT_EQ(e.ColDependence(), 0x123456);
  EXPECT_EQ(e.ColSelText(), 0x654321);
  EXPECT_EQ(e.KeywordFont().Height, -20);
  EXPECT_EQ(e.DependenceFont().Style, TFontStyles{fsItalic});  // follows the font
  EXPECT_EQ(e.SelTextFont().Name, f.Name);
}

TEST_F(Editor, OddDrawingHeightIsEvened) {
  TFont f = e.Font();
  f.Height = -13;
  e.SetFont(f);
  EXPECT_EQ(e.Canvas().Font().Height, -12);
  EXPECT_EQ(e.Font().Height, -13);
  e.UpdateMetrics(false);
  EXPECT_EQ(e.Canvas().Font().Height, -13);
}

TEST_F(Editor, LineEndGlyphIsRecolouredAndCached) {
  const int builds = e.CrMarkBuilds();
  e.BuildCrMarks(clMaroon, e.Color());  // the key is unchanged
  EXPECT_EQ(e.CrMarkBuilds(), builds);
  e.SetColSelBrush(0x00FF00);
  e.BuildCrMarks(clBlue, 0x00FFFF);  // blue strokes on yellow
  EXPECT_EQ(e.CrMarkBuilds(), builds + 1);
  EXPECT_EQ(e.ColCr(), clBlue);
  const QImage& m = e.CrMark();
  ASSERT_EQ(m.width(), e.CharHeight());
  ASSERT_EQ(m.height(), e.CharHeight());
  int blue = 0, yellow = 0, other = 0;
  for (int y = 0; y < m.height(); ++y)
    for (int x = 0; x < m.width(); ++x) {
      const QRgb p = m.pixel(x, y) & 0xFFFFFF;
      if (p == 0x0000FF) ++blue;
      else if (p == 0xFFFF00) ++yellow;
      else ++other;
    }
  EXPECT_GT(blue, 5);
  EXPECT_GT(yellow, blue);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(e.CrMarkSel().pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
  // Two rows with the same background rebuild nothing.
  e.BuildCrMarks(clBlue, 0x00FFFF);
  e.BuildCrMarks(clBlue, 0x00FFFF);
  EXPECT_EQ(e.CrMarkBuilds(), builds + 1);
  e.BuildCrMarks(clBlue, clWhite);
  EXPECT_EQ(e.CrMarkBuilds(), builds + 2);
}

TEST_F(Editor, MarkColourComesFromTheWindowColour) {
  QPalette p = e.palette();
  p.setColor(QPalette::Base, Qt::white);
  e.setPalette(p);
  e.NonClientPaint();
  EXPECT_EQ(e.MarkColor(), 0xBFBFBF);
}

TEST_F(Editor, TextIsDrawnOnTheCellGrid) {
  TFont f = e.Font();
  f.Height = HeightFor(12);
  e.SetFont(f);
  const int cw = e.CellWidth(), rh = e.RowHeight();
  TCanvas& c = e.Canvas();
  c.BrushColor = 0x00FFFF;  // yellow
  TFont red = e.Font();
  red.Color = clRed;
  c.SetFont(red);
  // "a" then "あ" then "b": the two-byte character covers cells 1 and 2.
  const int x0 = 40, y0 = 30;
  e.TextOutAt(x0, y0, "a\x82\xA0" "b", 0);
  EXPECT_EQ(c.PenPos, (TPoint{x0 + 4 * cw, y0 + rh}));
  const QImage& s = e.Surface();
  auto inkIn = [&](int left, int right) {
    int n = 0;
    for (int y = y0; y < y0 + rh; ++y)
      for (int x = left; x < right; ++x)
        if ((s.pixel(x, y) & 0xFFFFFF) != 0xFFFF00) ++n;
    return n;
  };
  EXPECT_GT(inkIn(x0 + cw, x0 + 3 * cw), 10);
  EXPECT_EQ(s.pixel(x0 + 4 * cw - 1, y0) & 0xFFFFFF, 0xFFFF00u);  // opaque background
  EXPECT_NE(s.pixel(x0 + 4 * cw, y0) & 0xFFFFFF, 0xFFFF00u);      // nothing past the text
  bool red_ink = false;
  for (int y = y0; y < y0 + rh; ++y)
    for (int x = x0 + cw; x < x0 + 3 * cw; ++x)
      if ((s.pixel(x, y) & 0xFFFFFF) == 0xFF0000) red_ink = true;
  EXPECT_TRUE(red_ink);
  // Clipped at ClipLeft: the first cells keep what was there.
  c.BrushColor = 0xFF00FF;
  e.TextOutAt(x0, y0 + 2 * rh, "xyz", x0 + cw);
  EXPECT_NE(s.pixel(x0, y0 + 2 * rh) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(s.pixel(x0 + cw, y0 + 2 * rh) & 0xFFFFFF, 0xFF00FFu);
}

}  // namespace
