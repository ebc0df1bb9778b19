// Painting one display row: its background, its text on the cell grid, the
// marks that make layout characters visible, keyword, dependence-character,
// block, column-attribute and selection colours, the wrap guide, and the
// row's left-margin cell.
//
// The row is painted from its painted string P: the display text with the
// indent as 0x01 bytes and tabs as fillers (0x0B) ending in the tab byte,
// followed by LF when the row does not end a logical line.  Text is gathered
// into runs that are drawn with one TextOutAt each; a run is cut only where
// colours change, at marks, selection boundaries and keyword ends.
#include <algorithm>
#include <cctype>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "AFEdit/render/RowFormat.h"

namespace {

constexpr char kIndentByte = '\x01';
constexpr char kLf = '\n';
constexpr char kCr = '\r';

bool IsLead(char c) noexcept { return IsLeadByte(static_cast<unsigned char>(c)); }

// Case-insensitive order of ASCII letters, as the keyword list is sorted.
int CompareNoCase(std::string_view A, std::string_view B) noexcept {
  const size_t n = std::min(A.size(), B.size());
  for (size_t i = 0; i < n; ++i) {
    const int a = std::tolower(static_cast<unsigned char>(A[i]));
    const int b = std::tolower(static_cast<unsigned char>(B[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

}  // namespace

// The first byte index after B of row Row where a block starts or ends, or
// -1.  A block's end is exclusive, so the byte at its end is the first one
// outside it.
int TCustomAFEdit::NextBlockChange(int Row, int B) const {
  int next = -1;
  for (int i = 0; i < FBlkAttrs.Count(); ++i) {
    const TBlkAttr& b = FBlkAttrs.At(i);
    if (b.StartRow == Row && b.StartCol > B && (next < 0 || b.StartCol < next)) next = b.StartCol;
    if (b.EndRow == Row && b.EndCol > B && (next < 0 || b.EndCol < next)) next = b.EndCol;
  }
  return next;
}

bool KeywordLess(std::string_view A, std::string_view B) noexcept { return CompareNoCase(A, B) < 0; }

bool TCustomAFEdit::IsKeyword(std::string_view Word) const {
  const auto it = std::lower_bound(FKeywords.begin(), FKeywords.end(), Word,
                                   [](const std::string& K, std::string_view W) { return KeywordLess(K, W); });
  return it != FKeywords.end() && CompareNoCase(*it, Word) == 0;
}

bool TCustomAFEdit::IsSelectedAt(int Pos, int Row) const { return SelectedIn(FPaint, Pos, Row); }

bool TCustomAFEdit::SelectedIn(const TRowPaint& Ctx, int Pos, int Row) const {
  if (FSel.RowInSel(Row)) return true;
  if (!FSel.PosInSel(Pos, Row) || Pos >= static_cast<int>(Ctx.D.size())) return false;
  return (Row == Ctx.Row ? Ctx.Indent : FLineAttrs.PeekAttr(Row).Indent) <= Pos;
}

void TCustomAFEdit::SetRunColors(const TRowPaint& Ctx, int Pos, int Kind) {
  const int Row = Ctx.Row;
  const TLineAttr& a = Ctx.Attr;
  TFont f = FCanvas.Font();
  if (SelectedIn(Ctx, Pos, Row)) {
    if (a.BackColor == FColor) {
      f.Color = FSelTextFont.Color;
      FCanvas.BrushColor = FColSelBrush;
    } else {  // a row with its own background shows the selection inverted
      f.Color = a.BackColor;
      FCanvas.BrushColor = a.TextColor;
    }
    f.Style = FSelTextFont.Style;
    if (Kind == rkDependence) {
      f.Color = FDependenceFont.Color;
    } else if (Kind == rkKeyword) {
      f.Style = FKeywordFont.Style;
      f.Color = FFont.Color ^ FKeywordFont.Color ^ FSelTextFont.Color;
    }
    FCanvas.SetFont(f);
    return;
  }
  TColor blockColor = 0;
  TFontStyles blockStyle;
  if (BlockAt({Ctx.B, Row}, blockColor, blockStyle)) {
    f.Color = blockColor;
    f.Style = blockStyle;
    FCanvas.SetFont(f);
    FCanvas.BrushColor = a.BackColor;
    return;
  }
  FCanvas.BrushColor = a.BackColor;
  switch (Kind) {
    case rkNormal:
      f = FFont;
      f.Color = a.TextColor;
      break;
    case rkMark: f.Color = FMarkColor; break;
    case rkLineEnd:
    case rkRowStart: f.Color = FColCr; break;
    case rkDependence: f.Color = FDependenceFont.Color; break;
    case rkKeyword: f = FKeywordFont; break;
    case rkColAttr: {
      const TColAttr* e = ColAttrAt(Row, Ctx.B);
      f.Color = e ? e->Color : 0;
      break;
    }
    default: break;
  }
  FCanvas.SetFont(f);
}

const TColAttr* TCustomAFEdit::ColAttrAt(int Row, int Index) {
  const TColAttrList* list = FLineAttrs.ColAttrs(Row);
  return list && Index >= 0 && Index < list->Count() ? &list->At(Index) : nullptr;
}

void TCustomAFEdit::FlushRun(TRowPaint& Ctx) {
  if (!Ctx.Run.empty()) {
    TextOutAt(FCanvas.PenPos.X, Ctx.Y, Ctx.Run, FTextRect.Left);
    Ctx.Run.clear();
  }
}

void TCustomAFEdit::DrawAtPen(const TRowPaint& Ctx, std::string_view S) { TextOutAt(FCanvas.PenPos.X, Ctx.Y, S, FTextRect.Left); }

void TCustomAFEdit::DrawLineEnd(const TRowPaint& Ctx, int X, int Y, TLineEndMark Mark) {
  switch (Mark) {
    case leFold:
      if (FViewOpt.contains(voFoldMark)) TextOutAt(X, Y, FFoldMark, FTextRect.Left);
      break;
    case leLineEnd: {
      if (!FViewOpt.contains(voCr)) break;
      const TColor back = Ctx.Attr.BackColor;
      if (FCrMarkKey.Back != back) BuildCrMarks(FColCr, back);
      // The glyph never covers the margin.
      FCanvas.Draw(X, Y, SelectedIn(Ctx, Ctx.Pos, Ctx.Row) ? FCrMarkSel : FCrMark,
                   {FTextRect.Left, Y, FTextRect.Right, Y + FRowHeight});
      break;
    }
    case leEof: TextOutAt(X, Y, FEofMark, FTextRect.Left); break;
  }
}

void TCustomAFEdit::DrawKeyword(TRowPaint& Ctx) {
  const int L = static_cast<int>(Ctx.Word.size());
  if (L == 0 || !IsKeyword(Ctx.Word)) return;
  const int row = Ctx.Row;
  const int pos = Ctx.Pos;
  FlushRun(Ctx);
  FCanvas.PenPos.X -= L * FCellWidth;
  const std::string word = Ctx.Word;
  int pieceStart = 0;
  for (int k = 1; k < L; ++k) {
    if (SelectedIn(Ctx, pos - L + k, row) != SelectedIn(Ctx, pos - L + k - 1, row)) {
      SetRunColors(Ctx, pos - L + k - 1, rkKeyword);
      DrawAtPen(Ctx, std::string_view(word).substr(static_cast<size_t>(pieceStart), static_cast<size_t>(k - pieceStart)));
      pieceStart = k;
      SetRunColors(Ctx, pos - L + k, rkKeyword);
    }
  }
  SetRunColors(Ctx, pos - 1, rkKeyword);
  const std::string_view piece = std::string_view(word).substr(static_cast<size_t>(pieceStart));
  const int len = static_cast<int>(piece.size());
  const int w = FCanvas.TextWidth(piece.substr(piece.size() - 1)) + 1;
  if (len >= 2 && w > FCellWidth) {
    // A glyph that overhangs its cell (bold, italic): the piece is drawn
    // slightly narrower so its last glyph stays inside the word's cells.
    const int d = std::max(1, (w - FCellWidth) / len);
    const int n = std::min((w - FCellWidth) / d, static_cast<int>(FCellAdvances.size()));
    for (int i = 0; i < n; ++i) FCellAdvances[static_cast<size_t>(i)] -= d;
    DrawAtPen(Ctx, piece);
    for (int i = 0; i < n; ++i) FCellAdvances[static_cast<size_t>(i)] = FCellWidth;
  } else {
    DrawAtPen(Ctx, piece);
  }
  Ctx.Run.clear();
  Ctx.Word.clear();
  SetRunColors(Ctx, pos, rkNormal);
}

void TCustomAFEdit::PaintRow(int Row) {
  if (FBatchEdit || FSurface.isNull()) return;
  const TPaintBatch batch(*this);
  if (Row < FTopRow || Row > FTopRow + VisibleRowCount() + 1) return;
  if (Row < RowCount() && FLineAttrs.PeekAttr(Row).WrapPos == 0) {
    TLineAttr fresh;
    InitLineAttr(true, 0, fresh, FDefWrapPos);
    FLineAttrs.SetAttr(Row, fresh);
  }
  const int top = (Row - FTopRow) * FRowHeight + FTextRect.Top;
  TRect R{std::max(FTextRect.Left, FUpdateRect.Left), std::max(top, FUpdateRect.Top),
          std::min(FTextRect.Right, FUpdateRect.Right), std::min(top + FRowHeight, FUpdateRect.Bottom)};
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;

  if (Row >= RowCount()) {  // below the document
    R.Left = 0;
    FCanvas.BrushColor = FColor;
    FCanvas.FillRect(R);
    return;
  }
  // The row's context lives in FPaint so that its buffers keep their
  // capacity from row to row; every step gets it as an argument.
  TRowPaint& Ctx = FPaint;
  if (!BeginRowPaint(Ctx, Row, top, R)) return;
  int S = 0, E = 0;
  VisibleByteRange(Ctx, R, S, E);
  PaintRowText(Ctx, S, E);
  FinishRowPaint(Ctx, top, R);
  if (FHighlighter) PaintHighlights(Ctx, top, R);
}

// Fills the row's background and builds its painted string; false when the
// row's owner-draw handler painted it.
bool TCustomAFEdit::BeginRowPaint(TRowPaint& Ctx, int Row, int Top, const TRect& R) {
  const TLineAttr attr = FLineAttrs.PeekAttr(Row);
  const int indent = std::max<int>(attr.Indent, 0);
  Ctx.Row = Row;
  Ctx.Indent = attr.Indent;
  Ctx.Attr = attr;
  Ctx.Y = Top;
  Ctx.B = 0;
  Ctx.Pos = 0;
  // The row's background, or the selection's when its first column is
  // selected (a row selection, or a character selection covering it).
  TFont drawing = FCanvas.Font();
  drawing.Color = FFont.Color;
  drawing.Style = attr.FontStyle;
  FCanvas.SetFont(drawing);
  // IsSelectedAt needs the display text's length.
  std::string& D = Ctx.D;
  D.assign(static_cast<size_t>(indent), kIndentByte);
  AppendExpandedTabs(D, FLines.View(Row), false, FTabSize);
  SetRunColors(Ctx, 0, rkRowStart);
  FCanvas.FillRect(R);

  std::string& P = Ctx.P;
  P = D;
  const bool showTab = FViewOpt.contains(voTab);
  const bool showIndent = FViewOpt.contains(voIndent);
  if (!showTab || !showIndent) {
    for (char& c : P) {
      if (!showTab && (c == kTabByte || c == kFillerByte)) c = ' ';
      else if (!showIndent && c == kIndentByte) c = ' ';
    }
  }
  if (P.empty() || !RowHasLineEnd(Row)) P.push_back(kLf);

  bool defaultDraw = true;
  if (OnDrawLine) OnDrawLine(this, Row, R, P, defaultDraw);
  return defaultDraw;
}

// The byte range [S, E) of the painted string that R shows, widened to
// whole words, tab spans and characters, and to the line-end byte; fills
// the byte index of every column in it.
void TCustomAFEdit::VisibleByteRange(TRowPaint& Ctx, const TRect& R, int& S, int& E) {
  const std::string& P = Ctx.P;
  const int len = static_cast<int>(P.size());
  auto inW = [&](int i) {
    const char c = P[static_cast<size_t>(i)];
    return c == kTabByte || c == kFillerByte || FWordChars.test(static_cast<unsigned char>(c));
  };
  S = (R.Left - FTextRect.Left) / FCellWidth + FLeftCol;
  E = (R.Right - FTextRect.Left + FCellWidth - 1) / FCellWidth + FLeftCol;
  if (S > len) S = len;
  if (S > 0 && S < len) {
    if (inW(S))
      while (S > 0 && inW(S - 1)) --S;
    if (S > 0 && ByteType(P, static_cast<size_t>(S - 1)) == mbLeadByte) --S;
  }
  if (S == len) --S;
  if (E < len) {
    if (E > 0 && ByteType(P, static_cast<size_t>(E - 1)) == mbLeadByte) ++E;
    if (E < len) {
      const char c = P[static_cast<size_t>(E)];
      if (c == kLf || c == kCr) {
        ++E;
      } else if (inW(E)) {
        while (E < len && inW(E)) ++E;
      }
    }
  }
  E = std::min(E, len);
  const int indent = std::max<int>(Ctx.Indent, 0);
  DisplayByteIndexes(FLines.View(Ctx.Row), S, E, indent, FTabSize, Ctx.ColB);
  Ctx.FirstPos = S;
}

// Draws what the word or run in progress holds before a mark or a colour
// change: the keyword colouring first, then the run.
void TCustomAFEdit::EndRun(TRowPaint& Ctx) {
  if (FViewOpt.contains(voKeyWord)) DrawKeyword(Ctx);
  FlushRun(Ctx);
  Ctx.Word.clear();
}

// Bytes [S, E) of the row, run by run, with their marks and colours.
void TCustomAFEdit::PaintRowText(TRowPaint& Ctx, int S, int E) {
  const std::string& P = Ctx.P;
  const int Row = Ctx.Row;
  FCanvas.MoveTo((S - FLeftCol) * FCellWidth + FTextRect.Left, Ctx.Y);
  Ctx.Run.clear();
  Ctx.Word.clear();
  const bool keywords = FViewOpt.contains(voKeyWord);
  SetRunColors(Ctx, S, rkNormal);
  // N: the next byte index where the block colouring may change; the first
  // painted byte checks it when a block touches the row.
  int N = -1;
  for (int i = 0; i < FBlkAttrs.Count() && N < 0; ++i)
    if (FBlkAttrs.At(i).StartRow <= Row && Row <= FBlkAttrs.At(i).EndRow) N = 0;
  const TColAttrList* colAttrs = FLineAttrs.ColAttrs(Row);
  const bool hankana = FViewOpt.contains(voHankana);
  const bool showIndent = FViewOpt.contains(voIndent);
  int& Pos = Ctx.Pos;
  char last = 0;
  for (Pos = S; Pos < E; ++Pos) {
    Ctx.B = Ctx.ColB[static_cast<size_t>(Pos - S)];
    const char b = P[static_cast<size_t>(Pos)];
    last = b;
    if (N >= 0 && Ctx.B >= N) {  // a block begins or ends here
      FlushRun(Ctx);
      Ctx.Word.clear();
      SetRunColors(Ctx, Pos, rkNormal);
      N = NextBlockChange(Row, Ctx.B);
    }
    const TColAttr* ca = colAttrs ? ColAttrAt(Row, Ctx.B) : nullptr;
    if (showIndent && Ctx.B == -1) {
      // The last indent cell: the whole visible indent as dots.
      Ctx.Run.assign(static_cast<size_t>(std::max(std::max<int>(Ctx.Indent, 0) - S, 0)), FIndentMark[0]);
      SetRunColors(Ctx, Pos, rkMark);
      FlushRun(Ctx);
      SetRunColors(Ctx, Pos, rkNormal);
    } else if (ca && ca->Active) {
      if (keywords) DrawKeyword(Ctx);
      FlushRun(Ctx);
      last = PaintColAttrRun(Ctx, E);
    } else if (IsLead(b)) {
      if (keywords) DrawKeyword(Ctx);
      Ctx.Word.clear();
      PaintDoubleByte(Ctx, E, last);
    } else if (b == kCr) {
      EndRun(Ctx);
      DrawLineEnd(Ctx, FCanvas.PenPos.X, Ctx.Y, leLineEnd);
    } else if (b == kLf) {
      EndRun(Ctx);
      SetRunColors(Ctx, Pos, rkLineEnd);
      const int x = FCanvas.PenPos.X;
      DrawLineEnd(Ctx, x, Ctx.Y, leFold);
      if (Row == RowCount() - 1) DrawLineEnd(Ctx, x, Ctx.Y, leEof);
    } else if (b == kTabByte) {
      EndRun(Ctx);
      SetRunColors(Ctx, Pos, rkMark);
      DrawAtPen(Ctx, FTabEndMark);
      SetRunColors(Ctx, Pos, rkNormal);
    } else if (b == kFillerByte) {
      EndRun(Ctx);
      last = PaintTabSpan(Ctx, E);
    } else if (hankana && static_cast<unsigned char>(b) >= 0x81) {
      EndRun(Ctx);
      SetRunColors(Ctx, Pos, rkDependence);
      DrawAtPen(Ctx, std::string_view(&P[static_cast<size_t>(Pos)], 1));
      SetRunColors(Ctx, Pos, rkNormal);
    } else if (FWordChars.test(static_cast<unsigned char>(b))) {
      Ctx.Run.push_back(b);
      Ctx.Word.push_back(b);
    } else {
      if (keywords) DrawKeyword(Ctx);
      Ctx.Run.push_back(b);
      Ctx.Word.clear();
    }
    // A selection boundary cuts the run.
    if (SelectedIn(Ctx, Pos, Row) != SelectedIn(Ctx, Pos + 1, Row)) {
      SetRunColors(Ctx, Pos, rkNormal);
      FlushRun(Ctx);
      SetRunColors(Ctx, Pos + 1, rkNormal);
    }
  }
  if (last == kIndentByte) {
    // The painted range ends inside the indent.
    std::replace(Ctx.Run.begin(), Ctx.Run.end(), kIndentByte, FIndentMark[0]);
    SetRunColors(Ctx, Pos, rkMark);
    FlushRun(Ctx);
  } else {
    if (keywords) DrawKeyword(Ctx);
    FlushRun(Ctx);
  }
}

// The bytes from Ctx.Pos that share one active column attribute, in its
// colour and style; leaves Pos on the last of them and returns that byte.
char TCustomAFEdit::PaintColAttrRun(TRowPaint& Ctx, int E) {
  const std::string& P = Ctx.P;
  const int Row = Ctx.Row;
  int& Pos = Ctx.Pos;
  const TColAttr* ca = ColAttrAt(Row, Ctx.B);
  const TFontStyles savedStyle = FCanvas.Font().Style;
  TFont f = FCanvas.Font();
  f.Color = SelectedIn(Ctx, Pos, Row) ? FSelTextFont.Color : ca->Color;
  f.Style = ca->Style;
  FCanvas.SetFont(f);
  for (;;) {
    const char c = P[static_cast<size_t>(Pos)];
    Ctx.Run.push_back(c);
    if (SelectedIn(Ctx, Pos, Row) != SelectedIn(Ctx, Pos + 1, Row)) {
      SetRunColors(Ctx, Pos, rkColAttr);
      FlushRun(Ctx);
      SetRunColors(Ctx, Pos + 1, rkColAttr);
    }
    if (IsLead(c) && Pos + 1 < E) Ctx.Run.push_back(P[static_cast<size_t>(++Pos)]);
    ++Pos;
    if (Pos >= E) break;
    Ctx.B = Ctx.ColB[static_cast<size_t>(Pos - Ctx.FirstPos)];
    const TColAttr* next = ColAttrAt(Row, Ctx.B);
    if (!next || !next->Active || !(next->Style == FCanvas.Font().Style) || next->Color != FCanvas.Font().Color)
      break;
  }
  const char last = P[static_cast<size_t>(Pos - 1)];
  Ctx.Word.clear();
  FlushRun(Ctx);
  SetRunColors(Ctx, Pos, rkNormal);
  TFont restored = FCanvas.Font();
  restored.Style = savedStyle;
  FCanvas.SetFont(restored);
  --Pos;
  return last;
}

// A two-byte character at Ctx.Pos: the full-width space and dependence
// characters are drawn apart in their mark colours, others join the run.
void TCustomAFEdit::PaintDoubleByte(TRowPaint& Ctx, int E, char& Last) {
  const std::string& P = Ctx.P;
  int& Pos = Ctx.Pos;
  const std::string_view C = std::string_view(P).substr(static_cast<size_t>(Pos), 2);
  const unsigned code = C.size() == 2 ? static_cast<unsigned char>(C[0]) << 8 | static_cast<unsigned char>(C[1]) : 0;
  if (FViewOpt.contains(voAnsiSpace) && code == 0x8140) {
    FlushRun(Ctx);
    SetRunColors(Ctx, Pos, rkMark);
    DrawAtPen(Ctx, FZenSpaceMark);
    SetRunColors(Ctx, Pos, rkNormal);
  } else if (FViewOpt.contains(voDependence) && code != 0 && FDependenceSet[code]) {
    FlushRun(Ctx);
    SetRunColors(Ctx, Pos, rkDependence);
    DrawAtPen(Ctx, C);
    SetRunColors(Ctx, Pos, rkNormal);
  } else {
    Ctx.Run.append(C);
  }
  if (Pos + 1 < E) Last = P[static_cast<size_t>(++Pos)];
}

// A tab's filler cells from Ctx.Pos and its end cell, as tab marks;
// leaves Pos on the last of them and returns that byte.
char TCustomAFEdit::PaintTabSpan(TRowPaint& Ctx, int E) {
  const std::string& P = Ctx.P;
  int& Pos = Ctx.Pos;
  SetRunColors(Ctx, Pos, rkMark);
  Ctx.Run = FTabMark;
  while (Pos + 1 < E && P[static_cast<size_t>(Pos + 1)] == kFillerByte) {
    ++Pos;
    Ctx.Run.append(FTabMark);
  }
  if (Pos + 1 < E && P[static_cast<size_t>(Pos + 1)] == kTabByte) {
    ++Pos;
    Ctx.Run.append(FTabEndMark);
  }
  FlushRun(Ctx);
  SetRunColors(Ctx, Pos, rkNormal);
  return P[static_cast<size_t>(Pos)];
}

// The row's margin cell, the wrap guide, the empty area below the last row,
// and the row's dirty flag once it is painted whole.
void TCustomAFEdit::FinishRowPaint(const TRowPaint& Ctx, int Top, const TRect& R) {
  const int Row = Ctx.Row;
  PaintLeftMargin(Row, FormatRowNumber(FRowDspFmt, static_cast<long long>(Row) + 1));

  if (FOptions.contains(aoAutoFormat) && FViewOpt.contains(voWrapLine)) {
    const int x = (Ctx.Attr.WrapPos - FLeftCol) * FCellWidth + FTextRect.Left;
    // The guide belongs to the text area; scrolled past, it is not drawn
    // over the margin.
    if (x >= FTextRect.Left && x < FTextRect.Right) {
      FCanvas.PenMode = pmCopy;
      FCanvas.PenColor = FMarkColor;
      FCanvas.MoveTo(x, Top);
      FCanvas.LineTo(x, Top + FRowHeight);
    }
  }

  if (Row == RowCount() - 1) {
    const TRect below{0, (RowCount() - FTopRow) * FRowHeight + FTextRect.Top, FTextRect.Right,
                      FTextRect.Bottom};
    if (below.Bottom > below.Top) {
      FCanvas.BrushColor = FColor;
      FCanvas.FillRect(below);
    }
  }
  // A row painted only in part (a scrolled-in strip, a selection span) is
  // still to be repainted whole.  Clearing only a set flag leaves a run of
  // equal records packed.
  const bool whole = R.Left == FTextRect.Left && R.Right == FTextRect.Right && R.Top == Top &&
                     R.Bottom >= std::min(Top + FRowHeight, FTextRect.Bottom);
  if (whole && FLineAttrs.PeekAttr(Row).Dirty) FLineAttrs.GetAttr(Row).Dirty = false;
}
