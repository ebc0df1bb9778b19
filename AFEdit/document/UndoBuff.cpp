#include "AFEdit/document/UndoBuff.h"

TUndoBuff::TUndoBuff(int InitialSlots) : FSlots(static_cast<size_t>(InitialSlots > 0 ? InitialSlots : 0)) {}

const TUndoBuffItem* TUndoBuff::Slot(int Index) const {
  if (Index < 0 || Index >= SlotCount()) return nullptr;
  const TSlot& s = FSlots[static_cast<size_t>(Index)];
  return s.Item.SlotUsed ? &s.Item : nullptr;
}

TUndoBuffItem* TUndoBuff::UndoItem() {
  if (FPos <= 0) return nullptr;
  return &FSlots[static_cast<size_t>(FPos - 1)].Item;
}

TUndoBuffItem* TUndoBuff::RedoItem() {
  if (FPos >= FTop) return nullptr;
  return &FSlots[static_cast<size_t>(FPos)].Item;
}

void TUndoBuff::SetSlotCount(int N) {
  if (N < 0) N = 0;
  if (N < FTop) {  // the slots that go take their items with them
    FTop = N;
    if (FPos > N) FPos = N;
    if (FSavedPos > N) FSavedPos = -1;
  }
  FSlots.resize(static_cast<size_t>(N));
}

void TUndoBuff::Reset() {
  for (TSlot& s : FSlots) {
    s.Item = TUndoBuffItem{};  // releases the texts
    s.Item.SlotUsed = false;
  }
  FPos = 0;
  FTop = 0;
  FSavedPos = 0;
  FCanUndo = false;
  FDiscarding = false;
}

void TUndoBuff::StartNewHistory() {
  Reset();
  FFreshGroup = true;
  FGroupRun = 0;
}

void TUndoBuff::Clear() {
  Reset();
  FSlots.clear();
}

// Frees the items that could have been redone.  A saved state among them can
// never come back.
void TUndoBuff::CutRedo() {
  for (int i = FPos; i < FTop; ++i) {
    TSlot& s = FSlots[static_cast<size_t>(i)];
    s.Item = TUndoBuffItem{};
    s.Item.SlotUsed = false;
  }
  FTop = FPos;
  if (FSavedPos > FPos) FSavedPos = -1;
}

bool TUndoBuff::FrontIsGroup(int Group) const {
  return !FSlots.empty() && FSlots.front().Item.SlotUsed && FSlots.front().Item.Group == Group;
}

// Drops the items of the oldest group; they all lie below the position, since
// recording cuts the redo range first.  The saved position moves down with
// the items; when the saved state itself is dropped it can no longer be
// reached.  Refuses (false) to drop the current group's own first items,
// which would leave a part of it to undo alone.
bool TUndoBuff::DropOldestGroup(int CurrentGroup) {
  if (FPos == 0 || !FSlots.front().Item.SlotUsed) return true;
  const int32_t g = FSlots.front().Item.Group;
  if (g == CurrentGroup && FGroupRun > 0) return false;
  while (FPos > 0 && FrontIsGroup(g)) {
    FSlots.pop_front();
    FSlots.emplace_back();
    --FPos;
    --FTop;
    FSavedPos = FSavedPos > 0 ? FSavedPos - 1 : -1;
  }
  return true;
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

// A row changed again within its group, with only changes of other rows in
// between (re-wrap changes each row twice, the row after it in between):
// the earlier item takes the new state, and undo and redo give the same
// rows with one item fewer.
bool TUndoBuff::MergeRowChange(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                               const TRowStr& NewText, const TRowStr& OldText) {
  if (Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop) return false;
  for (int back = 1; back <= 2 && FPos - back >= 0; ++back) {
    TSlot& s = FSlots[static_cast<size_t>(FPos - back)];
    TUndoBuffItem& it = s.Item;
    if (!s.Item.SlotUsed || it.Group != Group || it.Kind != ukRowChanged) return false;
    if (it.Row != Row) continue;
    if (!it.NewText.SharesWith(OldText) || !(it.NewAttr == OldAttr)) return false;
    if (FSavedPos > FPos - back) return false;  // the saved state lies after that item
    it.NewText = NewText;
    it.NewAttr = NewAttr;
    FCanUndo = true;
    return true;
  }
  return false;
}

void TUndoBuff::AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                        const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
                        int Row2) {
  if (Kind == ukRowChanged && MergeRowChange(Group, Row, NewAttr, OldAttr, NewText, OldText)) return;
  if (Group == FLastGroup && !FFreshGroup) {
    ++FGroupRun;
  } else {
    FGroupRun = 0;
    FDiscarding = false;
  }
  FFreshGroup = false;
  FCanUndo = true;
  CutRedo();

  if (FDiscarding) return DiscardGroup(Group);
  if (FUndoMax < 0) {
    if (FPos >= SlotCount() - 1) FSlots.emplace_back();
  } else {
    if (SlotCount() != FUndoMax) {
      // A new size takes effect now.  A history made smaller drops its
      // oldest groups, never its newest, so that what remains still undoes
      // in order from the current state.
      while (FPos > FUndoMax - 1 && FPos > 0)
        if (!DropOldestGroup(Group)) return DiscardGroup(Group);
      SetSlotCount(FUndoMax);
    }
    if (FGroupRun >= SlotCount()) return DiscardGroup(Group);
    if (FPos >= SlotCount() - 1 && !DropOldestGroup(Group)) return DiscardGroup(Group);
    if (FPos >= SlotCount()) return DiscardGroup(Group);  // no slots at all
  }

  TSlot& s = FSlots[static_cast<size_t>(FPos)];
  TUndoBuffItem& it = s.Item;
  s.Item.SlotUsed = true;
  it.Group = Group;
  it.Row = Row;
  it.Row2 = Row2;
  it.CaretCol = Caret.X;
  it.CaretRow = Caret.Y;
  it.Kind = Kind;
  it.OldText = OldText;
  it.NewText = NewText;
  it.OldAttr = OldAttr;
  it.NewAttr = NewAttr;
  ++FPos;
  FTop = FPos;
  FLastGroup = Group;
}

std::string TUndoBuff::Check() const {
  if (FPos < 0 || FPos > FTop || FTop > SlotCount())
    return "undo positions out of order: pos " + std::to_string(FPos) + ", top " + std::to_string(FTop) +
           ", slots " + std::to_string(SlotCount());
  for (int i = 0; i < SlotCount(); ++i)
    if (FSlots[static_cast<size_t>(i)].Item.SlotUsed != (i < FTop))
      return "undo slot " + std::to_string(i) + (i < FTop ? " is empty" : " holds a stale item");
  if (FSavedPos < -1 || FSavedPos > FTop) return "saved undo position outside the history";
  if (FGroupRun < 0) return "negative group run";
  return {};
}
