// TUndoBuff: the undo history, a list of slots with a position pointer.
// Items carry an edit group; undo and redo always process whole groups.
#pragma once

#include <cstdint>
#include <deque>

#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/platform/Types.h"

enum : uint8_t { ukRowInserted = 0, ukRowDeleted = 1, ukRowChanged = 2 };

struct TUndoBuffItem {
  int32_t Group = 0;
  int32_t Row = 0;
  int32_t Row2 = 0;
  int32_t CaretCol = 0;
  int32_t CaretRow = 0;
  uint8_t Kind = 0;
  TRowStr OldText;  // shares the row's text: no copy is made
  TRowStr NewText;
  TLineAttr OldAttr;  // never owns a column list
  TLineAttr NewAttr;
};

class TUndoBuff {
public:
  explicit TUndoBuff(int InitialSlots = 100);

  void AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
               const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
               int Row2 = 0);
  TUndoBuffItem* UndoItem();
  TUndoBuffItem* RedoItem();
  void StepBack() noexcept { --FPos; }
  void StepForward() noexcept { ++FPos; }
  void SetCapacity(int N);
  void Reset();
  void Clear();

  int SlotCount() const noexcept { return static_cast<int>(FSlots.size()); }
  // The item in a slot, or nullptr when the slot is empty.
  const TUndoBuffItem* Slot(int Index) const;
  // Records the current position as the saved state.
  void MarkSaved() noexcept { FSavedPos = FPos; }
  bool Modified() const noexcept { return FPos != FSavedPos; }

  int32_t FLastGroup = 0;
  int32_t FGroupRun = 0;
  bool FCanUndo = false;
  int32_t FPos = 0;
  int32_t FSavedPos = 0;  // -1: the saved state can no longer be reached
  int32_t FTop = 0;
  int32_t FUndoMax = -1;

private:
  struct TSlot {
    TUndoBuffItem Item;
    bool Used = false;
  };
  void DropOldestGroup();
  void DiscardGroup(int Group);

  bool FDiscarding = false;  // the current group overflowed and is not recorded

  std::deque<TSlot> FSlots;
};
