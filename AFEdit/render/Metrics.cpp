// The cell grid, the control's fonts and the line-end glyphs.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/render/RowFormat.h"

void TCustomAFEdit::UpdateMetrics(bool Repaint) {
  FCanvas.SetFont(FFont);
  FCharHeight = FCanvas.TextHeight();  // the height of the full-width letter row
  FRowHeight = FCharHeight + FRowPich;
  FHalfWidth = (FCharHeight + 1) / 2;
  FCellWidth = FHalfWidth + FCharPich;
  std::fill(FCellAdvances.begin(), FCellAdvances.end(), FCellWidth);

  FitMarginToRowNumbers();
  FTextRect.Left = FLeftMgn;
  if (FViewOpt.contains(voColIndicate)) FTextRect.Top = FRowHeight + FTopMgn;

  if (Repaint) {
    HideCaret();
    FCanvas.BrushColor = FColor;
    FCanvas.FillRect({0, 0, INT_MAX / 2, INT_MAX / 2});
    Paint();
    ShowCaret();
  }
}

void TCustomAFEdit::FontChanged() {
  UpdateMetrics(false);
  // An odd drawing height is evened until the next copy of the font.
  TFont drawing = FCanvas.Font();
  if (drawing.Height % 2 != 0) {
    drawing.Height += 1;
    FCanvas.SetFont(drawing);
  }
  const TColor dep = FDependenceFont.Color;
  FDependenceFont = FFont;
  FDependenceFont.Color = dep;
  const TColor kwColor = FKeywordFont.Color;
  const TFontStyles kwStyle = FKeywordFont.Style;
  FKeywordFont = FFont;
  FKeywordFont.Color = kwColor;
  FKeywordFont.Style = kwStyle;
  const TColor sel = FSelTextFont.Color;
  FSelTextFont = FFont;
  FSelTextFont.Color = sel;
  if (hasFocus()) {
    CreateCaret(2, FCharHeight);
    ShowCaret();
    // The input method's window follows the font.
    FIme.Update();
  }
  BuildCrMarks(FColCr, FColor);
}

void TCustomAFEdit::BuildCrMarks(TColor MarkColor, TColor BackColor) {
  const TCrMarkKey key{FCharHeight, MarkColor, BackColor, FCanvas.Ratio()};
  if (key == FCrMarkKey) return;
  FCrMarkKey = key;
  FColCr = MarkColor;
  ++FCrMarkBuilds;

  const QPalette& pal = palette();
  const QColor mark = ToQColor(FColCr, pal);
  FCrSource = LoadCrBitmap();
  FloodFillSurface(FCrSource, 10, 4, mark);
  FloodFillSurface(FCrSource, 4, 10, mark);
  FloodFillBorder(FCrSource, 1, 1, mark, ToQColor(BackColor, pal));
  // At the surface's resolution, so the canvas copies them pixel for pixel.
  const int h = std::max(FCharHeight, 1);
  FCrMark = StretchedBitmap(FCrSource, h, FCanvas.Ratio());
  FloodFillBorder(FCrSource, 1, 1, mark, ToQColor(FColSelBrush, pal));
  FCrMarkSel = StretchedBitmap(FCrSource, h, FCanvas.Ratio());
}

void TCustomAFEdit::TextOutAt(int X, int Y, std::string_view S, int ClipLeft) {
  const int len = static_cast<int>(S.size());
  if (FCellAdvances.size() < S.size()) FCellAdvances.resize(S.size(), FCellWidth);
  const TRect clip{std::max(ClipLeft, X), Y, X + len * FCellWidth, Y + FRowHeight};
  FCanvas.ExtTextOut(X, Y, clip, S, FCellAdvances.data(), true);
  FCanvas.MoveTo(X + len * FCellWidth, Y + FRowHeight);
}

void TCustomAFEdit::NonClientPaint() {
  FMarkColor = FromQColor(ToQColor(clWindow, palette())) - 0x404040;
  FTextRect.Right = viewport()->width();
  FTextRect.Bottom = viewport()->height();
  BuildCrMarks(FColCr, FColor);
}

// ---- setters that feed the grid and the fonts ----

void TCustomAFEdit::SetFont(const TFont& Value) {
  FFont = Value;
  if (!FLoadingForm) FontChanged();
}

void TCustomAFEdit::SetCharPich(int Value) {
  FCharPich = Value;
  UpdateMetrics(true);
}

void TCustomAFEdit::SetLeftMgn(int Value) {
  FLeftMgn = Value;
  UpdateMetrics(true);
}

void TCustomAFEdit::SetTopMgn(int Value) {
  FTopMgn = Value;
  UpdateMetrics(true);
}

void TCustomAFEdit::SetColDependence(TColor Value) {
  FDependenceFont.Color = Value;
  FontChanged();
}

void TCustomAFEdit::SetColKeyWord(TColor Value) {
  FKeywordFont.Color = Value;
  FontChanged();
}

void TCustomAFEdit::SetKeywordStyle(TFontStyles Value) {
  FKeywordFont.Style = Value;
  FontChanged();
}

void TCustomAFEdit::SetColSelText(TColor Value) {
  FSelTextFont.Color = Value;
  FontChanged();
}
