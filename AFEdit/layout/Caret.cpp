// The caret: where it is shown and in which shape, the input method's
// window that follows it, and the repaint of the rows a change left dirty.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

void TCustomAFEdit::UpdateCaret() {
  if (!hasFocus()) return;
  const int row = FCaret.Y;
  if (row < 0 || (row >= RowCount() && !FOptions.contains(aoFreeCaret))) return;
  FCaret = SnapToChar(FCaret, false);
  const int x = (FCaret.X - FLeftCol) * FCellWidth + FTextRect.Left;
  const int y = (row - FTopRow) * FRowHeight + FTextRect.Top;
  bool wide = false;
  if (row < RowCount()) {
    const std::string d = RowDisplayText(row);
    wide = FCaret.X >= 0 && FCaret.X < static_cast<int>(d.size()) &&
           ByteType(d, static_cast<size_t>(FCaret.X)) == mbLeadByte;
  }
  if (FBatchEdit) return;

  HideCaret();
  if (FInsertMode != FCaretShapeMode || wide != FCaretShapeWide || FSysCaret.Width() == 0) {
    if (FInsertMode)
      CreateCaret(2, FCharHeight);
    else if (wide)
      CreateCaret(FCharHeight, FCharHeight);
    else
      CreateCaret(FCharHeight / 2, FCharHeight);
    FCaretShapeMode = FInsertMode;
    FCaretShapeWide = wide;
  }
  // While composing, the caret stands where the input method's cursor is
  // in the preedit shown from the insertion point.
  SetCaretPixelPos(x + FIme.CursorCells() * FCellWidth, y);
  if (x >= FTextRect.Left && x < FTextRect.Right && y >= FTextRect.Top && y < FTextRect.Bottom) {
    for (int i = 0; i <= FCaretHideCount; ++i) ShowCaret();
    FCaretHideCount = 0;
    FIme.SetAnchor({x, y});
    TInputMethod::Update();
  } else {
    ++FCaretHideCount;
  }
  if (OnStatusChange) OnStatusChange(this);
  // The ruler last drawn shows another caret column, first column, or the
  // markers of a row with another wrap column or indent.
  if (FCaret.X != FPrevCaretCol || FLeftCol != FPrevLeftCol || RulerMarkers() != FPrevMarkers) PaintColumnRuler();
  SetScrollBars(FScrollBars);
}

void TCustomAFEdit::ScrollToCaret() {
  SetScrollBars(FScrollBars);
  const int T = FTopRow, L = FLeftCol;
  const int V = VisibleRowCount(), H = VisibleColCount();
  const int X = FCaret.X, Y = FCaret.Y;
  // A thumb-position request puts the caret on the new top row, as a moved
  // scroll box does; here the view follows the caret, which stays.
  const TPoint caret = FCaret;
  if (Y < T - 1) {
    SetScrollPos(sbVertical, Y);
    VScrollRequest(sbThumbPosition);
    FCaret = caret;
  } else if (Y == T - 1) {
    VScrollRequest(sbLineUp);
  } else if (Y == T + V - 1) {
    VScrollRequest(sbLineDown);
  } else if (Y >= T + V) {
    SetScrollPos(sbVertical, Y - V + 1);
    VScrollRequest(sbThumbPosition);
    FCaret = caret;
  }
  if (X < L - 1) {
    SetScrollPos(sbHorizontal, X);
    HScrollRequest(sbThumbPosition);
  } else if (X == L - 1) {
    HScrollRequest(sbLineUp);
  } else if (X == L + H - 2) {
    HScrollRequest(sbLineDown);
  } else if (X >= L + H - 1) {
    SetScrollPos(sbHorizontal, X - H + 1);
    HScrollRequest(sbThumbPosition);
  }

  const TPoint before = FSel.FActivePos;
  UpdateCaret();
  if (FShiftSel) {
    FSel.FActivePos = ClampPos(FCaret);
  } else if (FSel.HasCharSel()) {
    MarkRowsDirty(FSel.GetSelStart().Y, FSel.GetSelEnd().Y);
    FSel.FActivePos = FSel.FAnchorPos = ClampPos(FCaret);
    RepaintDirtyRows();
  }
  const TPoint after = FSel.FActivePos;
  if (after.Y != before.Y) {
    MarkRowsDirty(before.Y, FCaret.Y);
    RepaintDirtyRows();
  } else {
    HideCaret();
    RepaintSelSpan(FCaret.Y, before.X, after.X);
    ShowCaret();
  }
}

void TCustomAFEdit::RepaintSelSpan(int Row, int From, int To) {
  if (From > To) std::swap(From, To);
  const int y = (Row - FTopRow) * FRowHeight + FTextRect.Top;
  const int indent = Row >= 0 && Row < RowCount() ? std::max<int>(FLineAttrs.PeekAttr(Row).Indent, 0) : 0;
  if (From <= indent)
    FUpdateRect = {FTextRect.Left, y, FTextRect.Right, y + FRowHeight};
  else
    FUpdateRect = {(From - FLeftCol) * FCellWidth + FTextRect.Left, y, (To - FLeftCol) * FCellWidth + FTextRect.Left,
                   y + FRowHeight};
  PaintRow(Row);
}

void TCustomAFEdit::RepaintDirtyRows() {
  const TPaintBatch batch(*this);
  if (FPaintedTopRow == FTopRow) {
    HideCaret();
    const int last = FTopRow + VisibleRowCount();
    for (int i = FTopRow; i <= last; ++i) {
      if (i >= RowCount()) break;
      if (FLineAttrs.PeekAttr(i).Dirty || i == FLineAttrs.Count() - 1) {
        FUpdateRect = {FTextRect.Left, (i - FTopRow) * FRowHeight + FTextRect.Top, FTextRect.Right,
                       (i - FTopRow + 1) * FRowHeight + FTextRect.Top};
        PaintRow(i);
        if (!FBatchEdit && FLineAttrs.PeekAttr(i).Dirty) FLineAttrs.GetAttr(i).Dirty = false;
      }
    }
    ShowCaret();
  } else {
    Paint();
  }
  PaintColumnRuler();
  FPaintedTopRow = FTopRow;
}
