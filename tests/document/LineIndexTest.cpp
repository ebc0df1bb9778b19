// Logical-line places of rows: the index kept beside the row list against a
// walk from the top, through random edits, undo and redo.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/LineIndex.h"
#include "common/Doc.h"

namespace {

using namespace TestUtil;

TRowPlace Walked(const std::vector<std::string>& Rows, int Row) {
  TRowPlace p;
  for (int r = 0; r < Row; ++r) p = PlaceAfter(p, Rows[static_cast<size_t>(r)]);
  return p;
}

// A plain list with the row list's ForEach.
struct TPlainRows {
  std::vector<std::string> V;
  template <class F>
  void ForEach(int From, int To, F&& f) const {
    for (int r = From; r < To; ++r) f(r, std::string_view(V[static_cast<size_t>(r)]));
  }
};

TEST(LineIndex, PlacesMatchAWalkForEveryStep) {
  for (int step = 1; step <= 6; ++step) {
    std::mt19937 rng(static_cast<unsigned>(step));
    TPlainRows rows;
    TLineIndex index(step);
    const auto randomRow = [&] { return std::string(rng() % 4, 'a') + (rng() % 3 == 0 ? "\r" : ""); };
    for (int i = 0; i < 20; ++i) rows.V.push_back(randomRow());
    for (int k = 0; k < 400; ++k) {
      const int n = static_cast<int>(rows.V.size());
      const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
      switch (rng() % 4) {
        case 0: rows.V.insert(rows.V.begin() + at, randomRow()); break;
        case 1:
          if (n > 1) rows.V.erase(rows.V.begin() + at);
          break;
        default: rows.V[static_cast<size_t>(at)] = randomRow(); break;
      }
      index.Invalidate(static_cast<size_t>(at));
      const int q = static_cast<int>(rng() % (rows.V.size() + 1));
      ASSERT_EQ(index.Place(rows, q), Walked(rows.V, q)) << "step " << step << " edit " << k << " row " << q;
    }
  }
}

TEST(LineIndex, ControlKeepsPlacesThroughEditsUndoAndRedo) {
  std::mt19937 rng(7);
  TAFEdit e;
  Rows start;
  for (int i = 0; i < 2600; ++i) start.push_back(std::string(i % 5, 'x') + (i % 3 == 0 ? "\r" : ""));
  start.back() = "end";
  SetRows(e, start);
  for (int k = 0; k < 300; ++k) {
    const int row = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount()));
    e.SetCaretPos({0, row});
    switch (rng() % 5) {
      case 0: e.InsertText("ab"); break;
      case 1: e.NewLine(); break;
      case 2: e.DeleteCharAtCaret(); break;
      case 3: e.Undo(); break;
      default: e.Redo(); break;
    }
    const Rows now = RowsOf(e);
    const int q = static_cast<int>(rng() % static_cast<unsigned>(e.RowCount() + 1));
    ASSERT_EQ(e.RowPlace(q), Walked(now, q)) << "edit " << k << " row " << q;
  }
  std::string text = "a\r\nbc";
  e.SetText(text);
  EXPECT_EQ(e.RowPlace(e.RowCount()), Walked(RowsOf(e), e.RowCount()));
  EXPECT_EQ(e.RowPlace(e.RowCount()).Line, 1);
}

}  // namespace
