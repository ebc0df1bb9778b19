// Display columns of Shift-JIS rows with tabs.
//
// A row's display text is its Indent as spaces followed by its expanded text
// (see Columns.h); the Indent does not move the tab stops. The caret moves in
// display columns and must never come to rest inside a two-byte character or
// inside a tab's span.
//
// The control's members that move the caret over these columns are in
// CaretColumns.cpp.
#include "AFEdit/layout/Columns.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "AFEdit/platform/Cp932.h"

namespace {

size_t TabWidth(int TabSize) noexcept { return TabSize < 1 ? 1 : static_cast<size_t>(TabSize); }

}  // namespace

std::string_view ShownText(std::string_view S) noexcept {
  if (S.empty()) return S;
  const void* zero = std::memchr(S.data(), 0, S.size());
  if (!zero) return S;
  return S.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - S.data()));
}

namespace {

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
