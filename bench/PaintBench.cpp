// Painting a 120 x 50-cell view full of Japanese text with every mark on:
// the full repaint and a one-row line scroll, each beside the same view
// drawn with one QPainter::drawText call per row.
#include <QCoreApplication>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QString>

#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr int kCols = 120;
constexpr int kRows = 50;
constexpr int kDocRows = 2000;

// Prose rows with tabs, full-width spaces, dependence characters, half-width
// katakana and keywords; every fourth line is long enough to wrap, so fold
// marks show too.
std::vector<std::string> ViewText() {
  TextGen gen;
  std::vector<std::string> rows;
  for (int i = 0; i < kDocRows; ++i) {
    std::string s;
    if (i % 3 == 0) s += "\t";
    gen.Prose(s, 30);
    s += "\x81\x40" "begin ";
    gen.Prose(s, 20);
    s += "\x87\x40\xB1\t";
    gen.Prose(s, i % 4 == 0 ? 60 : 30);
    s += " end";
    rows.push_back(s);
  }
  return rows;
}

struct TView {
  explicit TView(qreal Ratio) {
    e = std::make_unique<TAFEdit>();
    e->setFrameStyle(QFrame::NoFrame);
    e->SetScrollBars(ssNone);
    e->SetKeywords({"begin", "end"});
    e->SetViewOpt(TViewOptions::FromBits((1u << (voFoldMark + 1)) - 1));
    std::string text;
    for (const std::string& r : ViewText()) text += r + "\r\n";
    e->SetText(text);
    for (int r = 0; r < e->RowCount() && r < 400; ++r) e->RewrapRow(r);
    e->resize(e->LeftMgn() + kCols * e->CellWidth(), e->TextRect().Top + kRows * e->RowHeight());
    e->show();
    e->SetSurfaceRatio(Ratio);
  }
  std::unique_ptr<TAFEdit> e;
};

// Made on first use (one per device pixel ratio: 1 and 2) and destroyed
// with the application object, before the windowing system goes.
TView& View(int Ratio) {
  static TView* views[3] = {};
  static const bool cleanup = [] {
    qAddPostRoutine([] {
      for (TView*& view : views) delete std::exchange(view, nullptr);
    });
    return true;
  }();
  (void)cleanup;
  TView*& v = views[Ratio];
  if (!v) v = new TView(Ratio);
  return *v;
}

// The baseline: the same rows as Unicode strings, drawn one drawText call
// per row on an image of the same size, over a filled background.
void BaselinePaint(benchmark::State& state, int Ratio) {
  TView& v = View(Ratio);
  TCustomAFEdit& e = *v.e;
  std::vector<QString> rows;
  for (int r = 0; r <= kRows; ++r) rows.push_back(Cp932ToQString(e.RowText(r).view()));
  QImage img(e.Surface().size(), QImage::Format_RGB32);
  img.setDevicePixelRatio(Ratio);
  const QFont font = ToQFont(e.Font());
  for (auto _ : state) {
    QPainter p(&img);
    p.fillRect(QRect(0, 0, e.viewport()->width(), e.viewport()->height()), Qt::white);
    p.setFont(font);
    p.setPen(Qt::black);
    for (int r = 0; r <= kRows; ++r)
      p.drawText(e.TextRect().Left, e.TextRect().Top + r * e.RowHeight() + e.CharHeight(), rows[static_cast<size_t>(r)]);
    benchmark::DoNotOptimize(img.constBits());
  }
}

void OursPaint(benchmark::State& state, int Ratio) {
  TCustomAFEdit& e = *View(Ratio).e;
  e.SetTopRow(0);
  for (auto _ : state) e.Paint();
}

// One row down, then back up when the end is near, one request each.
void OursLineScroll(benchmark::State& state, int Ratio) {
  TCustomAFEdit& e = *View(Ratio).e;
  e.SetAccelRate(1);
  e.SetTopRow(0);
  e.Paint();
  int dir = sbLineDown;
  for (auto _ : state) {
    if (e.TopRow() >= 300) dir = sbLineUp;
    if (e.TopRow() == 0) dir = sbLineDown;
    e.VScrollRequest(dir);
  }
  e.VScrollRequest(sbEndScroll);
}

}  // namespace

void RegisterPaintCases() {
  // At ratio 2 (a screen scaled by 2) the image has four times the pixels.
  for (const int ratio : {1, 2}) {
    const std::string suffix = ratio == 1 ? "" : "_ratio2";
    for (const std::string name : {"Paint/full_repaint", "Paint/line_scroll"}) {
      benchmark::RegisterBenchmark((name + suffix + "/baseline").c_str(), BaselinePaint, ratio)
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.2);
    }
    benchmark::RegisterBenchmark(("Paint/full_repaint" + suffix + "/ours").c_str(), OursPaint, ratio)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2);
    benchmark::RegisterBenchmark(("Paint/line_scroll" + suffix + "/ours").c_str(), OursLineScroll, ratio)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2);
  }
}

}  // namespace bench
