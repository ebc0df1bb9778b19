// The view's first row and column: vertical and horizontal scroll requests
// with the acceleration of repeated vertical requests, and the scroll bars.
// Line scrolls move the surface's pixels and paint only the uncovered
// strip; larger jumps repaint everything.
#include <algorithm>

#include "AFEdit/AFEdit.h"

int TCustomAFEdit::ScrollAccelCount = 0;

int TCustomAFEdit::VisibleRowCount() const noexcept {
  return FRowHeight > 0 ? (FTextRect.Bottom - FTextRect.Top) / FRowHeight : 0;
}

int TCustomAFEdit::VisibleColCount() const noexcept {
  return FCellWidth > 0 ? (FTextRect.Right - FTextRect.Left) / FCellWidth : 0;
}

int TCustomAFEdit::BarRequest(TScrollBarKind Bar, int Code, int Pos) {
  if (Bar == sbVertical) {
    VScrollRequest(Code);
    return FTopRow;
  }
  HScrollRequest(Code, Pos);
  return FLeftCol;
}

void TCustomAFEdit::SetScrollBars(TScrollStyle Value) {
  FScrollBars = Value;
  if (FRowHeight == 0 || FInScrollBars) return;
  FInScrollBars = true;
  // Showing or hiding a bar resizes the view, which changes what the other
  // bar (and then the first one) must show: refresh until both agree with
  // the view they leave.
  for (int pass = 0; pass < 3; ++pass) {
    const bool vertShown = VertBarShown(), horzShown = HorzBarShown();
    const int V = VisibleRowCount();
    FBars.Refresh(sbVertical, RowCount() >= V || FTopRow > 0 || FCaret.Y >= V,
                  {28, sifAll, 0, std::max({RowCount() - 1, V + FTopRow - 1, FCaret.Y}), V, FTopRow, FTopRow},
                  ShowsBar(sbVertical));
    const int H = VisibleColCount();
    const int X = std::max(FDefWrapPos, FMaxRowLen);
    FBars.Refresh(sbHorizontal, X > H || FLeftCol > 0, {28, sifAll, 0, std::max(X, FCaret.X), H, FLeftCol, FLeftCol},
                  ShowsBar(sbHorizontal));
    if (vertShown == VertBarShown() && horzShown == HorzBarShown()) break;
  }
  FInScrollBars = false;
}

// The caret's row after an undo, with a row of room above or below it.
void TCustomAFEdit::ShowUndoneCaretRow() {
  if (FCaret.Y < FTopRow)
    FTopRow = Max(0, FCaret.Y - 1);
  else if (FTopRow + VisibleRowCount() < FCaret.Y + 2)
    FTopRow = FCaret.Y - VisibleRowCount() + 2;
}

// ---- scroll requests ----

void TCustomAFEdit::ShowMovedCaret() {
  if (FTopRow != FPaintedTopRow) {
    Paint();
    return;
  }
  // The caret is shown where it will snap onto its character, but keeps
  // its column (and the snap its direction) until the view has followed
  // it: a key's scroll into view measures the column the key left.
  const TPoint caret = FCaret;
  const bool backward = SnapBackward;
  UpdateCaret();
  FCaret = caret;
  SnapBackward = backward;
}

void TCustomAFEdit::PixelsFollowedTopRow(bool WasCurrent) {
  if (WasCurrent)
    FPaintedTopRow = FTopRow;
  else
    Paint();
}

void TCustomAFEdit::VScrollRequest(int Code) {
  const TPaintBatch batch(*this);
  FPrevCaret = FCaret;
  const bool shift = ShiftKeyHeld();
  setFocus();
  if (FSel.HasCharSel() || FSel.HasRowSel()) {
    HideCaret();
    ++FCaretHideCount;
  }
  ScrollAccelCount = std::max(1, std::min(FAccelRate, ScrollAccelCount + 1));
  const int k = ScrollAccelCount;
  const TRect area{0, FTextRect.Top, FTextRect.Right, FTextRect.Bottom};
  const TScrollInfo info = ScrollRecord(sbVertical);
  const int V = VisibleRowCount();
  // Whether the surface shows the rows from FTopRow: moving its pixels
  // keeps it so.
  const bool painted = FPaintedTopRow == FTopRow;

  switch (Code) {
    case sbLineDown:
    case sbLineUp:
      HideCaret();
      if (Code == sbLineDown)
        LinesDown(k, shift, area);
      else
        LinesUp(k, shift, area);
      SetScrollPos(sbVertical, FTopRow);
      UpdateCaret();
      ShowCaret();
      PixelsFollowedTopRow(painted);
      break;
    case sbPageDown:
      for (int i = 0; i < k; ++i) {
        // A document shorter than the view never puts the top row above
        // the first row.
        FTopRow = std::max(0, std::min(FTopRow + V, info.Max - V));
        FCaret.Y = std::min(FCaret.Y + V, RowCount() - 1);
        SetScrollPos(sbVertical, FTopRow);
        ShowMovedCaret();
      }
      break;
    case sbPageUp:
      for (int i = 0; i < k; ++i) {
        FTopRow = std::max(FTopRow - V, 0);
        FCaret.Y = std::max(FCaret.Y - V, 0);
        SetScrollPos(sbVertical, FTopRow);
        ShowMovedCaret();
      }
      break;
    case sbThumbPosition:
      FTopRow = std::max(info.Pos, 0);
      FCaret.Y = RowCount() > V + FTopRow || FOptions.contains(aoFreeCaret) ? FTopRow : RowCount() - 1;
      ShowMovedCaret();
      break;
    case sbThumbTrack: TrackRows(info.TrackPos, shift, area); break;
    case sbEndScroll: ScrollAccelCount = 0; break;
    default: break;  // top, bottom and unknown codes
  }
}

// Line requests: up to K rows, each moving the surface's pixels and
// painting the uncovered row.
void TCustomAFEdit::LinesDown(int K, bool Shift, const TRect& Area) {
  const int V = VisibleRowCount();
  for (int i = 0; i < K; ++i) {
    if (FTopRow > RowCount() - V) continue;
    ++FTopRow;
    if (FCaret.Y < FTopRow && !Shift) ++FCaret.Y;
    ScrollWindow(0, -FRowHeight, Area);
    FUpdateRect = FTextRect;
    FUpdateRect.Top = (V - 2) * FRowHeight + FTextRect.Top;
    PaintRow(FTopRow + V - 1);
  }
  PaintRow(FTopRow + V);
}

void TCustomAFEdit::LinesUp(int K, bool Shift, const TRect& Area) {
  const int V = VisibleRowCount();
  for (int i = 0; i < K; ++i) {
    if (FTopRow - ScrollAccelCount <= 0) ScrollAccelCount = 1;
    if (FTopRow <= 0) continue;
    --FTopRow;
    if (FCaret.Y - FTopRow > V - 2 && !Shift) --FCaret.Y;
    ScrollWindow(0, FRowHeight, Area);
    FUpdateRect = FTextRect;
    FUpdateRect.Bottom = 2 * FRowHeight + FTextRect.Top;
    PaintRow(FTopRow);
  }
}

// A dragged thumb: a few rows move the pixels, more repaint the view.
void TCustomAFEdit::TrackRows(int Pos, bool Shift, const TRect& Area) {
  const int V = VisibleRowCount();
  const int old = FTopRow;
  FTopRow = std::max(Pos, 0);
  if (FTopRow > FCaret.Y && !Shift)
    FCaret.Y = FTopRow;
  else if (V + FTopRow < FCaret.Y + 2 && !Shift)
    FCaret.Y = V + FTopRow - 2;
  if (FCaret.Y >= RowCount()) FCaret.Y = RowCount() - 1;
  HideCaret();
  const int d = old - FTopRow;
  auto paintRows = [&](int From, int To) {
    for (int r = From; r <= To; ++r) {
      const int top = (r - FTopRow) * FRowHeight + FTextRect.Top;
      FUpdateRect = {FTextRect.Left, top, FTextRect.Right, top + FRowHeight};
      PaintRow(r);
    }
  };
  if (std::abs(d) >= 4) {
    Paint();
  } else if (d < 0) {
    ScrollWindow(0, d * FRowHeight, Area);
    paintRows(old + V - 1, FTopRow + V);
  } else if (d > 0) {
    ScrollWindow(0, d * FRowHeight, Area);
    paintRows(FTopRow, old - 1);
  }
  UpdateCaret();
  ShowCaret();
  FPaintedTopRow = FTopRow;
}

void TCustomAFEdit::HScrollRequest(int Code, int Pos) {
  const TPaintBatch batch(*this);
  setFocus();
  const TScrollInfo info = ScrollRecord(sbHorizontal);
  const int H = VisibleColCount();
  const int lastRow = FTopRow + VisibleRowCount();
  auto paintVisibleRows = [&] {
    HideCaret();
    for (int r = FTopRow; r <= lastRow; ++r) PaintRow(r);
    UpdateCaret();
    ShowCaret();
  };

  switch (Code) {
    case sbLineDown:  // line right
      FMaxRowLen = std::max(FMaxRowLen, FDefWrapPos + 2);
      if (FMaxRowLen - H < FLeftCol) break;
      ++FLeftCol;
      SetScrollPos(sbHorizontal, FLeftCol);
      ScrollWindow(-FCellWidth, 0, FTextRect);
      FUpdateRect = FTextRect;
      FUpdateRect.Left = (H - 4) * FCellWidth + FTextRect.Left;
      paintVisibleRows();
      break;
    case sbLineUp:  // line left
      if (FLeftCol <= 0) break;
      --FLeftCol;
      SetScrollPos(sbHorizontal, FLeftCol);
      ScrollWindow(FCellWidth, 0, FTextRect);
      FUpdateRect = FTextRect;
      FUpdateRect.Right = 2 * FCellWidth + FTextRect.Left;
      paintVisibleRows();
      break;
    case sbPageDown:  // page right; never left of the first column
      if (FLeftCol + 2 * H > info.Max)
        FLeftCol = std::max(0, info.Max - H + 1);
      else
        FLeftCol += H - 2;
      Paint();
      break;
    case sbPageUp:  // page left
      if (H > FLeftCol)
        FLeftCol = 0;
      else
        FLeftCol = std::max(0, FLeftCol - (H - 2));
      Paint();
      break;
    case sbThumbPosition:
      FLeftCol = std::max(info.Pos, 0);
      Paint();
      break;
    case sbThumbTrack: {
      const int old = FLeftCol;
      FLeftCol = std::max(0, static_cast<int>(static_cast<int16_t>(Pos)));
      SetScrollPos(sbHorizontal, FLeftCol);
      HideCaret();
      const int dx = (old - FLeftCol) * FCellWidth;
      ScrollWindow(dx, 0, FTextRect);
      FUpdateRect = FTextRect;
      if (old < FLeftCol)
        FUpdateRect.Left = dx + FTextRect.Right;
      else
        FUpdateRect.Right = dx + FTextRect.Left;
      for (int r = FTopRow; r <= lastRow; ++r) PaintRow(r);
      UpdateCaret();
      ShowCaret();
      break;
    }
    default: break;
  }
}
