// Inserting and deleting text at the caret, the caret and the view that
// follows it; every edit undoes and redoes as one step.
#include <QInputMethodQueryEvent>

#include <random>

#include "common/ViewTest.h"

using namespace TestUtil;

namespace {

struct Edit : View {
  void Place(TPoint Caret) {
    e.SetCaretPos(Caret);
    e.Sel().Reset();
    e.Sel().FAnchorPos = e.Sel().FActivePos = Caret;
  }
};

struct TEditCase {
  const char* Name;
  Rows Before;
  TAFEditOptions Options;
  bool Insert;
  TPoint Caret;
  std::function<void(TAFEdit&)> Act;
  Rows After;
  TPoint CaretAfter;
};

TEST_F(Edit, OperationsUndoAndRedoAsOneStep) {
  const TAFEditOptions fmt{aoAutoFormat};
  const std::vector<TEditCase> cases = {
      {"insert", {"ab"}, fmt, true, {1, 0}, [](TAFEdit& e) { e.InsertText("x"); }, {"axb"}, {2, 0}},
      {"overtype leaves a space for a cut character", {"\x82\xA0\x82\xA2\r", ""}, fmt, false, {0, 0},
       [](TAFEdit& e) { e.InsertText("x"); }, {"x \x82\xA2\r", ""}, {1, 0}},
      {"overtype past the end keeps the CR", {"abc\r", ""}, fmt, false, {1, 0},
       [](TAFEdit& e) { e.InsertText("xyz"); }, {"axyz\r", ""}, {4, 0}},
      {"free caret beyond the row", {"ab"}, {aoAutoFormat, aoFreeCaret}, true, {5, 0},
       [](TAFEdit& e) { e.InsertText("x"); }, {"ab   x"}, {6, 0}},
      {"free caret below the last row", {"ab"}, {aoAutoFormat, aoFreeCaret}, true, {1, 2},
       [](TAFEdit& e) { e.InsertText("x"); }, {"ab\r", "\r", " x"}, {2, 2}},
      {"a 0x0B byte before a tab is a character of its own", {"\x0b\tx"}, fmt, true, {4, 0},
       [](TAFEdit& e) { e.InsertText("a"); }, {"\x0b\tax"}, {5, 0}},
      {"a caret after the CR inserts before it", {"ab\r", "cd"}, fmt, true, {3, 0},
       [](TAFEdit& e) { e.InsertText("x"); }, {"abx\r", "cd"}, {3, 0}},
      {"insert at a continuation row's start goes to the row before", {"abc", "def"}, {}, true, {0, 1},
       [](TAFEdit& e) { e.InsertText("x"); }, {"abcxdef"}, {4, 0}},
      {"enter copies the indent", {"  abc"}, {aoAutoIndent}, true, {4, 0}, [](TAFEdit& e) { e.NewLine(); },
       {"  ab\r", "  c"}, {2, 1}},
      {"enter copies a full-width space", {"\x81\x40" "ab"}, {aoAutoJpnIndent}, true, {3, 0},
       [](TAFEdit& e) { e.NewLine(); }, {"\x81\x40" "a\r", "\x81\x40" "b"}, {2, 1}},
      {"enter without the Japanese indent", {"\x81\x40" "ab"}, {aoAutoIndent}, true, {3, 0},
       [](TAFEdit& e) { e.NewLine(); }, {"\x81\x40" "a\r", "b"}, {0, 1}},
      {"enter inside the leading spaces", {"    x"}, {aoAutoIndent}, false, {2, 0}, [](TAFEdit& e) { e.NewLine(); },
       {"  \r", "    x"}, {2, 1}},
      {"tab inside text", {"ab"}, fmt, true, {1, 0}, [](TAFEdit& e) { e.TabChar(); }, {"a\tb"}, {4, 0}},
      {"delete a two-byte character", {"a\x82\xA0" "b"}, fmt, true, {1, 0},
       [](TAFEdit& e) { e.DeleteCharAtCaret(); }, {"ab"}, {1, 0}},
      {"delete inside the indent removes the whole first character", {"\x82\xA0\x82\xA2"}, fmt, true, {0, 0},
       [](TAFEdit& e) {
         e.LineAttrs().GetAttr(0).Indent = 2;
         e.DeleteCharAtCaret();
       },
       {"\x82\xA2"}, {2, 0}},
      {"delete with the caret inside a character removes all of it", {"a\x82\xA0" "b"}, fmt, true, {2, 0},
       [](TAFEdit& e) { e.DeleteCharAtCaret(); }, {"ab"}, {1, 0}},
      {"delete the CR joins the lines", {"ab\r", "cd"}, fmt, true, {2, 0},
       [](TAFEdit& e) { e.DeleteCharAtCaret(); }, {"abcd"}, {2, 0}},
      {"backspace", {"abc"}, fmt, true, {2, 0}, [](TAFEdit& e) { e.BackspaceChar(); }, {"ac"}, {1, 0}},
      {"selection across four rows", {"aaaa\r", "bbbb\r", "cccc\r", "dddd\r", "eeee"}, fmt, true, {2, 4},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {2, 1};
         e.DeleteSelection();
       },
       {"aaaa\r", "bbee"}, {2, 1}},
      {"selection inside the indent counts from the first byte", {"abc\r", "def"}, fmt, true, {2, 1},
       [](TAFEdit& e) {
         e.LineAttrs().GetAttr(0).Indent = 4;
         e.Sel().FAnchorPos = {1, 0};
         e.DeleteSelection();
       },
       {"f"}, {1, 0}},
      {"typing replaces the selection", {"abcd"}, fmt, true, {3, 0},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {1, 0};
         e.InsertText("\x82\xA0");
       },
       {"a\x82\xA0" "d"}, {3, 0}},
      // With a free caret a column past a row's end is a place of its own:
      // text typed over a selection that starts there is padded up to it.
      {"free caret: a selection from beyond a row's end", {"ab\r", "cd"}, {aoFreeCaret}, true, {1, 1},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {5, 0};
         e.InsertText("X");
       },
       {"ab  X\r", "d"}, {5, 0}},
      // A selection that holds no character still puts the caret at its start.
      {"free caret: a selection past the text", {"ab"}, {aoFreeCaret}, true, {5, 0},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {2, 0};
         e.InsertText("Q");
       },
       {"abQ"}, {3, 0}},
      {"free caret: a selection on an empty row", {""}, {aoFreeCaret}, true, {3, 0},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {0, 0};
         e.InsertText("Q");
       },
       {"Q"}, {1, 0}},
      {"a selection below the last row", {"ab\r", "cd"}, fmt, true, {0, 0},
       [](TAFEdit& e) {
         e.Sel().FAnchorPos = {3, 5};
         e.Sel().FActivePos = {3, 7};
         e.DeleteSelection();
       },
       {"ab\r", "cd"}, {2, 1}},
      {"row selection with the last row", {"a\r", "b\r", "c"}, fmt, true, {0, 0},
       [](TAFEdit& e) {
         e.Sel().SetAnchorRow(1);
         e.Sel().SetActiveRow(2);
         e.DeleteSelection();
       },
       {"a\r", ""}, {0, 0}},
      {"wrapping as text comes in", {"abcdefgh"}, fmt, true, {8, 0},
       [](TAFEdit& e) {
         SetLayout(e, 10);
         e.InsertText("ijklm");
       },
       {"abcdefghij", "klm"}, {3, 1}},
  };
  for (const TEditCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetRows(e, c.Before);
    e.SetOptions(c.Options);
    e.SetInsertMode(c.Insert);
    Place(c.Caret);
    c.Act(e);
    EXPECT_EQ(RowsOf(e), c.After);
    EXPECT_EQ(e.Caret(), c.CaretAfter);
    EXPECT_EQ(e.CheckInvariants(), "");
    e.Undo();
    EXPECT_EQ(Joined(e), [&] {
      std::string s;
      for (const auto& r : c.Before) s += r;
      return s;
    }());
    e.Redo();
    EXPECT_EQ(RowsOf(e), c.After);
    EXPECT_EQ(e.CheckInvariants(), "");
  }
}

TEST_F(Edit, NothingToDeleteRecordsNothing) {
  SetRows(e, {"abc", "def"});  // a wrapped row and its continuation
  Place({0, 1});
  e.BackspaceChar();  // only moves to the end of the row before
  EXPECT_EQ(e.Caret(), (TPoint{3, 0}));
  EXPECT_FALSE(e.UndoBuff().CanUndo());
  e.BackspaceChar();
  EXPECT_EQ(RowsOf(e), (Rows{"abdef"}));
  for (const TPoint p : {TPoint{5, 0}, TPoint{0, 3}}) {
    Place(p);
    EXPECT_FALSE(e.DeleteCharAtCaret());
  }
  Place({0, 0});
  const int before = e.UndoBuff().Pos();
  e.BackspaceChar();
  e.DeleteSelection();
  EXPECT_EQ(e.UndoBuff().Pos(), before);
}

// Whatever the selection's ends were set to, every edit deletes it inside
// the document and undoes as one step.
TEST_F(Edit, SelectionsSetOutsideTheDocumentAreClampedBeforeAnEdit) {
  const Rows before = {"a\x82\xA0\r", "b"};
  const struct {
    TPoint Anchor, Active;
    int AnchorRow, ActiveRow;  // -1: no row selection
    Rows AfterDelete;
  } sels[] = {
      {{0, 0}, {0, 5}, -1, -1, {"b"}},
      {{5, 9}, {2, 7}, -1, -1, before},  // both ends past the last row: nothing left
      {{-3, -2}, {9, 0}, -1, -1, {"b"}},
      {{2, 0}, {1, 1}, -1, -1, {"a"}},  // an end inside a character
      {{0, 0}, {0, 0}, 5, 9, {"a\x82\xA0\r", ""}},
      {{0, 0}, {0, 0}, 1, -4, {""}},
  };
  const std::pair<const char*, std::function<void(TAFEdit&)>> edits[] = {
      {"Delete", [](TAFEdit& e) { e.KeyDown(VK_DELETE, {}, false); }},
      {"type", [](TAFEdit& e) { e.KeyPress("x", {}); }},
      {"Backspace", [](TAFEdit& e) { e.KeyPress("\b", {}); }},
      {"insert lines", [](TAFEdit& e) { e.InsertText("p\rq"); }},
  };
  for (const auto& s : sels) {
    for (const auto& [name, edit] : edits) {
      SCOPED_TRACE(std::string(name) + " from " + std::to_string(s.Anchor.X) + "," + std::to_string(s.Anchor.Y) +
                   " rows " + std::to_string(s.AnchorRow));
      SetRows(e, before);
      Place({0, 0});
      e.Sel().FAnchorPos = s.Anchor;
      e.Sel().FActivePos = s.Active;
      e.Sel().SetAnchorRow(s.AnchorRow);
      e.Sel().SetActiveRow(s.ActiveRow);
      edit(e);
      ASSERT_EQ(e.CheckInvariants(), "");
      if (name == std::string("Delete")) {
        EXPECT_EQ(RowsOf(e), s.AfterDelete);
      }
      e.Undo();
      EXPECT_EQ(Joined(e), "a\x82\xA0\rb");
    }
  }
}

TEST_F(Edit, TabIndentsUpToEightColumnsBeforeTheWrapColumn) {
  for (const auto& [wrap, indents] : std::vector<std::pair<int, std::vector<int>>>{{20, {4, 8, 12, 12}}, {10, {2}}, {5, {0}}}) {
    SetRows(e, {"x"});
    SetLayout(e, wrap);
    std::vector<int> got;
    for (size_t i = 0; i < indents.size(); ++i) {
      e.TabChar();
      got.push_back(e.LineAttrs().PeekAttr(0).Indent);
      EXPECT_EQ(e.Caret().X, got.back());
      EXPECT_EQ(e.CheckInvariants(), "");
    }
    EXPECT_EQ(got, indents);
    EXPECT_EQ(RowsOf(e), Rows{"x"});
    e.OutdentRow();
    EXPECT_EQ(e.LineAttrs().PeekAttr(0).Indent, std::max(0, indents.back() - 4));
    e.Undo();
    EXPECT_EQ(e.LineAttrs().PeekAttr(0).Indent, indents.back());
  }
}

// Random edits of every kind keep the store sound; undoing them all gives
// back the first bytes, redoing them all the last.
TEST_F(Edit, RandomEditsKeepTheStoreAndUndoAll) {
  std::mt19937 rng(11);
  const std::string pieces[] = {"a", "b c", "\t", "\x82\xA0", "\x81\x40", "\r", "word ", "\x93\xfa\x96\x7b\r"};
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    SetRows(e, {"first line\r", "\t\x82\xA0\x82\xA2 tab\r", "last"});
    e.SetOptions(round % 2 ? TAFEditOptions{aoAutoFormat, aoAutoIndent} : TAFEditOptions{aoAutoFormat, aoFreeCaret});
    SetLayout(e, 12 + round, round % 3);
    for (int r = 0; r < e.RowCount(); ++r) e.RewrapRow(r);
    e.UndoBuff().StartNewHistory();
    const std::string first = Joined(e);
    for (int step = 0; step < 150; ++step) {
      const int row = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()));
      Place(e.SnapToChar(e.ClampPos({static_cast<int>(rng() % 20), row}), false));
      e.SetInsertMode(rng() % 4 != 0);
      switch (rng() % 7) {
        case 0:
        case 1: e.InsertText(pieces[rng() % std::size(pieces)]); break;
        case 2: e.DeleteCharAtCaret(); break;
        case 3: e.BackspaceChar(); break;
        case 4: e.NewLine(); break;
        case 5: e.TabChar(); break;
        default:
          e.Sel().FAnchorPos = e.SnapToChar(e.ClampPos({static_cast<int>(rng() % 20),
                                                        static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()))}),
                                            false);
          e.DeleteSelection();
          break;
      }
      ASSERT_EQ(e.CheckInvariants(), "") << "step " << step;
    }
    const std::string last = Joined(e);
    for (int guard = 0; e.UndoBuff().UndoItem(); ++guard) {
      ASSERT_LT(guard, 1000) << "undo does not move back: pos " << e.UndoBuff().Pos();
      e.Undo();
    }
    EXPECT_EQ(Joined(e), first);
    for (int guard = 0; e.UndoBuff().RedoItem(); ++guard) {
      ASSERT_LT(guard, 1000);
      e.Redo();
    }
    EXPECT_EQ(Joined(e), last);
    EXPECT_EQ(e.CheckInvariants(), "");
  }
}

// An unlimited history keeps re-wrapped stretches as runs, a bounded one
// row by row: both undo and redo every step to the same rows, records and
// caret.
TEST_F(Edit, RunsUndoLikeSingleRowChanges) {
  TAFEdit bounded;
  bounded.SetUndoMax(1 << 20);
  std::mt19937 rng(5);
  const std::string pieces[] = {"\x82\xA0", "ab", "\r", "\x93\xfa\x96\x7b"};
  auto state = [](TAFEdit& c) {
    std::string s = Joined(c) + "@" + std::to_string(c.Caret().X) + "," + std::to_string(c.Caret().Y);
    for (int r = 0; r < c.RowCount(); ++r) {
      const TLineAttr a = c.LineAttrs().PeekAttr(r);
      s += "|" + std::to_string(a.Indent) + "," + std::to_string(a.WrapPos);
    }
    return s;
  };
  std::string para;
  for (int i = 0; i < 40; ++i) para += pieces[i % 2];
  for (TAFEdit* c : {&e, &bounded}) {
    SetRows(*c, {para});
    SetLayout(*c, 14);
    c->RewrapRow(0);
    c->UndoBuff().StartNewHistory();
  }
  for (int step = 0; step < 60; ++step) {
    const std::string piece = pieces[rng() % std::size(pieces)];
    const int row = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()));
    for (TAFEdit* c : {&e, &bounded}) {
      c->SetCaretPos(c->ClampPos({0, row}));
      if (step % 5 == 4)
        c->DeleteCharAtCaret();
      else
        c->InsertText(piece);
    }
    ASSERT_EQ(state(e), state(bounded)) << step;
  }
  int runs = 0;
  for (int i = 0; i < e.UndoBuff().Top(); ++i) runs += e.UndoBuff().Slot(i)->Kind == ukRowsChanged;
  EXPECT_GT(runs, 10);
  for (int i = 0; e.UndoBuff().UndoItem(); ++i) {
    ASSERT_LT(i, 200);
    e.Undo();
    bounded.Undo();
    ASSERT_EQ(state(e), state(bounded));
  }
  EXPECT_EQ(bounded.UndoBuff().UndoItem(), nullptr);
  while (e.UndoBuff().RedoItem()) {
    e.Redo();
    bounded.Redo();
    ASSERT_EQ(state(e), state(bounded));
  }
}

TEST_F(Edit, CaretShapesVisibilityAndTheInputMethodsAnchor) {
  SetRows(e, {"a\x82\xA0"});
  const int h = e.CharHeight();
  const struct {
    bool Insert;
    int Col;
    int Width;
  } shapes[] = {{true, 0, 2}, {false, 1, h}, {false, 0, h / 2}, {true, 1, 2}};
  for (const auto& s : shapes) {
    e.SetInsertMode(s.Insert);
    Place({s.Col, 0});
    e.UpdateCaret();
    EXPECT_EQ(e.CaretRect().Width(), s.Width) << s.Insert << s.Col;
    EXPECT_EQ(e.CaretRect().Height(), h);
    EXPECT_TRUE(e.CaretVisible());
  }
  const TRect c = e.CaretRect();
  const QRect anchor = e.inputMethodQuery(Qt::ImCursorRectangle).toRect();
  EXPECT_EQ(anchor.topLeft(), e.viewport()->mapTo(&e, QPoint(c.Left, c.Top)));

  // Outside the text area the caret stays hidden until it comes back.
  Rows many(100, "x\r");
  many.back() = "x";
  SetRows(e, many);
  e.SetTopRow(50);
  e.Paint();
  EXPECT_FALSE(e.CaretVisible());
  e.SetTopRow(0);
  e.Paint();
  EXPECT_TRUE(e.CaretVisible());
}

TEST_F(Edit, TheViewFollowsTheCaret) {
  // 20 whole rows and 80 whole columns.
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(150, 'x') + "\r\n";
  e.SetText(text);
  for (int i = 0; i < 4 && (e.VisibleRowCount() != 20 || e.VisibleColCount() != 80); ++i)
    e.resize(e.width() + (80 - e.VisibleColCount()) * e.CellWidth(), e.height() + (20 - e.VisibleRowCount()) * e.RowHeight());
  ASSERT_EQ(e.VisibleRowCount(), 20);
  ASSERT_EQ(e.VisibleColCount(), 80);
  const struct {
    TPoint Caret;
    int Top, Left;
  } moves[] = {{{0, 10}, 0, 0}, {{0, 19}, 1, 0}, {{0, 50}, 31, 0}, {{0, 30}, 30, 0}, {{0, 5}, 5, 0},
               {{78, 5}, 5, 1}, {{100, 5}, 5, 21}, {{19, 5}, 5, 19}, {{3, 5}, 5, 3}};
  for (const auto& m : moves) {
    e.SetCaretPos(m.Caret);
    e.ScrollToCaret();
    e.VScrollRequest(sbEndScroll);
    EXPECT_EQ(e.TopRow(), m.Top) << m.Caret.X << "," << m.Caret.Y;
    EXPECT_EQ(e.LeftCol(), m.Left) << m.Caret.X << "," << m.Caret.Y;
    EXPECT_EQ(e.Caret(), m.Caret);
  }
}

}  // namespace
