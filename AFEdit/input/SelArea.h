// TSelArea: the character selection (between two display positions) and the
// row selection (whole display rows) of one control.
#pragma once

#include <cstdint>

#include "AFEdit/platform/Types.h"

class TSelArea {
public:
  TPoint GetSelStart() const noexcept;
  TPoint GetSelEnd() const noexcept;
  int FirstSelRow() const noexcept { return FAnchorRow < FActiveRow ? FAnchorRow : FActiveRow; }
  int LastSelRow() const noexcept { return FAnchorRow > FActiveRow ? FAnchorRow : FActiveRow; }
  void SetAnchorPos(TPoint P) noexcept { FAnchorPos = P; }
  void SetActivePos(TPoint P) noexcept { FActivePos = P; }
  void SetAnchorRow(int Row) noexcept { FAnchorRow = Row; }
  void SetActiveRow(int Row) noexcept { FActiveRow = Row; }
  bool HasCharSel() const noexcept { return !(FAnchorPos == FActivePos); }
  bool HasRowSel() const noexcept { return FAnchorRow >= 0; }
  bool RowInSel(int Row) const noexcept { return HasRowSel() && FirstSelRow() <= Row && Row <= LastSelRow(); }
  bool PosInSel(int Col, int Row) const noexcept;
  // A row was inserted after row Row (RowInserted), or row Row was deleted
  // (RowDeleted): a selection after the change moves with its rows, one
  // holding Row grows (shrinks) at its larger end.
  void RowInserted(int Row) noexcept;
  void RowDeleted(int Row) noexcept;
  // No selection, and both character ends at the start of the document.
  void Reset() noexcept {
    ClearRowSel();
    FAnchorPos = FActivePos = TPoint{0, 0};
  }
  void CollapseCharSel() noexcept { FAnchorPos = FActivePos; }
  void ClearRowSel() noexcept {
    FAnchorRow = -1;
    FActiveRow = -1;
  }
  // 0: unchanged, 1: a selection appeared, 2: the selection went away.
  int CheckSelChange() noexcept;

  bool FSelected = false;
  TPoint FActivePos{0, 0};
  int32_t FActiveRow = 0;
  TPoint FAnchorPos{0, 0};
  int32_t FAnchorRow = 0;
  int32_t FDragCol = 0;
  int32_t FMaxIndent = 0;
  int32_t FMinWrapPos = 0;
};
