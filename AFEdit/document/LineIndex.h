// TLineIndex: where a display row stands among the document's logical lines
// (the text between two CRs), found without walking the document from the
// top each time.  It keeps the place of every Step-th row it has passed;
// after a change the row list reports the first row that may differ
// (TRowList::TakeChangedFrom), the marks from there on are dropped, and the
// next question walks from the nearest mark before the row asked about.
// Typing on one row therefore costs at most Step rows per question.
//
// Invariant: FMarks[k] is the place of row k * Step for every k < size().
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "AFEdit/document/RowStr.h"

struct TRowPlace {
  int64_t Line = 0;        // logical lines ended before the row (CR-ended rows above it)
  int64_t Offset = 0;      // bytes of the document before the row
  int64_t LineOffset = 0;  // bytes of the row's logical line before the row
  friend bool operator==(const TRowPlace&, const TRowPlace&) = default;
};

// The place after a row with these bytes, given the place of the row.
inline TRowPlace PlaceAfter(TRowPlace P, std::string_view Row) noexcept {
  const auto n = static_cast<int64_t>(Row.size());
  P.Offset += n;
  if (EndsWithCr(Row)) {
    ++P.Line;
    P.LineOffset = 0;
  } else {
    P.LineOffset += n;
  }
  return P;
}

class TLineIndex {
public:
  explicit TLineIndex(int Step = 1024) : FStep(Step > 0 ? Step : 1) {}

  // Rows from Row on may have changed.
  void Invalidate(size_t Row) {
    // The mark of row k * Step depends on the rows above it only.
    const size_t step = static_cast<size_t>(FStep);
    if (FMarks.empty() || Row >= (FMarks.size() - 1) * step) return;
    FMarks.resize(Row / step + 1);
  }

  // The place of Row (0 <= Row <= the row count; the row count gives the
  // end of the document).  Rows: a list with ForEach(From, To, f(row, text)).
  template <class Rows>
  TRowPlace Place(const Rows& L, int Row) {
    if (FMarks.empty()) FMarks.push_back({});
    const size_t step = static_cast<size_t>(FStep);
    const size_t want = static_cast<size_t>(Row);
    const size_t k = std::min(want / step, FMarks.size() - 1);
    TRowPlace p = FMarks[k];
    L.ForEach(static_cast<int>(k * step), Row, [&](int R, const auto& Text) {
      const size_t r = static_cast<size_t>(R);
      if (r % step == 0 && r / step == FMarks.size()) FMarks.push_back(p);
      p = PlaceAfter(p, std::string_view(Text));
    });
    if (want % step == 0 && want / step == FMarks.size()) FMarks.push_back(p);
    return p;
  }

  size_t MarkCount() const noexcept { return FMarks.size(); }
  int Step() const noexcept { return FStep; }

private:
  int FStep;
  std::vector<TRowPlace> FMarks;
};
