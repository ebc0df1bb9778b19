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

// ---- runs of rows ----

uint16_t TRowRun::ChunkIndex(const TRowStr& S) {
  if (!S.SharedChunk()) return kNoChunk;
  // Re-wrap packs the rows it writes into a few chunks: the last one used is
  // nearly always the one wanted.
  for (size_t i = FChunks.size(); i-- > 0;)
    if (FChunks[i].Chunk() == S.Chunk()) return static_cast<uint16_t>(i);
  if (FChunks.size() >= kNoChunk) return kNoChunk;
  FChunks.push_back(S);
  return static_cast<uint16_t>(FChunks.size() - 1);
}

TRowStr TRowRun::Text(uint16_t Chunk, uint32_t Off, uint32_t Len) const {
  if (Chunk == kNoChunk || Len == 0) return {};
  return TRowStr(FChunks[Chunk].SharedChunk(), Off, Len);
}

void TRowRun::Add(const TRowStr& Old, const TRowStr& New) {
  FOldChunk.push_back(ChunkIndex(Old));
  FOldOff.push_back(Old.Offset());
  FOldLen.push_back(static_cast<uint32_t>(Old.size()));
  FNewChunk.push_back(ChunkIndex(New));
  FNewOff.push_back(New.Offset());
  FNewLen.push_back(static_cast<uint32_t>(New.size()));
}

void TRowRun::SetNew(int i, const TRowStr& New) {
  const auto k = static_cast<size_t>(i);
  FNewChunk[k] = ChunkIndex(New);
  FNewOff[k] = New.Offset();
  FNewLen[k] = static_cast<uint32_t>(New.size());
}

// A row changed again within its group, with only changes of other rows in
// between (re-wrap changes each row twice, the row after it in between):
// the earlier change takes the new state, and undo and redo give the same
// rows with one change fewer.
bool TUndoBuff::MergeRowChange(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                               const TRowStr& NewText, const TRowStr& OldText) {
  if (Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop) return false;
  int back = 0;  // changes recorded after the one found
  for (int slot = FPos - 1; slot >= 0 && back < 2; --slot) {
    TUndoBuffItem& it = FSlots[static_cast<size_t>(slot)].Item;
    if (!it.SlotUsed || it.Group != Group || (it.Kind != ukRowChanged && it.Kind != ukRowsChanged)) return false;
    // The item's rows from its last one back.
    for (int i = it.RowCount() - 1; i >= 0 && back < 2; --i, ++back) {
      if (it.Row + i != Row) continue;
      // The saved state must not lie after the change that is altered.
      if (FSavedPos > slot) return false;
      if (it.Kind == ukRowsChanged) {
        if (!it.Run->New(i).SharesWith(OldText) || !(it.NewAttr == OldAttr) || !(NewAttr == it.NewAttr))
          return false;
        it.Run->SetNew(i, NewText);
      } else {
        if (!it.NewText.SharesWith(OldText) || !(it.NewAttr == OldAttr)) return false;
        it.NewText = NewText;
        it.NewAttr = NewAttr;
      }
      FCanUndo = true;
      return true;
    }
  }
  return false;
}

// In an unlimited history, a change of the row after the last one of the
// group's last item, from and to the same records, joins that item as a run.
bool TUndoBuff::ExtendRowRun(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                             const TRowStr& NewText, const TRowStr& OldText) {
  if (FUndoMax >= 0 || Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop || FPos == 0)
    return false;
  const int slot = FPos - 1;
  if (FSavedPos > slot) return false;
  TUndoBuffItem& it = FSlots[static_cast<size_t>(slot)].Item;
  if (!it.SlotUsed || it.Group != Group || (it.Kind != ukRowChanged && it.Kind != ukRowsChanged)) return false;
  if (it.Row + it.RowCount() != Row || !(it.OldAttr == OldAttr) || !(it.NewAttr == NewAttr)) return false;
  if (it.Kind == ukRowChanged) {
    auto run = std::make_shared<TRowRun>();
    run->Add(it.OldText, it.NewText);
    it.Run = std::move(run);
    it.OldText = TRowStr();
    it.NewText = TRowStr();
    it.Kind = ukRowsChanged;
  }
  it.Run->Add(OldText, NewText);
  FCanUndo = true;
  return true;
}

void TUndoBuff::AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                        const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
                        int Row2) {
  if (Kind == ukRowChanged && (MergeRowChange(Group, Row, NewAttr, OldAttr, NewText, OldText) ||
                                ExtendRowRun(Group, Row, NewAttr, OldAttr, NewText, OldText)))
    return;
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
  it.Run.reset();
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
