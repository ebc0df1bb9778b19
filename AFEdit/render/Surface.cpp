// The window surface: a backing image the size of the viewport, in the
// screen's device pixels, that every painting step draws into; the paint
// event only copies it to the screen and draws the caret over it.  What is
// drawn reaches the screen through the canvas's damage, which the one
// repaint seam, InvalidateRect, turns into viewport updates.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Screen.h"

qreal TCustomAFEdit::SurfaceRatio() const {
  return FRatioOverride > 0 ? FRatioOverride : ScreenRatio(*viewport());
}

void TCustomAFEdit::SetSurfaceRatio(qreal Ratio) {
  FRatioOverride = Ratio;
  SurfaceRatioChanged();
}

void TCustomAFEdit::ResizeSurface() {
  FCanvas.SetImage(nullptr);  // no painter may outlive the old image
  FitBackingImage(FSurface, viewport()->size(), SurfaceRatio(), ToQColor(FColor, palette()));
  FCanvas.SetImage(&FSurface);
}

// A move to a screen of another ratio: the image is made anew at the new
// resolution and painted whole.
void TCustomAFEdit::SurfaceRatioChanged() {
  if (FSurface.isNull() || FSurface.devicePixelRatio() == SurfaceRatio()) return;
  ResizeSurface();
  NonClientPaint();
  Paint();
}

// The one place where a changed rectangle of the control becomes a request
// to show it again: everything that draws says which part changed.
void TCustomAFEdit::InvalidateRect(const TRect& R) {
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;
  if (FPaintBatchDepth == 0) {
    viewport()->update(ToQRect(R));
  } else if (FInvalid.Right <= FInvalid.Left) {
    FInvalid = R;
  } else {
    FInvalid = {std::min(FInvalid.Left, R.Left), std::min(FInvalid.Top, R.Top), std::max(FInvalid.Right, R.Right),
                std::max(FInvalid.Bottom, R.Bottom)};
  }
}

void TCustomAFEdit::BeginPaintBatch() {
  ++FPaintBatchDepth;
  FCanvas.BeginBatch();
}

void TCustomAFEdit::EndPaintBatch() {
  FCanvas.EndBatch();
  if (--FPaintBatchDepth > 0) return;
  const TRect r = FInvalid;
  FInvalid = {};
  InvalidateRect(r);
}

// Called once the view's first row and column have moved.  A move the
// device pixels cannot make exactly (a fractional ratio) paints the whole
// area anew instead, so the image stays what a full repaint would give.
void TCustomAFEdit::ScrollWindow(int Dx, int Dy, const TRect& R) {
  if (FCanvas.ScrollRect(Dx, Dy, R)) return;
  const TPaintBatch batch(*this);
  const TRect saved = FUpdateRect;
  FUpdateRect = R;
  const int last = FTopRow + VisibleRowCount();
  for (int row = FTopRow; row <= last; ++row) PaintRow(row);
  FUpdateRect = saved;
}

// A repaint the row-change handler asked for during an edit shows the rows
// the edit changed; every change marks its rows dirty (inserted and deleted
// rows mark the shown rows below them too), so while the view has not
// moved, repainting the dirty rows gives the image a whole repaint would.
void TCustomAFEdit::EndOfEdit() {
  const bool widened = FChangePaintPending && FitMarginToRowNumbers();
  if (FPaintPending || widened || (FChangePaintPending && FPaintedTopRow != FTopRow)) {
    Paint();
  } else if (FChangePaintPending) {
    FChangePaintPending = false;
    RepaintDirtyRows();
  }
}

void TCustomAFEdit::Paint() {
  if (FSurface.isNull()) return;
  if (FEditDepth > 0) {
    (FInChangeHandler ? FChangePaintPending : FPaintPending) = true;
    return;
  }
  FPaintPending = FChangePaintPending = false;
  FitMarginToRowNumbers();
  const TPaintBatch batch(*this);
  HideCaret();
  // What lies outside the rows and the ruler shows the background: the
  // strip above the text when there is no ruler, and the gap below it.
  const int rulerBottom = FViewOpt.contains(voColIndicate) ? FTextRect.Top - FTopMgn : 0;
  if (FTextRect.Top > rulerBottom) {
    const TRect strip{FViewOpt.contains(voColIndicate) ? FTextRect.Left : 0, rulerBottom, FTextRect.Right,
                      FTextRect.Top};
    FCanvas.BrushColor = FColor;
    FCanvas.FillRect(strip);
  }
  FUpdateRect = FTextRect;
  const int last = FTopRow + VisibleRowCount();
  for (int row = FTopRow; row <= last; ++row) PaintRow(row);
  UpdateCaret();
  ShowCaret();
  PaintColumnRuler();
  FPaintedTopRow = FTopRow;
}
