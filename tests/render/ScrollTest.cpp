// Scroll requests, the scroll bars, acceleration and the wheel; after any
// scroll the surface equals a full repaint of the same view.
#include <QScrollBar>
#include <QWheelEvent>

#include <functional>
#include <random>

#include "common/ViewTest.h"

using namespace TestUtil;

namespace {

struct Scroll : View {
  // Rows "1" ... "N", every one ending a line except the last.
  void Numbered(int N, int Width = 1) {
    Rows r;
    for (int i = 1; i <= N; ++i) r.push_back(std::string(static_cast<size_t>(Width - 1), 'x') + std::to_string(i) + (i < N ? "\r" : ""));
    Load(r);
  }
  // Loaded as a file is, so the longest row is known.
  void Load(const Rows& R) {
    std::string t;
    for (const std::string& s : R) t += s + (s.empty() || s.back() != '\r' ? "" : "\n");
    e.SetText(t);
  }
  int PaintedRows(const std::function<void()>& Step) {
    int n = 0;
    e.OnDrawLine = [&](TCustomAFEdit*, int, const TRect&, const std::string&, bool&) { ++n; };
    Step();
    e.OnDrawLine = nullptr;
    return n;
  }
};

TEST_F(Scroll, BarRangesFollowTheDocument) {
  const int V = e.VisibleRowCount();
  ASSERT_GT(V, 10);
  Numbered(100);
  EXPECT_TRUE(e.VertBarShown());
  EXPECT_EQ(e.StoredScrollInfo(sbVertical).Max, 99);
  EXPECT_EQ(e.StoredScrollInfo(sbVertical).Page, e.VisibleRowCount());
  EXPECT_EQ(e.verticalScrollBar()->maximum(), 100 - e.VisibleRowCount());
  e.SetOptions({aoFreeCaret, aoAutoFormat});
  e.SetCaretPos({0, 120});
  e.SetScrollBars(ssBoth);
  EXPECT_EQ(e.StoredScrollInfo(sbVertical).Max, 120);
  e.SetCaretPos({0, 3});
  Numbered(10);
  EXPECT_FALSE(e.VertBarShown());
  EXPECT_EQ(e.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  // The wrap column beyond the view needs the horizontal bar until the
  // view grows.
  e.resize(200, 300);
  EXPECT_TRUE(e.HorzBarShown());
  e.resize(640, 300);
  EXPECT_FALSE(e.HorzBarShown());
  EXPECT_EQ(e.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  // So do rows longer than the view.
  Numbered(3, 200);
  EXPECT_TRUE(e.HorzBarShown());
  EXPECT_EQ(e.StoredScrollInfo(sbHorizontal).Max, 203);  // 200 bytes, CR, 2 more
}

TEST_F(Scroll, AccelerationOfLineRequests) {
  Numbered(200);
  const struct {
    int Rate;
    std::vector<int> Tops;  // after each of four requests, then after end scroll and one more
  } cases[] = {{2, {1, 3, 5, 7, 8}}, {1, {1, 2, 3, 4, 5}}, {0, {1, 2, 3, 4, 5}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rate);
    e.SetAccelRate(c.Rate);
    e.SetTopRow(0);
    e.Paint();
    std::vector<int> tops;
    for (int i = 0; i < 4; ++i) {
      e.VScrollRequest(sbLineDown);
      tops.push_back(e.TopRow());
    }
    e.VScrollRequest(sbEndScroll);
    e.VScrollRequest(sbLineDown);
    tops.push_back(e.TopRow());
    e.VScrollRequest(sbEndScroll);
    EXPECT_EQ(tops, c.Tops);
  }
  // Line up at the top moves nothing and still sets the bar.
  e.SetTopRow(0);
  e.Paint();
  e.VScrollRequest(sbLineUp);
  EXPECT_EQ(e.TopRow(), 0);
  EXPECT_EQ(e.verticalScrollBar()->value(), 0);
}

TEST_F(Scroll, ThumbTrackingMovesPixelsForSmallSteps) {
  Numbered(100);
  const int V = e.VisibleRowCount();
  QScrollBar* bar = e.verticalScrollBar();
  const struct {
    int To;
    int Painted;
  } steps[] = {{3, 5}, {0, 3}, {4, V + 1}, {30, V + 1}};
  for (const auto& s : steps) {
    EXPECT_EQ(PaintedRows([&] { bar->setSliderPosition(s.To); }), s.Painted) << s.To;
    EXPECT_EQ(e.TopRow(), s.To);
  }
  // The caret follows the view unless Shift is held.
  EXPECT_EQ(e.Caret().Y, 30);
}

TEST_F(Scroll, PageDownInAShortDocumentKeepsTheFirstRow) {
  for (const TScrollStyle style : {ssBoth, ssNone}) {
    e.SetScrollBars(style);
    Numbered(5);
    e.VScrollRequest(sbPageDown);
    e.VScrollRequest(sbEndScroll);
    EXPECT_EQ(e.TopRow(), 0);
    EXPECT_EQ(e.Caret().Y, 4);
    EXPECT_TRUE(Shows(0, 0, "1", clWindowText));
  }
}

TEST_F(Scroll, WheelGoesThroughTheVerticalRequests) {
  Numbered(100);
  auto wheel = [&](int Delta) {
    QWheelEvent ev(QPointF(50, 50), e.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, Delta), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(e.viewport(), &ev);
  };
  int seen = 0;
  TPoint at{-1, -1};
  e.OnMouseWheel = [&](TCustomAFEdit*, TShiftState, int delta, TPoint pos, bool& handled) {
    seen = delta;
    at = pos;
    handled = delta > 0;
  };
  ASSERT_NE(e.viewport()->pos(), QPoint(0, 0));  // a frame lies around the client area
  wheel(-120);
  EXPECT_EQ(seen, -120);
  EXPECT_EQ(at, (TPoint{50, 50}));  // the client position the event came with
  EXPECT_EQ(e.TopRow(), QApplication::wheelScrollLines());
  EXPECT_EQ(TCustomAFEdit::ScrollAccelCount, 0);  // every wheel step ends its burst
  wheel(120);  // taken by the handler
  EXPECT_EQ(e.TopRow(), QApplication::wheelScrollLines());
}

// Letting go of a bar ends the burst of requests after the bar has
// reported where its thumb was released, and the release still reaches
// every other filter of the bar, whatever order they were installed in.
TEST_F(Scroll, ReleasingABarEndsTheBurst) {
  Numbered(100);
  QScrollBar* bar = e.verticalScrollBar();
  struct TProbe : QObject {
    int Releases = 0;
    bool eventFilter(QObject*, QEvent* Ev) override {
      Releases += Ev->type() == QEvent::MouseButtonRelease;
      return false;
    }
  } probe;
  bar->installEventFilter(&probe);
  bar->installEventFilter(&e);
  const QPoint thumb(bar->width() / 2, bar->height() * 3 / 10);
  const QPoint arrow(bar->width() / 2, bar->height() - 3);
  for (int i = 0; i < 3; ++i) QTest::mouseClick(bar, Qt::LeftButton, {}, arrow);
  EXPECT_EQ(TCustomAFEdit::ScrollAccelCount, 0);
  EXPECT_EQ(probe.Releases, 3);
  EXPECT_GT(e.TopRow(), 0);
  const int before = e.TopRow();
  QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
  QTest::mouseMove(bar, thumb + QPoint(0, 40));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(0, 40));
  EXPECT_EQ(probe.Releases, 4);
  EXPECT_GT(e.TopRow(), before);
  EXPECT_EQ(e.TopRow(), bar->value());
  EXPECT_EQ(TCustomAFEdit::ScrollAccelCount, 0);
}

// Random line, page and track requests in both directions: the surface
// always equals a full repaint of the same state.
void RandomScrollsMatchFullRepaints(TAFEdit& e, const std::function<void(const Rows&)>& Load) {
  Rows r;
  std::mt19937 rng(7);
  const std::string words[] = {"begin ", "\x93\xfa\x96\x7b ", "\t", "\x81\x40", "abc", "\x87\x40", "end."};
  for (int i = 0; i < 120; ++i) {
    std::string s;
    const int n = static_cast<int>(rng() % 30);
    for (int k = 0; k < n; ++k) s += words[rng() % std::size(words)];
    r.push_back(s + (i < 119 ? "\r" : ""));
  }
  e.SetKeywords({"begin", "end"});
  e.SetViewOpt(e.ViewOpt() + TViewOptions{voFoldMark});
  e.resize(300, 200);  // rows wider than the view
  Load(r);
  e.LineAttrs().GetAttr(5).Indent = 4;
  e.Sel().SetAnchorPos({3, 4});
  e.Sel().SetActivePos({9, 7});
  e.Paint();
  int moved = 0, top = 0, left = 0, maxLeft = 0;
  for (int step = 0; step < 300; ++step) {
    const int kind = static_cast<int>(rng() % 10);
    SCOPED_TRACE(step);
    switch (kind) {
      case 0: e.VScrollRequest(sbLineDown); break;
      case 1: e.VScrollRequest(sbLineUp); break;
      case 2: e.VScrollRequest(rng() % 2 ? sbPageDown : sbPageUp); break;
      case 3: e.verticalScrollBar()->setSliderPosition(e.TopRow() + static_cast<int>(rng() % 9) - 4); break;
      case 4: e.VScrollRequest(sbEndScroll); break;
      case 5: e.HScrollRequest(sbLineDown); break;
      case 6: e.HScrollRequest(sbLineUp); break;
      case 7: e.HScrollRequest(rng() % 2 ? sbPageDown : sbPageUp); break;
      case 8: e.horizontalScrollBar()->setSliderPosition(e.LeftCol() + static_cast<int>(rng() % 7) - 3); break;
      default: e.verticalScrollBar()->setSliderPosition(static_cast<int>(rng() % 110)); break;
    }
    moved += e.TopRow() != top || e.LeftCol() != left;
    top = e.TopRow();
    left = e.LeftCol();
    ASSERT_GE(e.TopRow(), 0);
    ASSERT_GE(e.LeftCol(), 0);
    const QImage scrolled = e.Surface().copy();
    e.Paint();
    ASSERT_TRUE(scrolled == e.Surface()) << "after request kind " << kind << " top " << e.TopRow() << " left "
                                         << e.LeftCol();
    maxLeft = std::max(maxLeft, left);
  }
  EXPECT_GT(moved, 150);
  EXPECT_GT(maxLeft, 10);
}

TEST_F(Scroll, EveryScrollLeavesTheSurfaceOfAFullRepaint) {
  RandomScrollsMatchFullRepaints(e, [this](const Rows& R) { Load(R); });
}

// On a scaled screen too; a ratio whose rows or cells are not a whole number
// of device pixels (1.25) repaints what it cannot move.
TEST_F(Scroll, EveryScrollLeavesTheSurfaceOfAFullRepaintAtEveryRatio) {
  for (const qreal ratio : {1.25, 1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    e.SetSurfaceRatio(ratio);
    ASSERT_EQ(e.Surface().devicePixelRatio(), ratio);
    RandomScrollsMatchFullRepaints(e, [this](const Rows& R) { Load(R); });
    if (HasFatalFailure()) return;
  }
}

}  // namespace
