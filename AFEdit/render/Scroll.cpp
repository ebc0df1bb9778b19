// The view's extent in rows and columns, and the scroll bars.
#include "AFEdit/AFEdit.h"

int TCustomAFEdit::VisibleRowCount() const noexcept {
  return FRowHeight > 0 ? (FTextRect.Bottom - FTextRect.Top) / FRowHeight : 0;
}

int TCustomAFEdit::VisibleColCount() const noexcept {
  return FCellWidth > 0 ? (FTextRect.Right - FTextRect.Left) / FCellWidth : 0;
}

void TCustomAFEdit::SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }
