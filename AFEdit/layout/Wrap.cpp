// Word wrap: re-breaking the rows of a logical line after a change, and
// reading ranges of rows back as text.
#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

constexpr int kUnwrappedWidth = 65535;
// Rows longer than this many times the break search's reach are split by
// making their tail a row of its own (a long line the loader cut into
// rows); shorter ones, such as the joined rows of typing, hand their tails
// on to the next row.
constexpr size_t kSplitRowReach = 4;

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

// The texts of two rows joined.  An empty side costs nothing: the other
// side's bytes are shared, so peeling a long row apart stays linear.  Joined
// texts are packed into shared chunks, so the rows a re-wrap rewrites (and
// the history that keeps their old texts) cost their bytes and little more.
TRowStr Join(TRowPacker& Packer, const TRowStr& a, const TRowStr& b) {
  if (b.empty()) return a;
  if (a.empty()) return b;
  // Neighbours in one chunk (a long line the loader cut into rows) join
  // without a copy.
  if (a.Chunk() == b.Chunk() && size_t{a.Offset()} + a.size() == b.Offset())
    return TRowStr(a.SharedChunk(), a.Offset(), a.size() + b.size());
  return Packer.Pack(a.view(), b.view());
}

int IndentOf(const TLineAttr& A) { return std::max<int>(0, A.Indent); }

// Where a caret column of a row falls in its text: the byte it stands
// before, and the columns it stands past the row's end (a free caret).
struct TCaretByte {
  size_t Byte = 0;
  int Beyond = 0;
};

TCaretByte CaretByteOf(std::string_view T, int Indent, int Col, int TabSize) {
  const int rel = Col - Indent;
  if (rel <= 0) return {};
  const size_t b = LayoutByteCount(T, rel, TabSize);
  if (b < T.size()) return {b, 0};
  return {b, std::max(0, rel - LayoutWidth(T, TabSize))};
}

// The caret column of a byte of a row; Beyond counts only at the row's end.
int CaretColOf(std::string_view T, int Indent, TCaretByte C, int TabSize) {
  const size_t b = std::min(C.Byte, T.size());
  return Indent + LayoutWidth(T.substr(0, b), TabSize) + (b == T.size() ? C.Beyond : 0);
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

// Builds into Out the layout text of a row (Indent spaces, then its text
// with tabs expanded) as far as a break search at column W can look.  The
// whole text is built when a word-break handler must see it.  Returns true
// when the text was cut short.
bool TCustomAFEdit::WrapDisplayText(std::string& Out, std::string_view T, int Indent, int W) {
  const size_t look = WrapLookahead(W, FWrapTrailBytes);
  const bool cut = !OnWordBreak && T.size() > look;
  if (cut) T = T.substr(0, look);
  BuildLayoutText(Out, T, Indent, FTabSize);
  return cut;
}

// What re-wrap knows of the row it works on.
struct TCustomAFEdit::TWrapStep {
  int Row = 0;
  TLineAttr Attr;
  int WrapCol = 0;
  int Indent = 0;
  TRowStr Text;
  size_t Size = 0;  // its bytes
  bool Cut = false;  // the layout text (FWrapBuf) holds only the start of Text
  int Width = 0;  // the layout text's width, meaningful only when not cut
  bool Last = false;
  bool EndsCr = false;
  // Row Row+1 is known to hold no CR: it is the tail of a row already searched.
  bool NextWithoutCr = false;
  // Split: the tail becomes a row of its own instead of joining the next row.
  bool InsertTail = false;
  // Rows from here down moved and are marked for repainting at the end.
  int DirtyFrom = INT_MAX;
  // Whether the rows after Row up to its line's end share its record: -1
  // while not yet looked at.
  int RowsAlike = -1;
  int LineEnd = 0;  // when they do: the line's last row
};

// Re-wraps Row and, while text spills over or can be pulled up, the rows
// after it.  Each step works on one row and moves on to the next, so a
// paragraph of any number of rows is handled in a loop.  The caret follows
// the byte it stands before.
void TCustomAFEdit::RewrapRow(int Row) {
  TWrapStep s;
  s.Row = Row;
  bool knownWithoutCr = false;
  while (s.Row >= 0 && s.Row < RowCount()) {
    LoadWrapStep(s);
    const bool tailWithoutCr = std::exchange(knownWithoutCr, false);
    const bool hasCr = s.EndsCr || (!tailWithoutCr && std::memchr(s.Text.data(), '\r', s.Size));
    TWrapNext next;
    if (WrapRowIsComplete(s)) {
      next = TWrapNext::Stop;
    } else if (s.Size == 0) {
      next = WrapEmptyRow(s);
    } else if (hasCr) {
      next = WrapSplitRow(s);
    } else if (s.Cut && s.Size > kSplitRowReach * WrapLookahead(s.WrapCol, FWrapTrailBytes) && !s.Last && FSplitLongRows &&
               RowsAlikeToLineEnd(s)) {
      // A row longer than the break search looks (a long line the loader
      // cut into rows) is split: its tail joined with the next row would
      // be handed on through every row of the line, copied as it grows.
      s.InsertTail = true;
      next = WrapSplitRow(s);
      s.InsertTail = false;
    } else {
      next = WrapPullRow(s);
    }
    if (next == TWrapNext::Stop) break;
    knownWithoutCr = s.NextWithoutCr;
    if (next == TWrapNext::NextRow) ++s.Row;
  }
  if (s.DirtyFrom < RowCount()) {
    FLineAttrs.MarkDirty(s.DirtyFrom, RowCount());
    if (!FBatchEdit) SetScrollBars(FScrollBars);
  }
}

// Whether the rows after s.Row up to the end of its line share its record but
// for the repaint mark, so that a row inserted among them with that record
// wraps as they would.  Looked at once per re-wrap: rows inserted meanwhile
// carry the record.
bool TCustomAFEdit::RowsAlikeToLineEnd(TWrapStep& s) {
  if (s.RowsAlike < 0) {
    TLineAttr want = s.Attr;
    want.Dirty = false;
    s.RowsAlike = 1;
    for (s.LineEnd = s.Row + 1; s.LineEnd < RowCount(); ++s.LineEnd) {
      TLineAttr a = FLineAttrs.PeekAttr(s.LineEnd);
      a.Dirty = false;
      if (!(a == want)) {
        s.RowsAlike = 0;
        break;
      }
      if (RowHasLineEnd(s.LineEnd)) break;
    }
  }
  return s.RowsAlike == 1;
}

// Reads row s.Row into s and builds its layout text into FWrapBuf.
void TCustomAFEdit::LoadWrapStep(TWrapStep& s) {
  const int row = s.Row;
  s.Attr = FLineAttrs.HasAttr(row) ? FLineAttrs.PeekAttr(row) : FLineAttrs.GetAttr(row);
  s.WrapCol = FOptions.contains(aoAutoFormat) ? s.Attr.WrapPos : kUnwrappedWidth;
  s.Indent = IndentOf(s.Attr);
  s.Text = FLines[row];
  s.Size = s.Text.size();
  s.Cut = WrapDisplayText(FWrapBuf, s.Text, s.Indent, s.WrapCol);
  s.Width = static_cast<int>(FWrapBuf.size());
  s.Last = row == RowCount() - 1;
  s.EndsCr = EndsWithCr(s.Text.view());
  s.NextWithoutCr = false;
}

// A row that fits and holds its line's only CR at its end is complete (the
// last row gets an empty row after it).
bool TCustomAFEdit::WrapRowIsComplete(const TWrapStep& s) {
  const int fit = FindWrapPos(FWrapBuf, s.WrapCol, s.Indent + 2);
  if (s.Cut || fit < s.Width || !s.EndsCr || std::memchr(s.Text.data(), '\r', s.Size) != s.Text.data() + s.Size - 1) return false;
  if (s.Last) AppendRow(TRowStr(), s.Attr);
  return true;
}

// An empty row inside a line goes; re-wrap ends there.
TCustomAFEdit::TWrapNext TCustomAFEdit::WrapEmptyRow(const TWrapStep& s) {
  if (!s.Last) {
    DeleteRow(s.Row);
    FLineAttrs.MarkDirty(s.Row, RowCount());
    RowSelRowDeleted(s.Row);
  }
  return TWrapNext::Stop;
}

// Split: the bytes past the break go to the start of the next row.
TCustomAFEdit::TWrapNext TCustomAFEdit::WrapSplitRow(TWrapStep& s) {
  const int row = s.Row;
  const TRowStr& text = s.Text;
  const size_t size = s.Size;
  int fit = FindWrapPos(FWrapBuf, s.WrapCol, s.Indent + 1);
  const size_t cr = FWrapBuf.find('\r');
  if (cr != std::string::npos && static_cast<int>(cr) + 1 < fit) fit = static_cast<int>(cr) + 1;
  const size_t keep = GuardBreak(text, static_cast<long>(LayoutByteCount(text, fit - s.Indent, FTabSize)));
  if (keep >= size) {
    // The whole row stays (its only CR ends it): the line ends here, and
    // the rows after it are re-wrapped on their own.
    FLineAttrs.GetAttr(row).Dirty = true;
    if (s.Last) {
      AppendRow(TRowStr(), s.Attr);
      return TWrapNext::Stop;
    }
    FLineAttrs.GetAttr(row + 1).Dirty = true;
    return TWrapNext::NextRow;
  }
  const TCaretByte caret = FCaret.Y == row ? CaretByteOf(text, s.Indent, FCaret.X, FTabSize) : TCaretByte{};
  const TRowStr rest = text.Substr(keep);
  if (s.InsertTail) {
    if (FCaret.Y > row && FCaret.Y <= s.LineEnd) ++FCaret.Y;  // the line's rows below move down
    ++s.LineEnd;
    // The scroll bars are set once the re-wrap is done.
    const bool batch = std::exchange(FBatchEdit, true);
    InsertRow(row + 1, rest, s.Attr);
    FBatchEdit = batch;
    if (FSel.HasRowSel()) FSel.RowInserted(row);
    s.DirtyFrom = std::min(s.DirtyFrom, row + 1);
    s.NextWithoutCr = FLines[row + 1].SharesWith(rest);
  } else if (s.Last || s.EndsCr) {
    InsertRow(row + 1, rest, s.Attr);
    if (FSel.HasRowSel()) FSel.RowInserted(row);
    FLineAttrs.MarkDirty(row + 1, RowCount());
  } else {
    SetRowText(row + 1, Join(FWrapPacker, rest, FLines[row + 1]), false);
    FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines.View(row + 1).size()) + 2);
  }
  ColAttrsMove(row, row + 1, amToNextRow, static_cast<int>(size - keep));
  BlocksMove(row, row + 1, amToNextRow, static_cast<int>(size - keep));
  if (FCaret.Y == row && caret.Byte >= keep)
    FCaret = {CaretColOf(FLines.View(row + 1), IndentOf(FLineAttrs.PeekAttr(row + 1)), {caret.Byte - keep, caret.Beyond}, FTabSize),
              row + 1};
  SetRowText(row, text.Substr(0, keep), false);
  FLineAttrs.GetAttr(row).Dirty = true;
  FLineAttrs.GetAttr(row + 1).Dirty = true;
  return TWrapNext::NextRow;
}

// Pull: a wrapped row takes text from the next row of its line.
TCustomAFEdit::TWrapNext TCustomAFEdit::WrapPullRow(TWrapStep& s) {
  const int row = s.Row;
  const TRowStr& text = s.Text;
  const size_t size = s.Size;
  const int indent = s.Indent, wrapCol = s.WrapCol, width = s.Width;
  const bool cut = s.Cut;
  if (s.Last) {
    AppendRow(TRowStr(), s.Attr);
    if (FSel.HasRowSel()) FSel.RowInserted(row);
  }
  const TRowStr next = FLines[row + 1];
  std::string& joinedLayout = FWrapBuf2;
  joinedLayout = FWrapBuf;
  bool joinedCut = cut;
  if (!cut) {
    const size_t look = WrapLookahead(wrapCol, FWrapTrailBytes);
    std::string_view nextLook = next.view();
    if (!OnWordBreak && nextLook.size() + joinedLayout.size() > look) {
      nextLook = nextLook.substr(0, look > joinedLayout.size() ? look - joinedLayout.size() : 0);
      joinedCut = true;
    }
    AppendLayoutText(joinedLayout, nextLook, FTabSize);
  }
  // The caret as a byte of the joined text of the two rows.
  const bool caretHere = FCaret.Y == row || FCaret.Y == row + 1;
  TCaretByte caret;
  if (FCaret.Y == row + 1) {
    caret = CaretByteOf(next, IndentOf(FLineAttrs.PeekAttr(row + 1)), FCaret.X, FTabSize);
    caret.Byte += size;
    FCaret = {FCaret.X + (cut ? indent + LayoutWidth(text, FTabSize) : width), row};
  } else if (FCaret.Y == row) {
    caret = CaretByteOf(text, indent, FCaret.X, FTabSize);
    if (caret.Byte < size + next.size()) caret.Beyond = 0;
  }
  auto placeCaret = [&](size_t keep) {
    if (!caretHere) return;
    if (caret.Byte < keep || row + 1 >= RowCount())
      FCaret = {CaretColOf(FLines.View(row), indent, caret, FTabSize), row};
    else
      FCaret = {CaretColOf(FLines.View(row + 1), IndentOf(FLineAttrs.PeekAttr(row + 1)), {caret.Byte - keep, caret.Beyond},
                           FTabSize),
                row + 1};
  };
  if (!joinedCut && wrapCol > static_cast<int>(joinedLayout.size())) {
    // The whole next row fits on this one.
    const int nextSize = static_cast<int>(next.size());
    ColAttrsMove(row + 1, row, amToPrevRow, nextSize);
    BlocksMove(row + 1, row, amToPrevRow, nextSize);
    SetRowText(row, Join(FWrapPacker, text, next), false);
    FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines.View(row).size()) + 2);
    DeleteRow(row + 1);
    RowSelRowDeleted(row + 1);
    FLineAttrs.MarkDirty(row + 1, RowCount());
    placeCaret(size + next.size() + 1);
    return row + 1 < RowCount() ? TWrapNext::SameRow : TWrapNext::Stop;  // this row again, with the next one
  }
  const size_t keep = PullBreak(s, next, joinedLayout, cut);
  if (keep > size) {
    const int moved = static_cast<int>(keep - size);
    ColAttrsMove(row + 1, row, amToPrevRow, moved);
    BlocksMove(row + 1, row, amToPrevRow, moved);
    SetRowText(row, Join(FWrapPacker, text, next.Substr(0, static_cast<size_t>(moved))), false);
    SetRowText(row + 1, next.Substr(static_cast<size_t>(moved)), false);
    FMaxRowLen = Max(FMaxRowLen, static_cast<int>(FLines.View(row + 1).size()) + 2);
    placeCaret(keep);
  } else if (keep < size) {
    const int moved = static_cast<int>(size - keep);
    ColAttrsMove(row, row + 1, amToNextRow, moved);
    BlocksMove(row, row + 1, amToNextRow, moved);
    const TRowStr joined = Join(FWrapPacker, text.Substr(keep), next);
    SetRowText(row + 1, joined, false);
    placeCaret(keep);
    SetRowText(row, text.Substr(0, keep), false);
    // The next row is now this row's tail, which holds no CR, and the old
    // next row (unless a handler changed it): only the latter needs a look.
    // Looking at the whole joined row at every step would cost the square
    // of a long line's length as its tail is handed on.
    s.NextWithoutCr = FLines[row + 1].SharesWith(joined) && !std::memchr(next.data(), '\r', next.size());
  } else {
    placeCaret(keep);
  }
  FLineAttrs.GetAttr(row).Dirty = true;
  FLineAttrs.GetAttr(row + 1).Dirty = true;
  return TWrapNext::NextRow;
}

// The bytes of the joined text of row s.Row and Next that stay on row s.Row
// when it pulls from the next row, kept on a character boundary of the
// joined text.  JoinedLayout is the joined layout text (Cut: only the start
// of s.Text was laid out).
size_t TCustomAFEdit::PullBreak(const TWrapStep& s, const TRowStr& Next, const std::string& JoinedLayout, bool Cut) {
  const TRowStr& text = s.Text;
  const size_t size = s.Size;
  const int fit = FindWrapPos(JoinedLayout, s.WrapCol, s.Indent + 1);
  const int rel = fit - s.Indent;
  const int widthT = Cut ? INT_MAX : s.Width - s.Indent;
  size_t keep;
  if (rel <= widthT) {
    keep = LayoutByteCount(text, rel, FTabSize);
  } else {
    keep = size + LayoutByteCount(Next, rel - widthT, FTabSize);
  }
  if (keep < size) keep = GuardBreak(text.view(), static_cast<long>(keep));
  // A break at the end of this row (where the guard may also have put it,
  // when the indent reaches the wrap column) is checked in the joined
  // text: a character may continue on the Next row.
  if (keep >= size) {
    keep = std::min(keep, size + Next.size());
    std::string joined(text.view());
    joined.append(Next.view().substr(0, keep - size + 2));
    // Taking all of a Next row whose line goes on below it ends this row
    // before the first byte of the row after: a character split there is
    // kept whole as well.
    if (keep == size + Next.size() && s.Row + 2 < RowCount() && !RowHasLineEnd(s.Row + 1))
      joined.append(FLines.View(s.Row + 2).substr(0, 1));
    keep = std::min(GuardBreak(joined, static_cast<long>(keep)), size + Next.size());
  }
  return keep;
}

// The text of a range of rows.  Start and End are (byte index, row).  As text,
// wrapped rows are joined back into their logical lines and every line ends
// with CR LF; a range that does not end at a line end loses its trailing
// blanks and control bytes.  As displayed, every row is its own line, with
// tabs and indent as spaces and the columns before Start blanked.
std::string TCustomAFEdit::GetRangeText(TPoint Start, TPoint End, bool AsDisplayed) {
  std::vector<std::string> lines;
  auto rowView = [&](int r) { return FLines.View(r); };
  auto withoutCr = [](std::string_view s) {
    return EndsWithCr(s) ? s.substr(0, s.size() - 1) : s;
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
      // A final row holding only its CR adds nothing, not even a line end.
      const std::string_view last = rowView(End.Y);
      const size_t b = std::min(static_cast<size_t>(std::max(End.X, 0)), last.size());
      endsWithCr = last != "\r" && b > 0 && last[b - 1] == '\r';
      // Nor does a final row that adds no bytes before End on a line of its own.
      const std::string_view piece = withoutCr(last.substr(0, b));
      if (last != "\r" && (!piece.empty() || !newLine)) add(piece, endsWithCr);
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
