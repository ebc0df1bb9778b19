// The window surface: a backing image the size of the viewport that every
// painting step draws into; the paint event only copies it to the screen and
// draws the caret over it.
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "AFEdit/AFEdit.h"

void TCustomAFEdit::ResizeSurface() {
  const QSize size = viewport()->size();
  if (FSurface.size() == size) return;
  FCanvas.SetImage(nullptr);  // no painter may outlive the old image
  FSurface = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  FSurface.fill(ToQColor(FColor, palette()));
  FCanvas.SetImage(&FSurface);
}

void TCustomAFEdit::resizeEvent(QResizeEvent* Event) {
  QAbstractScrollArea::resizeEvent(Event);
  ResizeSurface();
  FTextRect.Right = viewport()->width();
  FTextRect.Bottom = viewport()->height();
  NonClientPaint();
  // The view's extent changed: so may the need for either bar.
  SetScrollBars(FScrollBars);
  Paint();
}

void TCustomAFEdit::showEvent(QShowEvent* Event) {
  QAbstractScrollArea::showEvent(Event);
  ResizeSurface();
  NonClientPaint();
  Paint();
}

void TCustomAFEdit::changeEvent(QEvent* Event) {
  QAbstractScrollArea::changeEvent(Event);
  if (Event->type() == QEvent::PaletteChange) {
    FCanvas.SetPalette(palette());
    NonClientPaint();
    Paint();
  }
}

void TCustomAFEdit::paintEvent(QPaintEvent* Event) {
  QPainter p(viewport());
  const QRect r = Event->rect();
  p.drawImage(r, FSurface, r);
  if (FIme.Composing())
    FIme.DrawPreedit(p, PreeditRect(), ToQFont(FFont), ToQColor(FColor, palette()), ToQColor(FFont.Color, palette()),
                     FCharHeight);
  FSysCaret.Draw(p);
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

void TCustomAFEdit::ScrollWindow(int Dx, int Dy, const TRect& R) {
  FCanvas.ScrollRect(Dx, Dy, R);
  InvalidateRect(R);
}

// A repaint the row-change handler asked for during an edit shows the rows
// the edit changed; every change marks its rows dirty (inserted and deleted
// rows mark the shown rows below them too), so while the view has not
// moved, repainting the dirty rows gives the image a whole repaint would.
void TCustomAFEdit::EndOfEdit() {
  if (FPaintPending || (FChangePaintPending && FPaintedTopRow != FTopRow)) {
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
    InvalidateRect(strip);
  }
  FUpdateRect = FTextRect;
  const int last = FTopRow + VisibleRowCount();
  for (int row = FTopRow; row <= last; ++row) PaintRow(row);
  UpdateCaret();
  ShowCaret();
  PaintColumnRuler();
  FPaintedTopRow = FTopRow;
}
