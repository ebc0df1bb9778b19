// A shown, focused control and pixel checks on its surface: cells are found
// from the metrics, and what a cell shows is compared with the same bytes
// drawn on a scratch image in the expected colours.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "common/Doc.h"

namespace TestUtil {

inline std::string Sjis(const char* Utf8) {
  std::string out;
  QStringToCp932(QString::fromUtf8(Utf8), out);
  return out;
}

struct View : ::testing::Test {
  void SetUp() override {
    InstallFontSubstitutions();
    TCustomAFEdit::ScrollAccelCount = 0;
    e.resize(640, 300);
    e.show();
    e.Loaded();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.setFocus();
  }

  // Pixel rectangle of Count cells from display column Col of row Row.
  TRect Cells(int Col, int Row, int Count = 1) const {
    const int x = (Col - e.LeftCol()) * e.CellWidth() + e.TextRect().Left;
    const int y = (Row - e.TopRow()) * e.RowHeight() + e.TextRect().Top;
    return {x, y, x + Count * e.CellWidth(), y + e.RowHeight()};
  }

  // The bytes drawn at pixel (X, Y) in Fg on Bg, as the control draws text,
  // at the surface's device pixel ratio.
  QImage Expected(std::string_view Bytes, TColor Fg, TColor Bg, TFontStyles Style = {}) const {
    const int cw = e.CellWidth();
    const int w = static_cast<int>(Bytes.size()) * cw;
    const qreal ratio = e.Surface().devicePixelRatio();
    QImage img(qRound(w * ratio), qRound(e.RowHeight() * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    TCanvas c(&img, e.palette());
    TFont f = e.Font();
    f.Color = Fg;
    f.Style = Style;
    c.SetFont(f);
    c.BrushColor = Bg;
    const std::vector<int> adv(Bytes.size(), cw);
    c.ExtTextOut(0, 0, {0, 0, w, e.RowHeight()}, Bytes, adv.data(), true);
    return img;
  }

  ::testing::AssertionResult ShowsAt(int X, int Y, std::string_view Bytes, TColor Fg, TColor Bg,
                                     TFontStyles Style = {}) const {
    const QImage want = Expected(Bytes, Fg, Bg, Style);
    const QRect at = const_cast<TAFEdit&>(e).Canvas().DeviceRect({X, Y, X + 1, Y + 1});
    const QImage got =
        e.Surface().copy(at.x(), at.y(), want.width(), want.height()).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < want.height(); ++y)
      for (int x = 0; x < want.width(); ++x)
        if (got.pixel(x, y) != want.pixel(x, y))
          return ::testing::AssertionFailure()
                 << "pixel (" << X + x << ", " << Y + y << ") is " << std::hex << got.pixel(x, y) << ", expected "
                 << want.pixel(x, y);
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult Shows(int Col, int Row, std::string_view Bytes, TColor Fg, TColor Bg = clWindow,
                                   TFontStyles Style = {}) const {
    const TRect r = Cells(Col, Row);
    return ShowsAt(r.Left, r.Top, Bytes, Fg, Bg, Style);
  }

  // Every pixel of R has colour C.
  ::testing::AssertionResult Filled(const TRect& R, TColor C) const {
    return ShowsAt(R.Left, R.Top, std::string(static_cast<size_t>(R.Width() / e.CellWidth()), ' '), C, C);
  }

  void SetDoc(const Rows& R) {
    SetRows(e, R);
    e.Paint();
  }

  TAFEdit e;
};

}  // namespace TestUtil
