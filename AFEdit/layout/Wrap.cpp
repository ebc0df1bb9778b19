// Word wrap: re-breaking the rows of a logical line after a change, and
// reading ranges of rows back as text.
#include <algorithm>
#include <cstring>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

constexpr int kUnwrappedWidth = 65535;

size_t FirstCharLen(std::string_view T) {
  return !T.empty() && IsLeadByte(static_cast<unsigned char>(T[0])) && T.size() > 1 ? 2 : 1;
}

// Keeps a break B (bytes of T that stay on the row) on a character boundary
// and leaves at least one whole character on the row, so that re-wrapping
// always makes progress whatever the wrap column and indent.
size_t GuardBreak(std::string_view T, long B) {
  if (T.empty()) return 0;
  if (B <= 0) return FirstCharLen(T);
  size_t b = static_cast<size_t>(B);
  if (b >= T.size()) return T.size();
  if (IsTrailAt(T, b)) --b;  // never split a two-byte character
  return b == 0 ? FirstCharLen(T) : b;
}

TRowStr Concat(std::string_view a, std::string_view b) {
  TRowPacker packer(a.size() + b.size() + 16);
  return packer.Pack(a, b);
}

}  // namespace

void TCustomAFEdit::SetBanHead(std::string Value) {
  FBanHead = std::move(Value);
  FBanHeadSet.Assign(FBanHead);
}

void TCustomAFEdit::SetBanEnd(std::string Value) {
  FBanEnd = std::move(Value);
  FBanEndSet.Assign(FBanEnd);
}

void TCustomAFEdit::RebuildWordChars(const std::vector<std::string>& Keywords) {
  FWordChars.reset();
  for (int c = 'A'; c <= 'Z'; ++c) FWordChars.set(static_cast<size_t>(c));
  for (int c = 'a'; c <= 'z'; ++c) FWordChars.set(static_cast<size_t>(c));
  for (const std::string& k : Keywords)
    for (unsigned char b : k) FWordChars.set(b);
}

int TCustomAFEdit::FindWrapPos(std::string_view S, int WrapPos, int Indent) {
  if (static_cast<int>(S.size()) <= WrapPos || Indent >= WrapPos) return WrapPos;
  if (OnWordBreak) {
    const std::string line(S);
    int w = WrapPos;
    OnWordBreak(this, line, w);
    return w;
  }
  TWrapRules rules;
  rules.BanBreak = FOptions.contains(aoJpnBanBreak);
  rules.WordWrap = FOptions.contains(aoWordWrap);
  rules.BanHead = &FBanHeadSet;
  rules.BanEnd = &FBanEndSet;
  rules.WordChars = &FWordChars;
  rules.TrailBytes = FWrapTrailBytes;
  rules.LeadBytes = FWrapLeadBytes;
  return FindWrapPosIn(S, WrapPos, Indent, rules);
}

// Builds into Out the display text of a row (Indent spaces, then its text
// with tabs expanded) as far as a break search at column W can look.  The
// whole text is built when a word-break handler must see it.  Returns true
// when the text was cut short.
bool TCustomAFEdit::WrapDisplayText(std::string& Out, std::string_view T, int Indent, int W) {
  const size_t look = WrapLookahead(W, FWrapTrailBytes);
  const bool cut = !OnWordBreak && T.size() > look;
  if (cut) T = T.substr(0, look);
  BuildDisplayText(Out, T, Indent, FTabSize);
  return cut;
}

// Re-wraps Row and, while text spills over or can be pulled up, the rows
// after it.  Each step works on one row and moves on to the next, so a
// paragraph of any number of rows is handled in a loop.
void TCustomAFEdit::RewrapRow(int Row) {
  int R = Row;
  std::string& D = FWrapBuf;
  while (R >= 0 && R < RowCount()) {
    const TLineAttr attr = FLineAttrs.HasAttr(R) ? FLineAttrs.PeekAttr(R) : FLineAttrs.GetAttr(R);
    const int W = FOptions.contains(aoAutoFormat) ? attr.WrapPos : kUnwrappedWidth;
    const int I = std::max<int>(0, attr.Indent);
    const TRowStr T = FLines[R];
    const size_t N = T.size();
    const bool cut = WrapDisplayText(D, T, I, W);
    const int L = static_cast<int>(D.size());  // meaningful only when not cut
    const bool last = R == RowCount() - 1;
    const bool endsCr = N > 0 && T.back() == '\r';
    TLineAttr copy = attr;
    copy.ColAttrs = nullptr;

    // A row that fits and holds its line's only CR at its end is complete.
    const int fit = FindWrapPos(D, W, I + 2);
    if (!cut && fit >= L && endsCr && std::memchr(T.data(), '\r', N) == T.data() + N - 1) {
      if (last) AppendRow(TRowStr(), copy);
      return;
    }
    if (N == 0) {
      if (!last) {
        DeleteRow(R);
        FLineAttrs.MarkDirty(R, RowCount());
        if (FSel.HasRowSel()) FSel.RowDeleted(R);
      }
      return;
    }

    if (endsCr || std::memchr(T.data(), '\r', N)) {
      // Split: the bytes past the break go to the start of the next row.
      int F = FindWrapPos(D, W, I + 1);
      const size_t cr = D.find('\r');
      if (cr != std::string::npos && static_cast<int>(cr) + 1 < F) F = static_cast<int>(cr) + 1;
      const size_t B = GuardBreak(T, DisplayToByteCount(D, F, I));
      if (B >= N) {  // everything stays: only the narrow-column guard gets here
        if (last) AppendRow(TRowStr(), copy);
        return;
      }
      const TRowStr rest = T.Substr(B);
      if (last || endsCr) {
        InsertRow(R + 1, rest, copy);
        if (FSel.HasRowSel()) FSel.RowInserted(R);
        FLineAttrs.MarkDirty(R + 1, RowCount());
      } else {
        SetRowText(R + 1, Concat(rest, FLines[R + 1]), false);
        FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines[R + 1].size()) + 2);
      }
      ColAttrsMove(R, R + 1, 0, static_cast<int>(N - B));
      BlocksMove(R, R + 1, 0, static_cast<int>(N - B));
      if (FCaret.Y == R && FCaret.X >= F)
        FCaret = {FLineAttrs.PeekAttr(R + 1).Indent + (FCaret.X - F), R + 1};
      SetRowText(R, T.Substr(0, B), false);
      FLineAttrs.GetAttr(R).Dirty = true;
      FLineAttrs.GetAttr(R + 1).Dirty = true;
      ++R;
      continue;
    }

    // Pull: a wrapped row takes text from the next row of its line.
    if (last) {
      AppendRow(TRowStr(), copy);
      if (FSel.HasRowSel()) FSel.RowInserted(R - 1);
    }
    const TRowStr T1 = FLines[R + 1];
    std::string& D2 = FWrapBuf2;
    D2 = D;
    bool cut2 = cut;
    if (!cut) {
      const size_t look = WrapLookahead(W, FWrapTrailBytes);
      std::string_view t1 = T1.view();
      if (!OnWordBreak && t1.size() + D2.size() > look) {
        t1 = t1.substr(0, look > D2.size() ? look - D2.size() : 0);
        cut2 = true;
      }
      AppendExpandedTabs(D2, t1, false, FTabSize);
    }
    if (FCaret.Y == R + 1) {
      const int width = cut ? I + ExpandedWidth(T.view(), FTabSize) : L;
      FCaret = {FCaret.X + width, R};
    }
    if (!cut2 && W > static_cast<int>(D2.size())) {
      // The whole next row fits on this one.
      const int n1 = static_cast<int>(T1.size());
      ColAttrsMove(R + 1, R, 1, n1);
      BlocksMove(R + 1, R, 1, n1);
      SetRowText(R, Concat(T, T1), false);
      FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines[R].size()) + 2);
      DeleteRow(R + 1);
      if (FSel.HasRowSel()) FSel.RowDeleted(R + 1);
      FLineAttrs.MarkDirty(R + 1, RowCount());
      if (R + 1 < RowCount()) continue;  // this row again, with the next one
      return;
    }
    const int H = FindWrapPos(D2, W, I + 1);
    if (FCaret.Y == R && FCaret.X >= H)
      FCaret = {FLineAttrs.PeekAttr(R + 1).Indent + (FCaret.X - H), R + 1};
    // Bytes of the joined text T + T1 that stay on this row.
    const long want = DisplayToByteCount(D2, H, I);
    size_t B;
    if (want > static_cast<long>(N)) {
      B = static_cast<size_t>(want);
      if (B < N + T1.size() && IsTrailAt(T1.view(), B - N)) --B;  // keep T1's characters whole
      B = std::min(B, N + T1.size());
    } else {
      B = GuardBreak(T.view(), want);
    }
    if (B > N) {
      const int k = static_cast<int>(B - N);
      ColAttrsMove(R + 1, R, 1, k);
      BlocksMove(R + 1, R, 1, k);
      SetRowText(R, Concat(T, T1.view().substr(0, static_cast<size_t>(k))), false);
      SetRowText(R + 1, T1.Substr(static_cast<size_t>(k)), false);
      FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines[R + 1].size()) + 2);
    } else if (B < N) {
      const int k = static_cast<int>(N - B);
      ColAttrsMove(R, R + 1, 0, k);
      BlocksMove(R, R + 1, 0, k);
      SetRowText(R + 1, Concat(T.view().substr(B), T1), false);
      SetRowText(R, T.Substr(0, B), false);
    }
    FLineAttrs.GetAttr(R).Dirty = true;
    FLineAttrs.GetAttr(R + 1).Dirty = true;
    ++R;
  }
}

// The text of a range of rows.  Start and End are (byte index, row).  As text,
// wrapped rows are joined back into their logical lines and every line ends
// with CR LF; a range that does not end at a line end loses its trailing
// blanks and control bytes.  As displayed, every row is its own line, with
// tabs and indent as spaces and the columns before Start blanked.
std::string TCustomAFEdit::GetRangeText(TPoint Start, TPoint End, bool AsDisplayed) {
  std::vector<std::string> lines;
  auto rowView = [&](int r) { return FLines[r].view(); };
  auto withoutCr = [](std::string_view s) {
    return !s.empty() && s.back() == '\r' ? s.substr(0, s.size() - 1) : s;
  };
  if (Start.Y < 0 || End.Y >= RowCount() || End.Y < Start.Y) return {};
  bool trim = false;

  if (AsDisplayed) {
    const int startCol = ByteToDisplayPos(Start).X;
    const int endCol = ByteToDisplayPos(End).X;
    for (int r = Start.Y; r <= End.Y; ++r) {
      std::string row(static_cast<size_t>(std::max<int>(FLineAttrs.PeekAttr(r).Indent, 0)), ' ');
      AppendExpandedTabs(row, withoutCr(rowView(r)), true, FTabSize);
      if (r == End.Y) row.resize(std::min(row.size(), static_cast<size_t>(std::max(endCol, 0))));
      if (r == Start.Y)
        std::fill_n(row.begin(), std::min(row.size(), static_cast<size_t>(std::max(startCol, 0))), ' ');
      lines.push_back(std::move(row));
    }
  } else {
    bool endsWithCr;
    if (Start.Y == End.Y) {
      const std::string_view s = rowView(Start.Y);
      const size_t a = std::min(static_cast<size_t>(std::max(Start.X, 0)), s.size());
      const size_t b = std::clamp(static_cast<size_t>(std::max(End.X, 0)), a, s.size());
      endsWithCr = b > 0 && s[b - 1] == '\r';
      lines.emplace_back(withoutCr(s.substr(a, b - a)));
    } else {
      bool newLine = true;
      auto add = [&](std::string_view piece, bool endsLine) {
        if (newLine)
          lines.emplace_back(piece);
        else
          lines.back().append(piece);
        newLine = endsLine;
      };
      const std::string_view first = rowView(Start.Y);
      add(withoutCr(first.substr(std::min(static_cast<size_t>(std::max(Start.X, 0)), first.size()))),
          RowHasLineEnd(Start.Y));
      for (int r = Start.Y + 1; r < End.Y; ++r) add(withoutCr(rowView(r)), RowHasLineEnd(r));
      const std::string_view last = rowView(End.Y);
      const size_t b = std::min(static_cast<size_t>(std::max(End.X, 0)), last.size());
      endsWithCr = b > 0 && last[b - 1] == '\r';
      // A final row that adds no bytes (only its CR, or nothing before End)
      // adds no line.
      const std::string_view piece = withoutCr(last.substr(0, b));
      if (!piece.empty() || !newLine) add(piece, endsWithCr);
    }
    trim = !endsWithCr && End.X > 0;
  }
  std::string out;
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  if (trim)
    while (!out.empty() && static_cast<unsigned char>(out.back()) <= ' ') out.pop_back();
  return out;
}
