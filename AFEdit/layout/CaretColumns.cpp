// The control's display columns: tab expansion into its work buffer, row
// display text, and caret steps that never rest inside a two-byte character
// or a tab's span.
//
// The control's work buffer FTabBuf holds the last expansion. ExpandTabs hands
// out a view of it, and the caret and position functions below build their
// display text in it too, so that view lasts only until the next call of any
// of them.
#include <algorithm>
#include <string>
#include <string_view>

#include "AFEdit/AFEdit.h"
#include "AFEdit/layout/Columns.h"
#include "AFEdit/platform/Cp932.h"

namespace {

int Len(std::string_view S) noexcept { return static_cast<int>(S.size()); }

// Builds the display text of a row into buf and returns a view of it.
std::string_view BuildDisplay(std::string& buf, std::string_view Text, int Indent, int TabSize) {
  BuildDisplayText(buf, Text, Indent, TabSize);
  return buf;
}

}  // namespace

std::string_view TCustomAFEdit::ExpandTabs(std::string_view S, bool ToSpaces) {
  ExpandTabsInto(FTabBuf, S, ToSpaces, FTabSize);
  return FTabBuf;
}

int TCustomAFEdit::RowIndent(int Row) const { return std::max<int>(0, FLineAttrs.PeekAttr(Row).Indent); }

int TCustomAFEdit::RowDisplayWidth(int Row) {
  if (Row < 0 || Row >= RowCount()) return 0;
  return RowIndent(Row) + ExpandedWidth(FLines.View(Row), FTabSize);
}

std::string TCustomAFEdit::RowDisplayText(int Row) {
  std::string D;
  if (Row >= 0 && Row < RowCount()) BuildDisplayText(D, FLines.View(Row), RowIndent(Row), FTabSize);
  return D;
}

TPoint TCustomAFEdit::ByteToDisplayPos(TPoint P) {
  if (P.Y < 0 || P.Y >= RowCount()) {
    P.X = RowIndent(P.Y);
    return P;
  }
  const std::string_view text = FLines.View(P.Y);
  const size_t bytes = std::clamp(P.X, 0, Len(text));
  P.X = RowIndent(P.Y) + ExpandedWidth(text.substr(0, bytes), FTabSize);
  return P;
}

TPoint TCustomAFEdit::SnapToChar(TPoint P, bool Backward) {
  if (Backward) SnapBackward = true;
  if (P.Y >= 0 && P.Y < RowCount()) {
    const std::string_view D =
        BuildDisplay(FTabBuf, FLines.View(P.Y), RowIndent(P.Y), FTabSize);
    if (P.X >= 0 && P.X < Len(D) && ByteType(D, static_cast<size_t>(P.X)) == mbTrailByte) {
      P.X += SnapBackward ? -1 : 1;
      SnapBackward = !SnapBackward;
    }
  }
  return P;
}

TPoint TCustomAFEdit::ClampPos(TPoint P) {
  const int rows = RowCount();
  P.Y = std::clamp(P.Y, 0, std::max(0, rows - 1));
  P.X = std::clamp(P.X, 0, RowDisplayWidth(P.Y));
  return P;
}

void TCustomAFEdit::CaretLeft() {
  int& col = FCaret.X;
  int& row = FCaret.Y;
  if (row > RowCount() - 1) {
    if (col > 0) --col;
    return;
  }
  if (row < 0) return;
  const int indent = RowIndent(row);
  if (col <= indent) {
    if (row == 0) {
      col = indent;
    } else {
      // To the end of the previous row, before its line end if it has one.
      --row;
      const std::string_view prev = ShownText(FLines.View(row));
      col = RowIndent(row) + ExpandedWidth(prev, FTabSize) - (EndsWithCr(prev) ? 1 : 0);
    }
    return;
  }
  const std::string_view D = BuildDisplay(FTabBuf, FLines.View(row), indent, FTabSize);
  const int len = Len(D);
  if (col > len) {
    col = FOptions.contains(aoFreeCaret) ? col - 1 : std::max(0, len - 1);
  } else if (col >= 2 && ByteType(D, static_cast<size_t>(col - 2)) == mbLeadByte) {
    // A two-byte character, whose second byte may look like a tab.
    col -= 2;
  } else if (IsTabOrFiller(D[static_cast<size_t>(col - 1)])) {
    // Across the whole span of one tab, or one 0x0B byte of the text: the
    // text tells them apart.
    col = ByteToDisplayPos({DisplayToByteCount(FLines.View(row), col - 1, indent, FTabSize), row}).X;
  } else {
    --col;
  }
}

void TCustomAFEdit::CaretRight() {
  int& col = FCaret.X;
  int& row = FCaret.Y;
  if (row >= RowCount()) {
    ++col;
    return;
  }
  if (row < 0) return;
  const int indent = RowIndent(row);
  const std::string_view D = BuildDisplay(FTabBuf, FLines.View(row), indent, FTabSize);
  const int len = Len(D);
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  const int from = col;
  if (col < indent) {
    col = indent;
  } else if (col <= len - 1) {
    const size_t at = static_cast<size_t>(col);
    if (IsTabOrFiller(D[at])) {
      // Across the rest of one tab's span, up to and including its tab byte,
      // or across one 0x0B byte of the text.
      col = ByteToDisplayPos({DisplayToByteCount(FLines.View(row), col, indent, FTabSize) + 1, row}).X;
    } else {
      col += ByteType(D, at) == mbLeadByte ? 2 : 1;
    }
  } else if (freeCaret) {
    ++col;
  }
  if (col > len - 1 && !freeCaret) {
    const int last = RowCount() - 1;
    if (row < last || EndsWithCr(D)) {
      ++row;
      col = RowIndent(row);
    } else if (from < len) {
      // A lone lead byte ending the last row must not carry the caret past
      // it; a caret that already stood beyond the end stays where it is.
      col = std::min(col, len);
    }
  }
}
