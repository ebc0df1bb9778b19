#include "AFEdit/platform/Canvas.h"
#include "common/Doc.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <functional>
#include <initializer_list>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace {

using TPixelSet = std::set<std::pair<int, int>>;

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kMaroon = qRgb(128, 0, 0);

using TestUtil::Bytes;

QImage Filled(int w, int h, QRgb c, QImage::Format f = QImage::Format_RGB32) {
  QImage img(w, h, f);
  img.fill(QColor::fromRgba(c));
  return img;
}

TPixelSet Where(const QImage& img, auto pred) {
  TPixelSet s;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (pred(x, y, img.pixel(x, y))) s.emplace(x, y);
  return s;
}

TPixelSet Differing(const QImage& a, const QImage& b) {
  return Where(a, [&](int x, int y, QRgb c) { return c != b.pixel(x, y); });
}

const TPixelSet kCrDown = [] {
  TPixelSet s;
  for (int y = 3; y <= 9; ++y) s.emplace(10, y);
  return s;
}();
const TPixelSet kCrLeft = [] {
  TPixelSet s{{5, 8}, {4, 9}, {5, 9}, {4, 11}, {5, 11}, {5, 12}};
  for (int x = 3; x <= 9; ++x) s.emplace(x, 10);
  return s;
}();

// A canvas on a white image with black text in the control's default font.
struct TTextFixture {
  QImage Image = Filled(80, 20, kWhite);
  TCanvas Canvas{&Image};
  int Height = 0;
  TTextFixture() {
    TFont f;
    f.Color = clBlack;
    Canvas.SetFont(f);
    Canvas.BrushColor = clWhite;
    Height = Canvas.TextHeight();
  }
  void Text(int x, std::string_view s, const int* adv, TRect clip = {0, 0, 80, 20}, bool opaque = false) {
    Canvas.ExtTextOut(x, 2, clip, s, adv, opaque);
  }
};

const int kCells[] = {6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6};

}  // namespace

TEST(CanvasCrBitmap, LayoutAndConnectivity) {
  const QImage cr = LoadCrBitmap();
  ASSERT_EQ(cr.size(), QSize(16, 16));
  ASSERT_EQ(cr.format(), QImage::Format_RGB32);
  TPixelSet ink = kCrDown;
  ink.insert(kCrLeft.begin(), kCrLeft.end());
  EXPECT_EQ(Where(cr, [](int, int, QRgb c) { return c == kMaroon; }), ink);
  EXPECT_EQ(Where(cr, [](int, int, QRgb c) { return c != kMaroon && c != kWhite; }), TPixelSet{});

  // Each stroke is one area on its own; the two meet only diagonally.
  QImage down = cr;
  FloodFillSurface(down, 10, 4, Qt::red);
  EXPECT_EQ(Differing(down, cr), kCrDown);
  QImage left = cr;
  FloodFillSurface(left, 4, 10, Qt::red);
  EXPECT_EQ(Differing(left, cr), kCrLeft);
  // The whole background is one area around the glyph.
  QImage back = cr;
  FloodFillBorder(back, 1, 1, QColor(kMaroon), Qt::blue);
  EXPECT_EQ(Differing(back, cr), Where(cr, [](int, int, QRgb c) { return c == kWhite; }));
}

TEST(CanvasFloodFill, SurfaceAndBorderSemantics) {
  for (const auto format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888}) {
    SCOPED_TRACE(format);
    // White, a black ring from (2,2) to (7,7) with a grey pixel inside it,
    // and a white pixel touching the ring only at a corner.
    QImage img = Filled(10, 10, kWhite, format);
    for (int i = 2; i <= 7; ++i)
      for (const auto& [x, y] : {std::pair{i, 2}, {i, 7}, {2, i}, {7, i}}) img.setPixel(x, y, qRgb(0, 0, 0));
    img.setPixel(4, 4, qRgb(128, 128, 128));
    const QImage before = img;

    // Surface: the inside white area only, stopping at the grey pixel too.
    FloodFillSurface(img, 3, 3, Qt::red);
    EXPECT_EQ(Differing(img, before).size(), 15u);
    EXPECT_EQ(img.pixel(4, 4), qRgb(128, 128, 128));
    EXPECT_EQ(img.pixel(1, 1), kWhite);
    // Filling with the colour already there changes nothing.
    QImage same = before;
    FloodFillSurface(same, 0, 0, QColor(kWhite));
    EXPECT_EQ(same, before);

    // Border: through the grey pixel and through a ring already of the fill
    // colour (started on), up to the black ring.
    img = before;
    for (int i = 3; i <= 6; ++i)
      for (const auto& [x, y] : {std::pair{i, 3}, {i, 6}, {3, i}, {6, i}}) img.setPixel(x, y, qRgb(255, 0, 0));
    FloodFillBorder(img, 3, 3, Qt::black, Qt::red);
    EXPECT_EQ(Where(img, [](int, int, QRgb c) { return c == qRgb(255, 0, 0); }).size(), 16u);
    EXPECT_EQ(img.pixel(1, 1), kWhite);
    // Starting on the border does nothing.
    QImage onBorder = before;
    FloodFillBorder(onBorder, 2, 2, Qt::black, Qt::red);
    EXPECT_EQ(onBorder, before);
  }
}

TEST(CanvasFloodFill, LongWindingAreaDoesNotExhaustTheStack) {
  // A one-pixel corridor zig-zagging through a 601 x 601 image: deep for
  // any fill that recurses per pixel or per span.
  const int n = 601;
  QImage img = Filled(n, n, qRgb(0, 0, 0));
  for (int y = 0; y < n; y += 2) {
    for (int x = 0; x < n; ++x) img.setPixel(x, y, kWhite);
    if (y + 1 < n) img.setPixel((y / 2) % 2 ? 0 : n - 1, y + 1, kWhite);
  }
  const auto white = Where(img, [](int, int, QRgb c) { return c == kWhite; });
  FloodFillSurface(img, 0, 0, Qt::green);
  EXPECT_EQ(Where(img, [](int, int, QRgb c) { return c == qRgb(0, 255, 0); }), white);
}

TEST(CanvasText, TwoByteCharacterIsOneGlyphAcrossItsTwoCells) {
  TTextFixture t;
  const std::string a = Bytes({0x82, 0xA0});  // あ
  t.Text(12, a, kCells);
  const TPixelSet ink = Where(t.Image, [](int, int, QRgb c) { return c != kWhite; });
  ASSERT_FALSE(ink.empty());
  bool leftCell = false, rightCell = false;
  for (const auto& [x, y] : ink) {
    EXPECT_TRUE(x >= 12 && x < 24 && y >= 2 && y < 2 + t.Height) << x << "," << y;
    (x < 18 ? leftCell : rightCell) = true;
  }
  EXPECT_TRUE(leftCell && rightCell);

  // The same pixels as Qt's own text drawing of the character.
  QImage ref = Filled(80, 20, kWhite);
  QPainter p(&ref);
  p.setFont(ToQFont(t.Canvas.Font()));
  p.drawText(QPointF(12, 2 + QFontMetrics(p.font()).ascent()), QString::fromUtf8("あ"));
  p.end();
  EXPECT_EQ(Differing(t.Image, ref), TPixelSet{});
}

TEST(CanvasText, GlyphsStartAtTheSumOfTheAdvancesBeforeThem) {
  TTextFixture row, parts;
  const int adv[] = {7, 5, 9, 7};
  row.Text(3, Bytes({'a', 0x82, 0xA0, 'b'}), adv);
  parts.Text(3, "a", kCells);
  parts.Text(3 + 7, Bytes({0x82, 0xA0}), kCells);
  parts.Text(3 + 7 + 5 + 9, "b", kCells);
  EXPECT_EQ(Differing(row.Image, parts.Image), TPixelSet{});
  EXPECT_EQ(row.Canvas.TextWidth(Bytes({'a', 0x82, 0xA0, 'b'})), 24);
}

TEST(CanvasText, ClipOnlyCutsTheText) {
  const QRgb blue = qRgb(0, 0, 255);
  const TRect clip{10, 3, 40, 14};
  auto inClip = [&](int x, int y) { return x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom; };
  const std::string text = Bytes({'W', 'W', 0x88, 0x9F, 'M', 0x8A, 0xBF, 'W', 'W'});
  // The first W straddles the left edge of the clip.
  TTextFixture full;
  full.Image.fill(blue);
  full.Text(7, text, kCells);
  for (const bool opaque : {true, false}) {
    SCOPED_TRACE(opaque);
    TTextFixture t;
    t.Image.fill(blue);
    t.Text(7, text, kCells, clip, opaque);
    const TPixelSet bad = Where(t.Image, [&](int x, int y, QRgb c) {
      if (!inClip(x, y)) return c != blue;
      const QRgb ink = full.Image.pixel(x, y);
      return c != (ink != blue ? ink : opaque ? kWhite : blue);
    });
    EXPECT_EQ(bad, TPixelSet{});
  }
  EXPECT_FALSE(Where(full.Image, [&](int x, int, QRgb c) { return x == clip.Left && c != blue; }).empty());
}

TEST(CanvasText, ControlBytesAndUnmappedCodesDrawNothing) {
  TTextFixture t;
  t.Image.fill(qRgb(0, 0, 255));
  // Tab, a control byte, an unassigned two-byte code, and a lead byte that
  // ends the text.
  t.Text(0, Bytes({0x09, 0x01, 0x85, 0x40, 0x82}), kCells, {0, 0, 60, 20}, true);
  EXPECT_EQ(Where(t.Image, [](int x, int, QRgb c) { return c != (x < 60 ? kWhite : qRgb(0, 0, 255)); }),
            TPixelSet{});
}

TEST(CanvasText, SystemColoursComeFromThePalette) {
  QPalette pal;
  pal.setColor(QPalette::Text, QColor(200, 0, 0));
  pal.setColor(QPalette::Base, QColor(0, 0, 90));
  for (const int height : {-12, -24}) {  // drawn plain, and antialiased
    SCOPED_TRACE(height);
    QImage img = Filled(60, 30, kWhite);
    TCanvas c(&img, pal);
    TFont f;
    f.Height = height;
    c.SetFont(f);
    c.ExtTextOut(0, 0, {0, 0, 60, 30}, Bytes({0x81, 0xA1, 'W'}), kCells);  // ■W
    const auto colours = Where(img, [](int, int, QRgb) { return true; });
    std::set<QRgb> seen;
    for (const auto& [x, y] : colours) seen.insert(img.pixel(x, y));
    EXPECT_TRUE(seen.count(qRgb(200, 0, 0)) && seen.count(qRgb(0, 0, 90)));
    for (const QRgb rgb : seen) EXPECT_EQ(qGreen(rgb), 0) << std::hex << rgb;  // only blends of the two
    if (height == -12) { EXPECT_EQ(seen.size(), 2u); }
  }
}

TEST(CanvasLines, InvertingTwiceRestoresAndEndPointsAreExcluded) {
  QImage img(40, 30, QImage::Format_RGB32);
  std::mt19937 rng(7);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, rng() | 0xFF000000u);
  const QImage before = img;
  TCanvas c(&img);
  c.PenMode = pmNot;
  const TRect lines[] = {{2, 5, 8, 5}, {8, 5, 2, 5}, {3, 1, 3, 20}, {1, 1, 6, 6}, {30, 2, 5, 9}, {-5, 10, 50, 25}};
  for (const TRect& l : lines) {
    c.MoveTo(l.Left, l.Top);
    c.LineTo(l.Right, l.Bottom);
    EXPECT_EQ(c.PenPos, (TPoint{l.Right, l.Bottom}));
    const TPixelSet changed = Differing(img, before);
    for (const auto& [x, y] : changed) EXPECT_EQ(img.pixel(x, y), before.pixel(x, y) ^ 0x00FFFFFFu);
    EXPECT_EQ(changed.count({l.Right, l.Bottom}), 0u);
    if (l.Left == 2 || l.Left == 8) { EXPECT_EQ(changed.size(), 6u); }
    if (l.Left == 1) { EXPECT_EQ(changed, (TPixelSet{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}})); }
    c.MoveTo(l.Left, l.Top);
    c.LineTo(l.Right, l.Bottom);
    EXPECT_EQ(img, before);
  }
  c.PenMode = pmCopy;
  c.PenColor = clRed;
  c.MoveTo(8, 5);
  c.LineTo(2, 5);
  EXPECT_EQ(Where(img, [](int, int, QRgb rgb) { return rgb == qRgb(255, 0, 0); }),
            (TPixelSet{{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}}));
}

TEST(CanvasPrimitives, ScrollFillAndStretch) {
  for (const auto format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
    QImage img(30, 20, format);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) img.setPixel(x, y, qRgb(x, y, 0));
    const QImage before = img;
    TCanvas c(&img);
    const TRect r{4, 3, 25, 18};
    for (const auto& [dx, dy] : {std::pair{3, 0}, {0, -2}, {-5, 4}, {2, 3}, {30, 0}}) {
      img = before;
      c.ScrollRect(dx, dy, r);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
          const bool in = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
          const bool fromIn = x - dx >= r.Left && x - dx < r.Right && y - dy >= r.Top && y - dy < r.Bottom;
          ASSERT_EQ(img.pixel(x, y), in && fromIn ? before.pixel(x - dx, y - dy) : before.pixel(x, y))
              << format << " " << dx << "," << dy << " at " << x << "," << y;
        }
    }
  }

  QImage img = Filled(10, 10, kWhite);
  TCanvas c(&img);
  c.BrushColor = clBlue;
  c.FillRect({2, 3, 5, 4});
  c.FillRect({8, 8, 3, 3});  // reversed: empty
  EXPECT_EQ(Where(img, [](int, int, QRgb rgb) { return rgb != kWhite; }), (TPixelSet{{2, 3}, {3, 3}, {4, 3}}));

  // 2 x 2 checker stretched to 6 x 6 at (-1, 1): exact 3 x 3 blocks, cut at
  // the image edge.
  QImage checker(2, 2, QImage::Format_RGB32);
  checker.setPixel(0, 0, qRgb(0, 0, 0));
  checker.setPixel(1, 1, qRgb(0, 0, 0));
  checker.setPixel(1, 0, kMaroon);
  checker.setPixel(0, 1, kMaroon);
  img.fill(kWhite);
  c.StretchDraw({-1, 1, 5, 7}, checker);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool in = x < 5 && y >= 1 && y < 7;
      const QRgb want = !in ? kWhite : checker.pixel((x + 1) / 3, (y - 1) / 3);
      EXPECT_EQ(img.pixel(x, y), want) << x << "," << y;
    }
}

// Each drawing call records the logical rectangle it touched, cut to the
// image; outside a batch it reaches the sink at once, inside one the box of
// them all reaches it when the batch ends.
TEST(CanvasDamage, EveryCallRecordsItsRectangle) {
  QImage img = Filled(40, 30, kWhite);
  TCanvas c(&img);
  std::vector<TRect> sunk;
  c.SetDamageSink([&](const TRect& R) { sunk.push_back(R); });
  const QImage bitmap = Filled(4, 3, kMaroon);
  const std::vector<std::pair<std::function<void()>, TRect>> calls = {
      {[&] { c.FillRect({2, 3, 5, 4}); }, {2, 3, 5, 4}},
      {[&] { c.FillRect({30, 20, 60, 60}); }, {30, 20, 40, 30}},
      {[&] { c.ExtTextOut(1, 2, {1, 2, 13, 14}, "ab", kCells); }, {1, 2, 13, 14}},
      {[&] { c.MoveTo(5, 1); c.LineTo(5, 9); }, {5, 1, 6, 10}},
      {[&] { c.Draw(36, 2, bitmap); }, {36, 2, 40, 5}},
      {[&] { c.StretchDraw({0, 0, 8, 8}, bitmap); }, {0, 0, 8, 8}},
      {[&] { c.ScrollRect(0, -3, {0, 10, 40, 30}); }, {0, 10, 40, 30}},
  };
  for (const auto& [call, rect] : calls) {
    sunk.clear();
    call();
    EXPECT_EQ(sunk, std::vector<TRect>{rect});
  }
  sunk.clear();
  c.BeginBatch();
  for (const auto& [call, rect] : calls) call();
  EXPECT_TRUE(sunk.empty());
  c.EndBatch();
  EXPECT_EQ(sunk, (std::vector<TRect>{{0, 0, 40, 30}}));
}

// At ratio 2 a logical pixel is a 2 x 2 block of the image; at a fractional
// ratio neighbouring rectangles meet without gap or overlap, and a scroll
// that is not a whole number of device pixels moves nothing.
TEST(CanvasRatio, LogicalRectanglesCoverWholeDevicePixels) {
  QImage img = Filled(40, 30, kWhite);
  img.setDevicePixelRatio(2);
  TCanvas c(&img);
  c.BrushColor = clBlue;
  c.FillRect({2, 3, 5, 4});
  EXPECT_EQ(Where(img, [](int, int, QRgb rgb) { return rgb != kWhite; }).size(), 3u * 4u);
  EXPECT_EQ(img.pixel(4, 6), qRgb(0, 0, 255));
  c.PenColor = clRed;
  c.MoveTo(10, 0);
  c.LineTo(10, 5);
  EXPECT_EQ(Where(img, [](int, int, QRgb rgb) { return rgb == qRgb(255, 0, 0); }).size(), 2u * 10u);

  QImage frac = Filled(50, 50, kWhite);
  frac.setDevicePixelRatio(1.25);
  TCanvas f(&frac);
  for (int x = 0; x < 40; x += 3) {
    f.BrushColor = x % 2 ? clBlue : clRed;
    f.FillRect({x, 0, x + 3, 1});
  }
  EXPECT_TRUE(Where(frac, [](int, int y, QRgb rgb) { return y == 0 && rgb == kWhite; }).empty());
  EXPECT_EQ(f.DeviceRect({0, 0, 4, 4}), QRect(0, 0, 5, 5));
  EXPECT_FALSE(f.CanScrollExactly(0, 1));
  EXPECT_TRUE(f.CanScrollExactly(4, -8));
  const QImage before = frac;
  EXPECT_FALSE(f.ScrollRect(0, 1, {0, 0, 40, 40}));
  EXPECT_EQ(frac, before);
  EXPECT_TRUE(f.ScrollRect(0, 4, {0, 0, 40, 40}));
  EXPECT_EQ(frac.pixel(0, 5), before.pixel(0, 0));
}

TEST(CanvasColours, RgbRoundTripAndSystemColours) {
  EXPECT_EQ(ToQColor(0x00336699, QPalette()), QColor(0x99, 0x66, 0x33));
  EXPECT_EQ(FromQColor(QColor(0x99, 0x66, 0x33)), 0x00336699);
  QPalette pal;
  const std::pair<TColor, QPalette::ColorRole> roles[] = {{clWindow, QPalette::Base},
                                                          {clWindowText, QPalette::Text},
                                                          {clBtnFace, QPalette::Button},
                                                          {clHighlight, QPalette::Highlight},
                                                          {clHighlightText, QPalette::HighlightedText}};
  int n = 0;
  for (const auto& [tc, role] : roles) pal.setColor(role, QColor(10 * ++n, 7, 3));
  for (const auto& [tc, role] : roles) EXPECT_EQ(ToQColor(tc, pal), pal.color(role)) << role;
}

TEST(CanvasFonts, ControlFontResolvesToIPAGothic) {
  InstallFontSubstitutions();
  const QFont f = ToQFont(TFont{});
  EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(f.pixelSize(), 12);
  const QFontMetrics m(f);
  EXPECT_EQ(m.horizontalAdvance(QString::fromUtf8("あ")), 2 * m.horizontalAdvance(QChar('a')));

  // A positive height is the cell height the font must fit.
  for (const int cell : {13, 16, 20, 30}) {
    TFont byCell;
    byCell.Height = cell;
    const QFontMetrics cm(ToQFont(byCell));
    EXPECT_LE(cm.ascent() + cm.descent(), cell);
    EXPECT_GE(cm.ascent() + cm.descent(), cell - 2);
  }
  TCanvas c;
  EXPECT_EQ(c.TextHeight(), m.ascent() + m.descent());
}

TEST(CanvasCursors, RevCursorAndProgramCursors) {
  const QCursor rev = LoadRevCursor();
  const QImage img = rev.pixmap().toImage();
  ASSERT_FALSE(img.isNull());
  const QPoint hot = rev.hotSpot();
  EXPECT_NE(qAlpha(img.pixel(hot)), 0);
  // The tip is the right-most visible pixel.
  EXPECT_EQ(Where(img, [&](int x, int, QRgb c) { return qAlpha(c) != 0 && x > hot.x(); }), TPixelSet{});

  EXPECT_EQ(ProgramCursor(1234).shape(), Qt::ArrowCursor);
  RegisterProgramCursor(crRevCursor, rev);
  EXPECT_EQ(ProgramCursor(crRevCursor).shape(), Qt::BitmapCursor);
  EXPECT_EQ(ProgramCursor(crRevCursor).hotSpot(), hot);
}
