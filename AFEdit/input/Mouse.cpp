// The left mouse button.  Where the pointer hovers decides its shape, and
// the shape decides what a press does: over the text it places the caret and
// starts a character selection, over the left margin it selects whole rows,
// over the ruler at a marker of the selected rows it drags the wrap column or
// the indent of every selected row (shown by a guide line drawn with an
// inverting pen).  Dragging a selection beyond the top or bottom edge scrolls
// the view a row per step while the pointer is held still.  A double click
// selects a run of one column colour, a two-byte character or a word.
//
// The mouse is captured by Qt's implicit grab: the viewport that received a
// press gets every move and the release, wherever the pointer goes.
#include <algorithm>
#include <climits>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

// Milliseconds between two rows of autoscroll.
constexpr int kAutoScrollInterval = 30;

bool IsAsciiAlnum(char C) noexcept {
  return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

}  // namespace

TPoint TCustomAFEdit::MouseToPos(int X, int Y) const noexcept {
  if (FCellWidth <= 0 || FRowHeight <= 0) return {0, 0};
  TPoint P{(X + FClickBias - FTextRect.Left) / FCellWidth + FLeftCol, (Y - FTextRect.Top) / FRowHeight + FTopRow};
  P.Y = std::clamp(P.Y, 0, Max(RowCount() - 1, 0));
  P.X = Max(P.X, 0);
  return P;
}

TPoint TCustomAFEdit::MouseCaretPos(TPoint P) {
  if (FOptions.contains(aoFreeCaret)) return P;
  // Inside the row, and before its line end: text typed after the CR would
  // leave it inside the row.
  TPoint C = ClampPos(P);
  if (RowHasLineEnd(C.Y)) C.X = Max(0, Min(C.X, ClampPos({INT_MAX, C.Y}).X - 1));
  return C;
}

// ---- hovering ----

void TCustomAFEdit::MouseHover(int X, int Y) {
  const TRect& r = FTextRect;
  if (X <= 0 || X >= r.Right || Y <= 0 || Y >= r.Bottom) {
    SetScreenCursor(crDefault);
  } else if (X > r.Left && Y > r.Top) {
    SetScreenCursor(crIBeam);
  } else if (X > r.Left) {
    // The ruler: the wrap and indent markers of the selected rows.
    bool onMarker = false;
    if (FSel.HasRowSel()) {
      const TLineAttr a = FLineAttrs.PeekAttr(FSel.FirstSelRow());
      const int col = MouseToPos(X, Y).X;
      onMarker = a.WrapPos == col || a.Indent == col;
    }
    SetScreenCursor(onMarker ? crSizeWE : crDefault);
  } else if (Y > r.Top) {
    SetScreenCursor(crRevCursor);
  }
  // The corner above the margin keeps the shape it had.
}

// ---- press ----

void TCustomAFEdit::MouseDown(int X, int Y, TShiftState Shift) {
  setFocus();
  // The shape decides; it is brought up to date for this very point (a
  // press always comes where the pointer last hovered).
  if (FMouseMode == mmNone) MouseHover(X, Y);
  const TPoint P = MouseToPos(X, Y);
  if (FMouseMode == mmNone) {
    switch (FPointer.Shape()) {
      case crSizeWE: PressMarker(P); break;
      case crIBeam: PressText(P, Shift); break;
      case crRevCursor: PressMargin(P.Y, Shift); break;
      default: break;
    }
  }
  NotifySelChange();
}

void TCustomAFEdit::PressMarker(TPoint P) {
  if (!FSel.HasRowSel()) return;
  const TLineAttr f = FLineAttrs.PeekAttr(FSel.FirstSelRow());
  if (f.WrapPos == P.X)
    FMouseMode = mmWrapMarker;
  else if (f.Indent == Min(P.X, f.WrapPos - kMarkerGap))
    FMouseMode = mmIndentMarker;
  else
    return;  // no marker here: nothing to drag, no line to leave behind
  UpdateRowSelMetrics();
  DrawGuideLine(P.X);
  FSel.FDragCol = P.X;
}

void TCustomAFEdit::PressText(TPoint P, TShiftState Shift) {
  P = SnapToChar(P, true);  // the second byte of a character is its first
  if (FSel.HasRowSel()) {
    MarkRowsDirty(FSel.FirstSelRow(), FSel.LastSelRow());
    FSel.ClearRowSel();
  }
  // A press in the text ends an input-method composition.
  FIme.Reset();
  if (Shift.contains(ssShift)) {
    // From the caret to the pointer; the caret stays.
    const int oldFirst = FSel.GetSelStart().Y, oldLast = FSel.GetSelEnd().Y;
    FSel.SetAnchorPos(ClampPos(FCaret));
    FSel.SetActivePos(ClampPos(P));
    MarkRowsDirty(Min(oldFirst, FSel.GetSelStart().Y), Max(oldLast, FSel.GetSelEnd().Y));
  } else {
    if (FSel.HasCharSel()) MarkRowsDirty(FSel.GetSelStart().Y, FSel.GetSelEnd().Y);
    FSel.FAnchorPos = FSel.FActivePos = ClampPos(P);
    HideCaret();  // until the release
    FCaret = MouseCaretPos(P);
    UpdateCaret();
  }
  FMouseMode = mmText;
  RepaintDirtyRows();
}

void TCustomAFEdit::PressMargin(int Row, TShiftState Shift) {
  MarkRowsDirty(FSel.GetSelStart().Y, FSel.GetSelEnd().Y);
  MarkRowsDirty(Row, Row);
  FSel.CollapseCharSel();
  if (FSel.HasRowSel()) MarkRowsDirty(FSel.FirstSelRow(), FSel.LastSelRow());
  if (Shift.contains(ssShift)) {
    if (!FSel.HasRowSel()) FSel.SetAnchorRow(Row);  // otherwise it is extended
    FSel.SetActiveRow(Row);
    MarkRowsDirty(FSel.FirstSelRow(), FSel.LastSelRow());
  } else {
    FSel.SetAnchorRow(Row);
    FSel.SetActiveRow(Row);
  }
  FLastDragRow = Row;  // a drag marks the rows it passes from here
  UpdateRowSelMetrics();
  RepaintDirtyRows();
  FMouseMode = mmRows;
}

// ---- moving ----

void TCustomAFEdit::MouseMove(int X, int Y, TShiftState Shift) {
  if (FAutoScrollDir != 0) {
    // Autoscroll goes on while the pointer keeps its height; sideways it
    // only moves the column the selection end is put at.
    if (Y == FAutoScrollY) {
      FAutoScrollX = X;
      return;
    }
    StopAutoScroll();
  }
  const bool held = Shift.contains(ssLeft);
  switch (FMouseMode) {
    case mmNone: MouseHover(X, Y); break;
    case mmRows:
      if (held) DragRows(X, Y);
      break;
    case mmWrapMarker: {
      // A wrap column keeps its distance from the largest selected indent.
      const int col = Max(MouseToPos(X, Y).X, FSel.FMaxIndent + kMarkerGap);
      DrawGuideLine(FSel.FDragCol);
      DrawGuideLine(col);
      FSel.FDragCol = col;
      break;
    }
    case mmIndentMarker: {
      const int col = Min(MouseToPos(X, Y).X, FSel.FMinWrapPos - kMarkerGap);
      DrawGuideLine(FSel.FDragCol);
      DrawGuideLine(col);
      FSel.FDragCol = col;
      break;
    }
    case mmText:
      if (held) DragText(X, Y);
      break;
    default: break;
  }
}

void TCustomAFEdit::DragRows(int X, int Y) {
  const TPoint P = MouseToPos(X, Y);
  if (P.Y == FLastDragRow) return;
  SetScreenCursor(crRevCursor);
  FSel.SetActiveRow(Min(P.Y, RowCount() - 1));
  if (FLastDragRow == -1) FLastDragRow = P.Y;
  MarkRowsDirty(FLastDragRow, P.Y);
  UpdateRowSelMetrics();
  RepaintDirtyRows();
  FLastDragRow = P.Y;
  if (P.Y - FTopRow > VisibleRowCount())
    StartAutoScroll(1, X, Y);
  else if (P.Y < FTopRow)
    StartAutoScroll(-1, X, Y);
}

void TCustomAFEdit::DragText(int X, int Y) {
  const TPoint P = SnapToChar(MouseToPos(X, Y), true);
  const TPoint caret = MouseCaretPos(P);
  const TPoint end = ClampPos(P);
  if (caret == FCaret && end == FSel.FActivePos) return;
  MoveTextSelEnd(end);
  FCaret = caret;  // hidden until the release
  if (P.Y - FTopRow > VisibleRowCount())
    StartAutoScroll(1, X, Y);
  else if (P.Y < FTopRow)
    StartAutoScroll(-1, X, Y);
}

void TCustomAFEdit::MoveTextSelEnd(TPoint End) {
  const TPoint old = FSel.FActivePos;
  FSel.FActivePos = End;
  if (old.Y != End.Y) {
    MarkRowsDirty(old.Y, End.Y);
    RepaintDirtyRows();
    return;
  }
  if (old.X != End.X) RepaintSelSpan(End.Y, old.X, End.X);
}

// ---- the ruler marker's guide line ----

void TCustomAFEdit::DrawGuideLine(int Col) {
  const int x = (Col - FLeftCol) * FCellWidth + FTextRect.Left;
  if (FSurface.isNull() || x < FTextRect.Left || x >= FTextRect.Right) return;
  FCanvas.PenMode = pmNot;
  FCanvas.MoveTo(x, FTextRect.Top);
  FCanvas.LineTo(x, FTextRect.Bottom);
  FCanvas.PenMode = pmCopy;
}

// ---- autoscroll ----

void TCustomAFEdit::StartAutoScroll(int Dir, int X, int Y) {
  FAutoScrollDir = Dir;
  FAutoScrollX = X;
  FAutoScrollY = Y;
  if (!FAutoScrollTimer.OnTimeout) FAutoScrollTimer.OnTimeout = [this] { AutoScrollStep(); };
  FAutoScrollTimer.Start(kAutoScrollInterval);
  AutoScrollStep();
}

void TCustomAFEdit::StopAutoScroll() {
  FAutoScrollDir = 0;
  FAutoScrollTimer.Stop();
}

// One row: the selection end goes AccelRate rows beyond the edge, the view
// scrolls one row toward it.
void TCustomAFEdit::AutoScrollStep() {
  const bool dragging = FMouseMode == mmRows || FMouseMode == mmText;
  if (FAutoScrollDir == 0 || !dragging || !LeftButtonHeld()) {
    StopAutoScroll();
    return;
  }
  const bool down = FAutoScrollDir > 0;
  const int beyond = FAccelRate * FRowHeight;
  const TPoint P = MouseToPos(FAutoScrollX, down ? FTextRect.Bottom + beyond : -beyond);
  const int top = FTopRow;
  auto scroll = [&] {
    VScrollRequest(down ? sbLineDown : sbLineUp);
    VScrollRequest(sbEndScroll);
  };
  if (FMouseMode == mmRows) {
    FSel.SetActiveRow(P.Y);
    if (down) MarkRowsDirty(FTopRow + VisibleRowCount(), FTopRow + VisibleRowCount());
    scroll();
    const int row = down ? FTopRow + VisibleRowCount() : FTopRow;
    if (!down) MarkRowsDirty(row, row);
    MarkRowsDirty(FLastDragRow, row);
    UpdateRowSelMetrics();
    RepaintDirtyRows();
    FLastDragRow = row;
  } else {
    const TPoint Q = SnapToChar(P, true);
    const TPoint old = FSel.FActivePos;
    FSel.FActivePos = ClampPos(Q);
    scroll();
    const int row = down ? FTopRow + VisibleRowCount() : FTopRow;
    MarkRowsDirty(row, row);
    MarkRowsDirty(old.Y, FSel.FActivePos.Y);
    RepaintDirtyRows();
    // The caret goes with the selection end, so that the next move repaints
    // every row between them.
    FCaret = MouseCaretPos(Q);
  }
  if (FTopRow == top) StopAutoScroll();  // the view cannot scroll further
}

// ---- release ----

void TCustomAFEdit::MouseUp(TShiftState Shift) {
  EndMouseMode(Shift);
  NotifySelChange();
}

void TCustomAFEdit::EndMouseMode(TShiftState Shift) {
  StopAutoScroll();
  switch (FMouseMode) {
    case mmRows: {
      // The caret goes to the start of the row after the selection, or to
      // the end of the document when the selection reaches it.
      const int next = FSel.LastSelRow() + 1;
      FCaret = next < RowCount() || FOptions.contains(aoFreeCaret) ? TPoint{0, next}
                                                                    : ClampPos({INT_MAX, RowCount() - 1});
      PaintColumnRuler();
      UpdateCaret();
      FMouseMode = mmNone;
      break;
    }
    case mmWrapMarker:
    case mmIndentMarker: FinishMarkerDrag(Shift); break;
    case mmText:
      UpdateCaret();
      ShowCaret();
      FMouseMode = mmNone;
      break;
    default: break;
  }
}

void TCustomAFEdit::FinishMarkerDrag(TShiftState Shift) {
  const bool wrap = FMouseMode == mmWrapMarker;
  DrawGuideLine(FSel.FDragCol);
  // The limits of a drag hold also when the pointer never moved.
  const int col = wrap ? Max(FSel.FDragCol, FSel.FMaxIndent + kMarkerGap)
                       : Min(FSel.FDragCol, FSel.FMinWrapPos - kMarkerGap);
  ++FEditGroup;
  const int first = FSel.FirstSelRow(), last = FSel.LastSelRow();
  const int delta = col - FLineAttrs.PeekAttr(first).Indent;
  for (int r = first; r <= last; ++r) {
    const TLineAttr old = FLineAttrs.GetAttr(r);
    TLineAttr rec = old;
    if (wrap) {
      rec.WrapPos = static_cast<int16_t>(col);
    } else {
      // With Shift every row takes the marker's column, else every row moves
      // by as much as the first (the rows keep their relative indents);
      // either way an indent stays clear of its row's wrap column.
      const int indent = Shift.contains(ssShift) ? col : old.Indent + delta;
      rec.Indent = static_cast<int16_t>(Max(0, Min(indent, old.WrapPos - kMarkerGap)));
    }
    SetRowAttr(r, rec);
  }
  FireUndoChange(FUndoBuff.CanUndo(), false);
  // Re-wrap changes the number of selected rows as it goes.
  for (int r = FSel.FirstSelRow(); r <= FSel.LastSelRow(); ++r) RewrapRow(r);
  UpdateRowSelMetrics();
  FMouseMode = mmNone;
  Paint();
}

// ---- double click ----

bool TCustomAFEdit::MouseDblClick(int X) {
  // The toolkit delivers the pair's second press before the double click:
  // what that press began ends here, as after a single click, and a marker
  // drag it began is dropped.
  if (FMouseMode == mmWrapMarker || FMouseMode == mmIndentMarker) {
    DrawGuideLine(FSel.FDragCol);
    FMouseMode = mmNone;
  }
  EndMouseMode({});

  if (FCaret.Y < 0 || FCaret.Y >= RowCount() || X < FLeftMgn) return false;
  const int row = FCaret.Y;
  const std::string_view T = FLines.View(row);
  const int len = static_cast<int>(T.size());
  // The stored byte at the caret; a caret inside the indent stands at the
  // first byte of the text.
  const int B = PosToByteIndex(FCaret);
  if (B >= len) return false;

  // A run of bytes with an active column attribute of one colour and style.
  TColAttrList* attrs = GetColAttrs(row);
  auto activeAt = [&](int b) -> const TColAttr* {
    if (b < 0 || b >= len || b >= attrs->Count() || !attrs->At(b).Active) return nullptr;
    return &attrs->At(b);
  };
  if (const TColAttr* at = activeAt(B)) {
    const TColor color = at->Color;
    const TFontStyles style = at->Style;
    auto same = [&](int b) {
      const TColAttr* a = activeAt(b);
      return a && a->Color == color && a->Style == style;
    };
    for (int b = B; same(b); --b) FSel.FAnchorPos = ByteToDisplayPos({b, row});
    for (int b = B; same(b); ++b) FSel.FActivePos = ByteToDisplayPos({b + 1, row});
    return true;
  }

  // A two-byte character.
  const TMbcsByteType type = ByteType(T, static_cast<size_t>(B));
  if ((type == mbLeadByte && B + 1 < len) || type == mbTrailByte) {
    const int lead = type == mbTrailByte ? B - 1 : B;
    FSel.FAnchorPos = ByteToDisplayPos({lead, row});
    FSel.FActivePos = ByteToDisplayPos({lead + 2, row});
    return true;
  }

  // A word of ASCII letters and digits, across wrapped rows.
  auto wordAt = [&](int r, int b) {
    const std::string_view s = FLines.View(r);
    return b >= 0 && b < static_cast<int>(s.size()) && IsAsciiAlnum(s[static_cast<size_t>(b)]) &&
           ByteType(s, static_cast<size_t>(b)) == mbSingleByte;
  };
  for (int r = row, p = B; wordAt(r, p);) {
    FSel.FAnchorPos = ByteToDisplayPos({p, r});
    if (--p < 0) {
      if (r == 0) break;
      --r;
      p = static_cast<int>(FLines.View(r).size()) - 1;
    }
  }
  for (int r = row, p = B; wordAt(r, p);) {
    FSel.FActivePos = ByteToDisplayPos({++p, r});
    if (p >= static_cast<int>(FLines.View(r).size())) {
      if (r == RowCount() - 1) break;
      ++r;
      p = 0;
    }
  }
  return true;
}

void TCustomAFEdit::MouseDblClickDone() {
  NotifySelChange();
  MarkRowsDirty(FSel.GetSelStart().Y, FSel.GetSelEnd().Y);
  RepaintDirtyRows();
}
