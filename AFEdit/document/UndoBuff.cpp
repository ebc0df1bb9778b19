#include "AFEdit/document/UndoBuff.h"

TUndoBuff::TUndoBuff(int InitialSlots) : FSlots(static_cast<size_t>(InitialSlots > 0 ? InitialSlots : 0)) {}

const TUndoBuffItem* TUndoBuff::Slot(int Index) const {
  if (Index < 0 || Index >= SlotCount()) return nullptr;
  const TSlot& s = FSlots[static_cast<size_t>(Index)];
  return s.Used ? &s.Item : nullptr;
}

TUndoBuffItem* TUndoBuff::UndoItem() {
  if (FPos <= 0 || FPos > SlotCount()) return nullptr;
  TSlot& s = FSlots[static_cast<size_t>(FPos - 1)];
  return s.Used ? &s.Item : nullptr;
}

TUndoBuffItem* TUndoBuff::RedoItem() {
  if (FPos < 0 || FPos >= FTop || FPos >= SlotCount()) return nullptr;
  TSlot& s = FSlots[static_cast<size_t>(FPos)];
  return s.Used ? &s.Item : nullptr;
}

void TUndoBuff::SetCapacity(int N) {
  if (N < 0) N = 0;
  FSlots.resize(static_cast<size_t>(N));
  if (FTop > N) FTop = N;
  if (FPos > N) FPos = N;
}

void TUndoBuff::Reset() {
  for (TSlot& s : FSlots) {
    s.Item = TUndoBuffItem{};  // releases the texts
    s.Used = false;
  }
  FPos = 0;
  FSavedPos = 0;
  FCanUndo = false;
  FDiscarding = false;
}

void TUndoBuff::Clear() {
  Reset();
  FSlots.clear();
}

// Drops the items of the oldest group.  The saved position moves down with the
// items; when the saved state itself is dropped it can no longer be reached.
void TUndoBuff::DropOldestGroup() {
  if (FSlots.empty() || !FSlots.front().Used) return;
  const int32_t g = FSlots.front().Item.Group;
  while (!FSlots.empty() && FSlots.front().Used && FSlots.front().Item.Group == g) {
    FSlots.pop_front();
    FSlots.emplace_back();
    --FPos;
    if (FTop > 0) --FTop;
    if (FSavedPos > 0)
      --FSavedPos;
    else
      FSavedPos = -1;
  }
}

// Gives up recording the current group: the history is cleared once and the
// group's further items are not recorded, so no part of the group can be
// undone on its own.  The document now differs from every state the history
// could return to, so the saved state becomes unreachable.
void TUndoBuff::DiscardGroup(int Group) {
  if (!FDiscarding) Reset();
  FDiscarding = true;
  FCanUndo = false;
  FSavedPos = -1;
  FLastGroup = Group;
}

void TUndoBuff::AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                        const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
                        int Row2) {
  if (Group == FLastGroup) {
    ++FGroupRun;
  } else {
    FGroupRun = 0;
    FDiscarding = false;
  }
  FCanUndo = true;

  if (FUndoMax < 0) {
    FDiscarding = false;
    if (FPos >= SlotCount() - 1) FSlots.emplace_back();
  } else {
    if (FDiscarding || FGroupRun >= SlotCount()) return DiscardGroup(Group);
    if (SlotCount() != FUndoMax) {
      // The history was made smaller (or bounded) while it held more than
      // fits: the oldest groups go, never the newest, so that what remains
      // still undoes in order from the current state.
      while (FPos > 0 && FPos > FUndoMax - 1) {
        if (FSlots.front().Used && FSlots.front().Item.Group == Group) return DiscardGroup(Group);
        DropOldestGroup();
      }
      SetCapacity(FUndoMax);
    }
    if (FPos >= SlotCount() - 1) {
      // Dropping the current group's own first items would leave a part of
      // it to undo alone.
      if (!FSlots.empty() && FSlots.front().Used && FSlots.front().Item.Group == Group)
        return DiscardGroup(Group);
      DropOldestGroup();
    }
    if (FPos >= SlotCount()) return DiscardGroup(Group);  // no slots at all
  }

  // The redo range is cut: a saved state inside it can never come back.
  if (FSavedPos > FPos) FSavedPos = -1;

  TSlot& s = FSlots[static_cast<size_t>(FPos)];
  TUndoBuffItem& it = s.Item;
  s.Used = true;
  it.Group = Group;
  it.Row = Row;
  it.Row2 = Row2;
  it.CaretCol = Caret.X;
  it.CaretRow = Caret.Y;
  it.Kind = Kind;
  it.OldText = OldText;
  it.NewText = NewText;
  it.OldAttr = OldAttr;
  it.OldAttr.ColAttrs = nullptr;
  it.NewAttr = NewAttr;
  it.NewAttr.ColAttrs = nullptr;
  ++FPos;
  FTop = FPos;
  FLastGroup = Group;
}
