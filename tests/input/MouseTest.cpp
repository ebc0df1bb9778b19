// The left button on a shown control: real mouse events sent to its
// viewport place the caret, select text and rows, drag the ruler markers,
// scroll beyond the edges and select words by double clicks.
#include "common/ViewTest.h"

using namespace TestUtil;

namespace {

using Sel2 = std::pair<TPoint, TPoint>;

struct Mouse : View {
  // Client pixel in cell (Col, Row), DX pixels right of its left edge; on
  // the ruler above a column; in the margin beside a row.
  QPoint At(int Col, int Row, int DX = 1) const { return {Cells(Col, Row).Left + DX, Cells(Col, Row).Top + 5}; }
  QPoint Ruler(int Col) const { return {Cells(Col, 0).Left + 1, e.TextRect().Top / 2}; }
  QPoint Margin(int Row) const { return {e.TextRect().Left / 2, At(0, Row).y()}; }

  void Press(QPoint P, Qt::KeyboardModifiers M = {}) { QTest::mousePress(e.viewport(), Qt::LeftButton, M, P); }
  void Move(QPoint P) { QTest::mouseMove(e.viewport(), P); }
  void Release(QPoint P, Qt::KeyboardModifiers M = {}) { QTest::mouseRelease(e.viewport(), Qt::LeftButton, M, P); }
  void Click(QPoint P, Qt::KeyboardModifiers M = {}) { Press(P, M), Release(P, M); }
  Sel2 Sel() { return {e.Sel().GetSelStart(), e.Sel().GetSelEnd()}; }
  bool Highlighted(int Col, int Row, std::string_view S) { return Shows(Col, Row, S, clHighlightText, clHighlight); }
  // The surface shows what a full repaint of the same state shows.
  bool SurfaceIsCurrent() {
    const QImage before = e.Surface().copy();
    e.Paint();
    return before == e.Surface();
  }
  // Fires the autoscroll timer until Done, at most 100 times, or until the
  // timer stops.
  template <class F> void StepUntil(F Done) {
    for (int i = 0; i < 100 && !Done() && e.AutoScrollTimer().Fire(); ++i) {
    }
  }
};

TEST_F(Mouse, ClicksPlaceTheCaret) {
  SetDoc({"abcdef\r", Sjis("あいう\r"), "xyz"});
  const struct {
    QPoint Pixel;
    TPoint Caret;
  } cases[] = {
      {At(5, 0, -2), {5, 0}},  // 2 pixels left of a column boundary: the next column
      {At(5, 0, -4), {4, 0}},
      {At(3, 1), {2, 1}},   // the second byte of い: before the character
      {At(20, 0), {6, 0}},  // past the end of a row: before its line end
      {At(20, 2), {3, 2}},
      {At(1, 2) + QPoint(0, 5 * e.RowHeight()), {1, 2}},  // below the last row
  };
  for (const auto& c : cases) {
    Click(c.Pixel);
    EXPECT_EQ(e.Caret(), c.Caret) << c.Pixel.x() << "," << c.Pixel.y();
    EXPECT_FALSE(e.Sel().HasCharSel());
    EXPECT_TRUE(e.MouseMode() == TCustomAFEdit::mmNone && e.CaretVisible());
  }
  EXPECT_EQ(e.MouseToPos(e.TextRect().Left - 40, -100), (TPoint{0, 0}));
}

TEST_F(Mouse, DragAndShiftClickSelectText) {
  SetDoc({"abcdef\r", Sjis("あいう\r"), "xyz"});
  int selects = 0;
  e.OnSelect = [&](TCustomAFEdit*) { ++selects; };
  Click(At(2, 0));
  Click(At(4, 1), Qt::ShiftModifier);  // from the caret, which stays
  EXPECT_EQ(Sel(), (Sel2{{2, 0}, {4, 1}}));
  EXPECT_EQ(e.Caret(), (TPoint{2, 0}));
  EXPECT_EQ(selects, 1);
  EXPECT_TRUE(Highlighted(3, 0, "d"));

  Press(At(1, 0));
  EXPECT_FALSE(e.CaretVisible());
  const struct {
    QPoint To;
    Sel2 Selected;
  } path[] = {{At(5, 1), {{1, 0}, {4, 1}}}, {At(9, 2), {{1, 0}, {3, 2}}}, {At(3, 0), {{1, 0}, {3, 0}}}};
  for (const auto& p : path) {
    Move(p.To);
    EXPECT_EQ(Sel(), p.Selected);
  }
  Release(At(3, 0));
  EXPECT_EQ(e.Caret(), (TPoint{3, 0}));
  EXPECT_TRUE(e.CaretVisible());
  EXPECT_TRUE(Highlighted(2, 0, "c"));
  EXPECT_TRUE(SurfaceIsCurrent());
}

TEST_F(Mouse, HoverShapesAndAPressBesideAMarker) {
  SetDoc({"a\r", "b\r", "c"});
  e.Sel().SetAnchorRow(1);
  e.Sel().SetActiveRow(1);
  TLineAttr& a = e.LineAttrs().GetAttr(1);
  a.Indent = 2;
  const struct {
    QPoint Pixel;
    int Cursor;
    Qt::CursorShape Shape;
  } cases[] = {
      {At(3, 1), crIBeam, Qt::IBeamCursor},    {Ruler(60), crSizeWE, Qt::SizeHorCursor},
      {Ruler(2), crSizeWE, Qt::SizeHorCursor}, {Ruler(20), crDefault, Qt::ArrowCursor},
      {Margin(2), crRevCursor, Qt::BitmapCursor},
      {QPoint(e.TextRect().Left / 2, e.TextRect().Top / 2), crRevCursor, Qt::BitmapCursor},  // the corner keeps it
      {QPoint(0, 40), crDefault, Qt::ArrowCursor},
  };
  for (const auto& c : cases) {
    Move(c.Pixel);
    EXPECT_EQ(e.ScreenCursor(), c.Cursor) << c.Pixel.x() << "," << c.Pixel.y();
    EXPECT_EQ(e.viewport()->cursor().shape(), c.Shape);
  }
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&e, &leave);
  EXPECT_EQ(e.ScreenCursor(), crDefault);

  // An indent too close to its wrap column to be dragged: a press on it
  // starts nothing and leaves no guide line behind.
  a.Indent = 55;
  e.Paint();
  const QImage clean = e.Surface().copy();
  Move(Ruler(55));
  Press(Ruler(55));
  EXPECT_EQ(e.MouseMode(), TCustomAFEdit::mmNone);
  Release(Ruler(55));
  EXPECT_TRUE(clean == e.Surface());
}

TEST_F(Mouse, MarginDragsSelectRows) {
  Rows r;
  for (int i = 0; i < 12; ++i) r.push_back("row" + std::to_string(i) + (i < 11 ? "\r" : ""));
  SetDoc(r);
  const struct {
    int From, To;
    Qt::KeyboardModifiers Mods;
    int First, Last;
    TPoint Caret;
  } drags[] = {
      {7, 3, {}, 3, 7, {0, 8}},
      {10, 3, {}, 3, 10, {0, 11}},  // straight back over the row the last drag ended on
      {11, 11, Qt::ShiftModifier, 10, 11, {5, 11}},  // no row after it: the end of the document
  };
  for (const auto& d : drags) {
    Press(Margin(d.From), d.Mods);
    Move(Margin((d.From + d.To) / 2));
    Move(Margin(d.To));
    Release(QPoint(0, At(0, d.To).y()), d.Mods);
    EXPECT_EQ(e.Sel().FirstSelRow(), d.First);
    EXPECT_EQ(e.Sel().LastSelRow(), d.Last);
    EXPECT_EQ(e.Caret(), d.Caret);
    EXPECT_TRUE(Highlighted(0, d.First, "r"));
    EXPECT_TRUE(SurfaceIsCurrent());
  }
}

TEST_F(Mouse, RulerMarkersChangeTheSelectedRows) {
  const Rows doc{"head\r", std::string(20, 'a') + "\r", std::string(20, 'b') + "\r", std::string(20, 'c') + "\r",
                 "tail"};
  const struct {
    const char* Name;
    int FirstWrap;  // of the first selected row; the others have 40 and 30
    int PressCol;
    std::vector<int> Path;  // columns the pointer moves to; released at the last
    Qt::KeyboardModifiers Mods;
    int HeldAt;  // the guide line's column after the first move
    std::vector<int> Indents, Wraps;
  } cases[] = {
      {"indent", 40, 0, {30, 6}, {}, 22, {6, 10, 14}, {40, 40, 30}},
      {"indent with Shift", 40, 0, {30, 6}, Qt::ShiftModifier, 22, {6, 6, 6}, {40, 40, 30}},
      {"indent to its limit", 40, 0, {22}, {}, 22, {22, 26, 22}, {40, 40, 30}},
      {"wrap", 40, 40, {2, 24}, {}, 16, {0, 4, 8}, {24, 24, 24}},
      {"wrap released where pressed", 12, 12, {}, {}, 0, {0, 4, 8}, {16, 16, 16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SetDoc(doc);
    const int indents[] = {0, 4, 8}, wraps[] = {c.FirstWrap, 40, 30};
    for (int i = 0; i < 3; ++i) {
      TLineAttr& a = e.LineAttrs().GetAttr(i + 2);
      a.Indent = static_cast<int16_t>(indents[i]);
      a.WrapPos = static_cast<int16_t>(wraps[i]);
    }
    e.Sel().SetAnchorRow(2);
    e.Sel().SetActiveRow(4);
    e.Paint();
    const QImage clean = e.Surface().copy();
    auto guideAt = [&](int Col) {  // the line inverts the pixels it crosses
      const int x = Cells(Col, 0).Left, y = e.TextRect().Top + 3;
      return e.Surface().pixel(x, y) == (~clean.pixel(x, y) | 0xFF000000u);
    };

    Move(Ruler(c.PressCol));
    EXPECT_EQ(e.ScreenCursor(), crSizeWE);
    Press(Ruler(c.PressCol));
    EXPECT_TRUE(guideAt(c.PressCol));
    for (size_t i = 0; i < c.Path.size(); ++i) {
      Move(Ruler(c.Path[i]));
      if (i > 0) continue;
      EXPECT_EQ(e.Sel().FDragCol, c.HeldAt);
      EXPECT_TRUE(guideAt(c.HeldAt) && !guideAt(c.PressCol));
    }
    Release(Ruler(c.Path.empty() ? c.PressCol : c.Path.back()), c.Mods);
    EXPECT_EQ(e.MouseMode(), TCustomAFEdit::mmNone);
    std::vector<int> lineStarts{0}, gotIndents, gotWraps;
    for (int r = 1; r < e.RowCount(); ++r)
      if (e.RowHasLineEnd(r - 1)) lineStarts.push_back(r);
    for (int line = 2; line < 5; ++line) {
      gotIndents.push_back(e.LineAttrs().PeekAttr(lineStarts[static_cast<size_t>(line)]).Indent);
      gotWraps.push_back(e.LineAttrs().PeekAttr(lineStarts[static_cast<size_t>(line)]).WrapPos);
    }
    EXPECT_EQ(gotIndents, c.Indents);
    EXPECT_EQ(gotWraps, c.Wraps);
    EXPECT_EQ(e.CheckInvariants(), "");
    EXPECT_TRUE(SurfaceIsCurrent());

    e.Undo();  // one undo brings back the records and the rows
    EXPECT_EQ(RowsOf(e), doc);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(e.LineAttrs().PeekAttr(i + 2).Indent, indents[i]);
      EXPECT_EQ(e.LineAttrs().PeekAttr(i + 2).WrapPos, wraps[i]);
    }
  }
}

TEST_F(Mouse, DraggingBeyondTheBottomScrollsWhileThePointerStaysStill) {
  Rows r;
  for (int i = 0; i < 100; ++i) r.push_back("line " + std::to_string(i) + (i < 99 ? "\r" : ""));
  SetDoc(r);
  const int V = e.VisibleRowCount();
  const QPoint below(At(2, 0).x(), e.TextRect().Bottom + 3 * e.RowHeight());
  Press(At(2, 1));
  Move(below);
  StepUntil([&] { return e.TopRow() >= 3; });
  EXPECT_GE(e.TopRow(), 3);
  EXPECT_GE(e.Sel().GetSelEnd().Y, e.TopRow() + V);  // AccelRate rows beyond the edge
  Move(below + QPoint(20, 0));  // sideways: still scrolling
  EXPECT_TRUE(e.AutoScrolling());
  Move(At(2, e.TopRow() + 4));  // up into the view: scrolling ends
  EXPECT_FALSE(e.AutoScrolling());
  const int top = e.TopRow();
  EXPECT_FALSE(e.AutoScrollTimer().Fire());
  EXPECT_EQ(e.TopRow(), top);
  EXPECT_EQ(Sel(), (Sel2{{2, 1}, {2, top + 4}}));
  EXPECT_TRUE(SurfaceIsCurrent());

  Move(below);
  EXPECT_TRUE(e.AutoScrolling());
  Release(below);  // the button's release ends scrolling
  EXPECT_FALSE(e.AutoScrolling());
  EXPECT_EQ(e.Caret(), e.Sel().FActivePos);
  e.ScrollToCaret();  // every hide of the drag was balanced
  EXPECT_TRUE(e.CaretVisible());

  r.resize(static_cast<size_t>(V + 4));  // the view cannot scroll past the end
  r.back() = "last";
  SetDoc(r);
  Press(At(0, 0));
  Move(below);
  StepUntil([&] { return !e.AutoScrolling(); });
  EXPECT_FALSE(e.AutoScrolling());
  EXPECT_EQ(e.Sel().GetSelEnd(), (TPoint{2, V + 3}));
  Release(below);
}

TEST_F(Mouse, DoubleClicksSelectWordsCharactersAndColourRuns) {
  const Rows doc{"x abc123 y\r", Sjis("かなカナ\r"), "ab!!!!cd\r", "hello wor", "ld there\r", "x\ty"};
  const struct {
    const char* Name;
    QPoint Pixel;
    Sel2 Selected;  // equal ends: nothing selected
    int Selects;    // OnSelect events of the pair of clicks
  } cases[] = {
      {"word", At(4, 0), {{2, 0}, {8, 0}}, 1},
      {"space", At(1, 0), {{1, 0}, {1, 0}}, 0},
      {"two-byte character", At(5, 1), {{4, 1}, {6, 1}}, 1},
      {"column colour run", At(4, 2), {{2, 2}, {5, 2}}, 1},
      {"word across rows", At(7, 3), {{6, 3}, {2, 4}}, 1},
      {"colour run ending in a tab: its whole span", At(0, 5), {{0, 5}, {4, 5}}, 1},
      {"margin: rows by the first click only", Margin(0), {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SetDoc(doc);
    TColAttrList* attrs = e.GetColAttrs(2);
    for (int b = 2; b < 6; ++b) attrs->Items(b) = {clRed, {}, true};
    attrs->Items(5).Color = clBlue;  // another colour ends the run
    e.GetColAttrs(5)->Items(0) = e.GetColAttrs(5)->Items(1) = {clRed, {}, true};
    e.Paint();
    e.NotifySelChange();  // the new document has no selection
    int selects = 0, dbl = 0;
    e.OnSelect = [&](TCustomAFEdit*) { ++selects; };
    e.OnDblClick = [&](TCustomAFEdit*) { ++dbl; };
    Click(c.Pixel);
    QTest::mouseDClick(e.viewport(), Qt::LeftButton, {}, c.Pixel);
    Release(c.Pixel);
    EXPECT_EQ(Sel(), c.Selected);
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(selects, c.Selects);
    EXPECT_EQ(e.MouseMode(), TCustomAFEdit::mmNone);
    EXPECT_TRUE(SurfaceIsCurrent());
  }
}

}  // namespace
