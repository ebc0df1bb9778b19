// Display columns of Shift-JIS rows with tabs.
//
// A row's display text is its Indent as spaces followed by its expanded text
// (see Columns.h); the Indent does not move the tab stops. The caret moves in
// display columns and must never come to rest inside a two-byte character or
// inside a tab's span.
//
// The control's work buffer FTabBuf holds the last expansion. ExpandTabs hands
// out a view of it, and the caret and position functions below build their
// display text in it too, so that view lasts only until the next call of any
// of them.
#include "AFEdit/layout/Columns.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

constexpr char kCr = '\r';

size_t TabWidth(int TabSize) noexcept { return TabSize < 1 ? 1 : static_cast<size_t>(TabSize); }

// The shown part of S: everything before its first zero byte.
std::string_view ShownText(std::string_view S) noexcept {
  if (S.empty()) return S;
  const void* zero = std::memchr(S.data(), 0, S.size());
  if (!zero) return S;
  return S.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - S.data()));
}

size_t ExpandedSize(std::string_view S, size_t Tab, bool Whole = false) noexcept {
  if (!Whole) S = ShownText(S);
  size_t col = 0;
  size_t from = 0;
  for (;;) {
    const size_t t = FindByteMbcs(S, kTabByte, from);
    if (t == std::string_view::npos) return col + (S.size() - from);
    col += t - from;
    col += Tab - col % Tab;
    from = t + 1;
  }
}

// Appends the expansion of S to out; tab stops count from where it starts.
// S must not lie in out's buffer.
void AppendExpanded(std::string& out, std::string_view S, bool ToSpaces, size_t Tab, bool Whole = false) {
  if (!Whole) S = ShownText(S);
  const size_t base = out.size();
  size_t from = 0;
  for (;;) {
    const size_t t = FindByteMbcs(S, kTabByte, from);
    if (t == std::string_view::npos) {
      out.append(S.data() + from, S.size() - from);
      return;
    }
    out.append(S.data() + from, t - from);
    const size_t width = Tab - (out.size() - base) % Tab;
    if (ToSpaces) {
      out.append(width, ' ');
    } else {
      out.append(width - 1, kFillerByte);
      out.push_back(kTabByte);
    }
    from = t + 1;
  }
}

bool IsTabOrFiller(char c) noexcept { return c == kTabByte || c == kFillerByte; }

bool EndsWithCr(std::string_view S) noexcept { return !S.empty() && S.back() == kCr; }

int Len(std::string_view S) noexcept { return static_cast<int>(S.size()); }

}  // namespace

void ExpandTabsInto(std::string& out, std::string_view S, bool ToSpaces, int TabSize) {
  const std::less<const char*> before;
  if (!S.empty() && !before(S.data(), out.data()) &&
      before(S.data(), out.data() + out.capacity())) {
    // S views out itself (an earlier expansion): clearing out would lose it.
    const std::string copy(S);
    ExpandTabsInto(out, copy, ToSpaces, TabSize);
    return;
  }
  out.clear();
  AppendExpanded(out, S, ToSpaces, TabWidth(TabSize));
}

void AppendExpandedTabs(std::string& Out, std::string_view S, bool ToSpaces, int TabSize) {
  AppendExpanded(Out, S, ToSpaces, TabWidth(TabSize));
}

void BuildDisplayText(std::string& Out, std::string_view Text, int Indent, int TabSize) {
  Out.assign(static_cast<size_t>(std::max(Indent, 0)), ' ');
  AppendExpanded(Out, Text, false, TabWidth(TabSize));
}

int ExpandedWidth(std::string_view S, int TabSize) noexcept {
  return static_cast<int>(ExpandedSize(S, TabWidth(TabSize)));
}

int DisplayToByteCount(std::string_view Text, int Col, int Indent, int TabSize) noexcept {
  const int indent = std::max(Indent, 0);
  const int col = std::max(Col, 0);
  if (col <= indent) return col - indent;
  return static_cast<int>(LayoutByteCount(ShownText(Text), col - indent, TabSize));
}

void DisplayByteIndexes(std::string_view Text, int From, int To, int Indent, int TabSize, std::vector<int>& Out) {
  Out.assign(static_cast<size_t>(std::max(To - From + 1, 0)), 0);
  auto put = [&](int c, int bytes) {
    if (c >= From && c <= To) Out[static_cast<size_t>(c - From)] = bytes;
  };
  const std::string_view S = ShownText(Text);
  const int indent = std::max(Indent, 0);
  const size_t tab = TabWidth(TabSize);
  int c = 0;
  for (; c < indent && c <= To; ++c) put(c, c - indent);
  int b = 0;  // bytes of S before column c
  for (size_t i = 0; i < S.size() && c <= To;) {
    if (S[i] == kTabByte) {
      // Every column of a tab's span stands for the tab byte.
      const int w = static_cast<int>(tab - static_cast<size_t>(c - indent) % tab);
      for (int k = 0; k < w; ++k) put(c + k, b);
      c += w;
      ++b;
      ++i;
      continue;
    }
    // One column per byte; the byte after a lead byte is its second byte,
    // whatever its value.
    const int n = IsLeadByte(static_cast<unsigned char>(S[i])) && i + 1 < S.size() ? 2 : 1;
    for (int k = 0; k < n; ++k) put(c++, b++);
    i += static_cast<size_t>(n);
  }
  for (; c <= To; ++c) put(c, b);
}

void BuildLayoutText(std::string& Out, std::string_view Text, int Indent, int TabSize) {
  Out.assign(static_cast<size_t>(std::max(Indent, 0)), ' ');
  AppendExpanded(Out, Text, false, TabWidth(TabSize), true);
}

void AppendLayoutText(std::string& Out, std::string_view Text, int TabSize) {
  AppendExpanded(Out, Text, false, TabWidth(TabSize), true);
}

int LayoutWidth(std::string_view S, int TabSize) noexcept {
  return static_cast<int>(ExpandedSize(S, TabWidth(TabSize), true));
}

size_t LayoutByteCount(std::string_view S, int Col, int TabSize) noexcept {
  if (Col <= 0) return 0;
  const size_t limit = static_cast<size_t>(Col);
  // Every byte takes a column at least: none from index Col on can end by Col.
  if (S.size() > limit) S = S.substr(0, limit);
  const size_t tab = TabWidth(TabSize);
  size_t col = 0;
  size_t from = 0;
  for (;;) {
    const size_t t = FindByteMbcs(S, kTabByte, from);
    const size_t stop = t == std::string_view::npos ? S.size() : t;
    if (col + (stop - from) >= limit) return from + (limit - col);
    col += stop - from;
    if (t == std::string_view::npos) return S.size();
    col += tab - col % tab;
    if (col > limit) return t;  // the tab's span reaches past the cut
    from = t + 1;
  }
}

// ---- members of the control ----

namespace {

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
