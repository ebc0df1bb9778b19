// TUndoBuff: the undo history, a list of slots with a position pointer.
// Items carry an edit group; undo and redo always process whole groups.
//
// Invariants (Check() verifies them):
// - 0 <= Pos() <= Top() <= SlotCount(); slots [0, Top()) hold items, the
//   others are empty.  Pos() items are applied; [Pos(), Top()) can be redone.
// - SavedPos() is -1 (the saved state can no longer be reached) or lies in
//   [0, Top()].
// - An unlimited history always has a free slot at Pos() after a recording.
//   A bounded one takes its slot count from UndoMax() at the next recording.
// - Items below SealedTop() belong to complete groups: their runs are sealed
//   (or kept open because sealing would not pay) and never change again.
//   SealedTop() <= Top().
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>
#include <string>

#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowRun.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/platform/Types.h"

// ukRowsChanged: a run of consecutive rows changed within one group, all
// from one record to one other (an unlimited history's form of the changes a
// re-wrap makes; see TRowRun).  A run undoes and redoes exactly as the row
// changes it stands for would as single items, caret included.
// ukRowsInserted: a run of rows inserted one after another within one group,
// all with one record (re-wrap splitting a long row); the run's old texts
// are empty.
enum : uint8_t { ukRowInserted = 0, ukRowDeleted = 1, ukRowChanged = 2, ukRowsChanged = 3, ukRowsInserted = 4 };

struct TUndoBuffItem {
  int32_t Group = 0;
  int32_t Row = 0;
  int32_t Row2 = 0;
  int32_t CaretCol = 0;
  int32_t CaretRow = 0;
  uint8_t Kind = 0;
  bool SlotUsed = false;  // the history's own mark: the slot holds an item
  TRowStr OldText;  // shares the row's text: no copy is made
  TRowStr NewText;
  TLineAttr OldAttr;
  TLineAttr NewAttr;
  std::shared_ptr<TRowRun> Run;  // ukRowsChanged, ukRowsInserted: the rows' texts

  bool IsRun() const noexcept { return Kind == ukRowsChanged || Kind == ukRowsInserted; }
  // Rows the item changes.
  int RowCount() const noexcept { return IsRun() ? Run->Count() : 1; }
  // The caret before the item's first change (where undo leaves it) and
  // before its last one (where redo leaves it).
  TPoint FirstCaret() const noexcept { return {CaretCol, CaretRow}; }
  TPoint LastCaret() const noexcept {
    return IsRun() ? Run->Caret(Run->Count() - 1) : FirstCaret();
  }
  // Calls F(text) for every text the item holds.
  template <class F>
  void ForEachText(F&& f) const {
    if (IsRun()) {
      for (const TRowStr& c : Run->Chunks()) f(c);
      return;
    }
    f(OldText);
    f(NewText);
  }
};

class TUndoBuff {
public:
  explicit TUndoBuff(int InitialSlots = 100);

  // Records one item.  The redo range is cut first; a bounded history then
  // drops its oldest groups to make room, and gives up on a group that
  // needs more slots than it has (the group is not recorded at all).
  void AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
               const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
               int Row2 = 0);
  TUndoBuffItem* UndoItem();
  TUndoBuffItem* RedoItem();
  void StepBack() noexcept {
    if (FPos > 0) --FPos;
  }
  void StepForward() noexcept {
    if (FPos < FTop) ++FPos;
  }
  // Empties every slot (the slot count stays); nothing to undo or redo.
  void Reset();
  // Reset, and the next item starts a group of its own whatever its number
  // (a new document: no group of the old one continues).
  void StartNewHistory();
  // Reset, then removes all slots.
  void Clear();
  // Closes the items recorded since the last call: their runs are sealed,
  // and a small text an item alone keeps its chunk alive for gets a copy of
  // its own, so that the history holds what its edits changed and little
  // more.  Called when an edit ends and when a new group starts; later
  // changes of the same group are recorded as items of their own.
  void SealRecent();
  int SealedTop() const noexcept { return FSealedTop; }
  // Heap bytes the items hold beside the texts they share with the rows.
  size_t HeldBytes() const;

  // Negative: unlimited; otherwise the number of slots, applied at the next
  // recorded item.
  int UndoMax() const noexcept { return FUndoMax; }
  void SetUndoMax(int Value) noexcept { FUndoMax = Value; }

  int SlotCount() const noexcept { return static_cast<int>(FSlots.size()); }
  int Pos() const noexcept { return FPos; }
  int Top() const noexcept { return FTop; }
  int SavedPos() const noexcept { return FSavedPos; }
  int LastGroup() const noexcept { return FLastGroup; }
  int GroupRun() const noexcept { return FGroupRun; }
  // What the row operations report as "can undo".
  bool CanUndo() const noexcept { return FCanUndo; }
  // The item in a slot, or nullptr when the slot is empty.
  const TUndoBuffItem* Slot(int Index) const;
  // Records the current position as the saved state.
  void MarkSaved() noexcept { FSavedPos = FPos; }
  // No state in the history is the saved one (a document restored from
  // elsewhere than its file).
  void MarkUnsaved() noexcept { FSavedPos = -1; }
  bool Modified() const noexcept { return FPos != FSavedPos; }

  // Checks the invariants above; returns what is wrong, or an empty string.
  std::string Check() const;

private:
  // A slot is an item whose SlotUsed says whether it holds one (the mark
  // lives in the item's padding, so a slot costs no more than its item).
  struct TSlot {
    TUndoBuffItem Item;
  };
  void SetSlotCount(int N);
  int CollapseChanges(int From);
  std::vector<TSlot> ChangesAsRuns(int From, int To) const;
  bool MergeRowChange(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                      const TRowStr& NewText, const TRowStr& OldText);
  bool ExtendRowRun(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                    const TRowStr& NewText, const TRowStr& OldText, TPoint Caret);
  bool MergeIntoInsert(TUndoBuffItem& It, int I, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                       const TRowStr& NewText, const TRowStr& OldText);
  bool ExtendInsertRun(int Group, int Row, const TLineAttr& NewAttr, const TRowStr& NewText, TPoint Caret);
  bool OpenTail(int Group) const;
  int SplitRun(int Slot, int From);
  void CutRedo();
  bool DropOldestGroup(int CurrentGroup);
  void DiscardGroup(int Group);
  bool FrontIsGroup(int Group) const;

  int32_t FLastGroup = 0;
  int32_t FGroupRun = 0;  // items recorded in a row with the same group, minus one
  bool FCanUndo = false;
  int32_t FPos = 0;
  int32_t FSavedPos = 0;
  int32_t FTop = 0;
  int32_t FUndoMax = -1;
  int32_t FSealedTop = 0;
  bool FDiscarding = false;  // the current group overflowed and is not recorded
  bool FFreshGroup = false;  // the next item starts a group whatever its number

  std::deque<TSlot> FSlots;
};
