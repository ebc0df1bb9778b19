// The matches of the find dialog's pattern, drawn over the rows in view with
// a colour of their own while the dialog is open.  Nothing here runs when no
// pattern is set.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/input/LineBatch.h"

namespace {

constexpr TColor kHighlightBack = 0x0066FFFF;  // a light yellow (0x00BBGGRR)

}  // namespace

void TCustomAFEdit::SetHighlight(std::string Pattern, const TFindOptions& Options) {
  std::string error;
  FHighlighter = MakeMatcher(Pattern, Options, error);
  FHighlightPattern = FHighlighter ? std::move(Pattern) : std::string();
  FHighlightOptions = Options;
  Paint();
}

void TCustomAFEdit::PaintHighlights(const TRowPaint& Ctx, int Top, const TRect& R) {
  const int Row = Ctx.Row;
  if (!FHighlighter || Row >= RowCount()) return;
  const int first = LineFirstRow(FLines, Row);
  TLineBatch batch(FLines);
  batch.Gather(first, first, 0);
  // The row's bytes as offsets of its line.
  const size_t rowStart = LineOffsetOf(FLines, first, {Row, 0});
  std::string_view row = FLines.View(Row);
  if (EndsWithCr(row)) row.remove_suffix(1);
  const size_t rowEnd = rowStart + row.size();
  const TLineAttr a = FLineAttrs.PeekAttr(Row);
  const std::string& P = Ctx.P;
  FHighlighter->Scan(batch.Views(), 0, [&](size_t, size_t b, size_t e) {
    if (b >= rowEnd) return false;
    if (e <= rowStart) return true;
    const int c0 = ByteToDisplayPos({static_cast<int>(std::max(b, rowStart) - rowStart), Row}).X;
    const int c1 = ByteToDisplayPos({static_cast<int>(std::min(e, rowEnd) - rowStart), Row}).X;
    // The current match shows as the selection.
    if (SelectedIn(Ctx, c0, Row) || c1 > static_cast<int>(P.size())) return true;
    std::string cells = P.substr(static_cast<size_t>(c0), static_cast<size_t>(c1 - c0));
    for (char& c : cells)
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    TFont f = FFont;
    f.Color = a.TextColor;
    FCanvas.SetFont(f);
    FCanvas.BrushColor = kHighlightBack;
    const int x = (c0 - FLeftCol) * FCellWidth + FTextRect.Left;
    TextOutAt(x, Top, cells, std::max(R.Left, FTextRect.Left));
    return true;
  });
}
