// The bands around the text area: the left margin with a row number beside
// every display row, and the column ruler with the wrap and indent markers
// and the caret's column.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/render/RowFormat.h"
#include "AFEdit/render/Ruler.h"

char RulerChar(int Col) noexcept {
  if (Col % 10 == 0) return static_cast<char>('0' + (Col / 10) % 10);
  return Col % 5 == 0 ? '+' : '.';
}

std::string RulerString(int FirstCol, int Count) {
  std::string s;
  s.reserve(static_cast<size_t>(std::max(Count, 0)));
  for (int c = FirstCol; c < FirstCol + Count; ++c) s.push_back(RulerChar(c));
  return s;
}

// The margin must hold the formatted number of every row: it widens (and
// never narrows) to the width of the row count's number, three digits at
// least.
bool TCustomAFEdit::FitMarginToRowNumbers() {
  if (!FViewOpt.contains(voRowNum)) return false;
  const long long widest = std::max(100, RowCount());
  const int width = static_cast<int>(FormatRowNumber(FRowDspFmt, widest).size()) * FCellWidth;
  if (width <= FLeftMgn) return false;
  FLeftMgn = width;
  FTextRect.Left = width;
  return true;
}

void TCustomAFEdit::PaintLeftMargin(int Row, std::string AStr) {
  if (FSurface.isNull()) return;
  FCanvas.BrushColor = FColLeftMgn;
  const int top = (Row - FTopRow) * FRowHeight + FTextRect.Top;
  const TRect cell{0, top, FTextRect.Left, top + FRowHeight};
  if (Row == FTopRow) {  // the gap between the ruler and the first row
    const TRect gap{0, FTextRect.Top - FTopMgn, FTextRect.Left, cell.Bottom};
    FCanvas.FillRect(gap);
  }
  FCanvas.FillRect(cell);
  bool defaultDraw = true;
  if (OnDrawLeftMgn) OnDrawLeftMgn(this, Row, cell, AStr, defaultDraw);
  if (!defaultDraw) return;
  TFont f = FCanvas.Font();
  f.Color = FColRowNo;
  f.Style = FFont.Style;
  FCanvas.SetFont(f);
  if (FViewOpt.contains(voRowNum)) TextOutAt(0, top, AStr, 0);
}

TPoint TCustomAFEdit::RulerMarkers() const {
  if (!FOptions.contains(aoAutoFormat) || RowCount() == 0) return kNoRulerMarkers;
  const int row = FSel.HasRowSel() ? std::min(FSel.FirstSelRow(), RowCount() - 1) : FCaret.Y;
  const TLineAttr a = FLineAttrs.PeekAttr(std::clamp(row, 0, RowCount() - 1));
  return {a.WrapPos, a.Indent};
}

void TCustomAFEdit::PaintColumnRuler() {
  if (FBatchEdit || !FViewOpt.contains(voColIndicate) || FSurface.isNull()) return;
  const TPaintBatch batch(*this);
  // What the ruler shows, so a caret update redraws it when any of it
  // changed.
  const TPoint markers = RulerMarkers();
  FPrevCaretCol = FCaret.X;
  FPrevLeftCol = FLeftCol;
  FPrevMarkers = markers;
  const int width = FTextRect.Right - FTextRect.Left;
  int n = width / FCellWidth;
  if (width % FCellWidth > FCellWidth / 2) ++n;

  TFont f = FCanvas.Font();
  f.Color = FColColumnNo;
  f.Style = FFont.Style;
  FCanvas.SetFont(f);
  FCanvas.BrushColor = FColColumnIndi;
  const TRect corner{0, 0, FTextRect.Left, FTextRect.Top - FTopMgn};
  FCanvas.FillRect(corner);
  bool defaultDraw = true;
  if (OnDrawColIndi) OnDrawColIndi(this, corner, defaultDraw);
  if (!defaultDraw) return;

  TextOutAt(FTextRect.Left, 0, RulerString(FLeftCol + 1, n + 1), 0);

  if (markers != kNoRulerMarkers) {
    f.Color = FColCr;
    FCanvas.SetFont(f);
    TextOutAt((markers.X - FLeftCol) * FCellWidth + FTextRect.Left, 0, "<", 0);
    const int x = (markers.Y - FLeftCol - 1) * FCellWidth + FTextRect.Left;
    if (x >= FTextRect.Left - FCellWidth) TextOutAt(x, 0, ">", 0);
  }

  if (FColColumnNo == clWindowText) {
    f.Color = clHighlightText;
    FCanvas.BrushColor = clHighlight;
  } else {
    f.Color = FColColumnIndi;
    FCanvas.BrushColor = FColColumnNo;
  }
  FCanvas.SetFont(f);
  const int x = (FCaret.X - FLeftCol) * FCellWidth + FTextRect.Left;
  if (x >= FTextRect.Left) {
    const char c = RulerChar(FCaret.X + 1);
    TextOutAt(x, 0, std::string_view(&c, 1), 0);
  }
}
