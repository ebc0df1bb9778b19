// The surface on scaled screens (device pixel ratio above 1) and the margin's
// width for long documents.
#include "common/ViewTest.h"

#include "AFEdit/render/RowFormat.h"

using namespace TestUtil;

namespace {

struct Ratio : View {};

// Of the 2 x 2 device-pixel blocks that hold ink in R, how many are not one
// colour: 0 when text is drawn at the logical size and enlarged.
std::pair<int, int> MixedInkBlocks(const QImage& S, const QRect& R, QRgb Paper) {
  int ink = 0, mixed = 0;
  for (int y = R.top(); y + 1 <= R.bottom(); y += 2)
    for (int x = R.left(); x + 1 <= R.right(); x += 2) {
      const QRgb c[] = {S.pixel(x, y), S.pixel(x + 1, y), S.pixel(x, y + 1), S.pixel(x + 1, y + 1)};
      if (std::all_of(std::begin(c), std::end(c), [&](QRgb p) { return p == Paper; })) continue;
      ++ink;
      mixed += !std::all_of(std::begin(c), std::end(c), [&](QRgb p) { return p == c[0]; });
    }
  return {ink, mixed};
}

TEST_F(Ratio, TextIsDrawnAtTheDeviceResolution) {
  SetDoc({Sjis("日本語の文章と ABC xyz")});
  e.SetSurfaceRatio(2);
  const QImage& s = e.Surface();
  ASSERT_EQ(s.size(), e.viewport()->size() * 2);
  const QRect row = e.Canvas().DeviceRect(Cells(0, 0, 16));
  const auto [ink, mixed] = MixedInkBlocks(s, row, s.pixel(row.right(), row.bottom()));
  ASSERT_GT(ink, 50);
  EXPECT_GT(mixed * 4, ink) << mixed << " of " << ink << " inked blocks are mixed";
  // The cell grid stays logical: a cell is 2 x 2 device pixels per pixel.
  EXPECT_EQ(Cells(3, 0).Left * 2, e.Canvas().DeviceRect(Cells(3, 0)).left());
  EXPECT_TRUE(Shows(15, 0, "A", clWindowText));
}

// Changing the ratio makes the image and the line-end glyph anew at the new
// resolution and paints it whole: it equals a repaint.
TEST_F(Ratio, AChangeOfRatioRepaintsAtTheNewResolution) {
  SetDoc({"ab\r", "cd"});
  for (const qreal ratio : {2.0, 1.5, 1.25, 1.0}) {
    SCOPED_TRACE(ratio);
    e.SetSurfaceRatio(ratio);
    EXPECT_EQ(e.Surface().devicePixelRatio(), ratio);
    EXPECT_EQ(e.CrMark().width(), qRound(e.CharHeight() * ratio));
    const QImage before = e.Surface().copy();
    e.Paint();
    EXPECT_TRUE(before == e.Surface());
  }
}

// Row numbers wider than the design margin widen it, when the document is
// set and when an edit adds the row that needs another digit.
TEST_F(Ratio, TheMarginWidensForRowNumbersOfMoreDigits) {
  e.SetRowDspFmt("%5d:");
  e.SetViewOpt(e.ViewOpt() + TViewOptions{voRowNum});
  e.OnChange = [](TCustomAFEdit* Sender) { Sender->Paint(); };
  const int cw = e.CellWidth();
  struct TCase {
    int Rows;
    int Chars;  // of the widest number, colon included
  } cases[] = {{5, 6}, {99999, 6}, {100000, 7}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Rows);
    std::string text;
    for (int i = 1; i < c.Rows; ++i) text += "x\r\n";
    e.SetText(text + "x");
    e.Paint();
    EXPECT_GE(e.TextRect().Left, c.Chars * cw);
    e.SetTopRow(c.Rows - 1);
    e.Paint();
    const std::string number = FormatRowNumber("%5d:", c.Rows);
    EXPECT_TRUE(ShowsAt(0, Cells(0, c.Rows - 1).Top, number, e.ColRowNo(), e.ColLeftMgn()));
    EXPECT_TRUE(Shows(0, c.Rows - 1, "x", clWindowText));
  }
  // An Enter at the end of row 99999 adds row 100000.
  std::string text;
  for (int i = 1; i < 99999; ++i) text += "x\r\n";
  e.SetText(text + "x");
  e.SetLeftMgn(0);
  e.Paint();
  const int narrow = e.TextRect().Left;
  e.SetCaretPos({1, 99998});
  QTest::keyClick(&e, Qt::Key_Return);
  EXPECT_EQ(e.RowCount(), 100000);
  EXPECT_EQ(e.TextRect().Left, narrow + cw);
}

}  // namespace
