#include "AFEdit/document/UndoBuff.h"

#include <algorithm>

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
    FSealedTop = std::min(FSealedTop, FTop);
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
  FSealedTop = 0;
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
  FSealedTop = std::min(FSealedTop, FTop);
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
    FSealedTop = std::max(FSealedTop - 1, 0);
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
// the earlier change takes the new state, and undo and redo give the same
// rows with one change fewer.  A row of a run that would leave the run's
// record is split off first, as it would stand without runs.
bool TUndoBuff::MergeRowChange(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                               const TRowStr& NewText, const TRowStr& OldText) {
  if (Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop) return false;
  int back = 0;  // changes recorded after the one found
  for (int slot = FPos - 1; slot >= 0 && back < 2; --slot) {
    TUndoBuffItem* it = &FSlots[static_cast<size_t>(slot)].Item;
    if (!it->SlotUsed || it->Group != Group || (it->Kind != ukRowChanged && it->Kind != ukRowsChanged) ||
        slot < FSealedTop)
      return false;
    // The item's rows from its last one back.
    for (int i = it->RowCount() - 1; i >= 0 && back < 2; --i, ++back) {
      if (it->Row + i != Row) continue;
      // The saved state must not lie after the change that is altered.
      if (FSavedPos > slot) return false;
      if (it->Kind == ukRowsChanged) {
        if (!it->Run->New(i).SharesWith(OldText) || !(it->NewAttr == OldAttr)) return false;
        if (NewAttr == it->NewAttr) {
          it->Run->SetNew(i, NewText);
          FCanUndo = true;
          return true;
        }
        if (FUndoMax >= 0) return false;
        it = &FSlots[static_cast<size_t>(SplitRun(slot, i))].Item;
      }
      if (!it->NewText.SharesWith(OldText) || !(it->NewAttr == OldAttr)) return false;
      it->NewText = NewText;
      it->NewAttr = NewAttr;
      FCanUndo = true;
      return true;
    }
  }
  return false;
}

// Turns rows From ... of the run in Slot into single items right after it (a
// run left with one row becomes a single item too), as they would have been
// recorded without runs.  Returns the slot of row From.  The caller makes
// sure the saved position does not lie after Slot.
int TUndoBuff::SplitRun(int Slot, int From) {
  const TUndoBuffItem& run = FSlots[static_cast<size_t>(Slot)].Item;
  const std::shared_ptr<TRowRun> r = run.Run;
  const auto single = [&run, &r](int i) {
    TSlot s;
    s.Item = run;
    s.Item.Kind = ukRowChanged;
    s.Item.Row = run.Row + i;
    s.Item.CaretCol = r->Caret(i).X;
    s.Item.CaretRow = r->Caret(i).Y;
    s.Item.OldText = r->Old(i);
    s.Item.NewText = r->New(i);
    s.Item.Run.reset();
    return s;
  };
  const int keep = From > 1 ? From : 1;
  std::vector<TSlot> tail;
  for (int i = keep; i < r->Count(); ++i) tail.push_back(single(i));
  while (r->Count() > keep) r->PopBack();
  if (keep == 1) FSlots[static_cast<size_t>(Slot)] = single(0);
  FSlots.insert(FSlots.begin() + Slot + 1, tail.begin(), tail.end());
  FPos += static_cast<int>(tail.size());
  FTop = FPos;
  return From == 0 ? Slot : Slot + 1;
}

// In an unlimited history, a change of the row after the last one of the
// group's last item, from and to the same records, joins that item as a run.
bool TUndoBuff::ExtendRowRun(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                             const TRowStr& NewText, const TRowStr& OldText, TPoint Caret) {
  if (FUndoMax >= 0 || Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop || FPos == 0)
    return false;
  const int slot = FPos - 1;
  if (FSavedPos > slot || slot < FSealedTop) return false;
  TUndoBuffItem& it = FSlots[static_cast<size_t>(slot)].Item;
  if (!it.SlotUsed || it.Group != Group || (it.Kind != ukRowChanged && it.Kind != ukRowsChanged)) return false;
  if (it.Row + it.RowCount() != Row || !(it.OldAttr == OldAttr) || !(it.NewAttr == NewAttr)) return false;
  if (it.Kind == ukRowChanged) {
    auto run = std::make_shared<TRowRun>();
    run->Add(it.OldText, it.NewText, it.FirstCaret());
    it.Run = std::move(run);
    it.OldText = TRowStr();
    it.NewText = TRowStr();
    it.Kind = ukRowsChanged;
  }
  it.Run->Add(OldText, NewText, Caret);
  FCanUndo = true;
  return true;
}

void TUndoBuff::AddItem(int Group, int Row, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                        const TRowStr& NewText, const TRowStr& OldText, uint8_t Kind, TPoint Caret,
                        int Row2) {
  if (Group != FLastGroup || FFreshGroup) SealRecent();
  if (Kind == ukRowChanged && (MergeRowChange(Group, Row, NewAttr, OldAttr, NewText, OldText) ||
                                ExtendRowRun(Group, Row, NewAttr, OldAttr, NewText, OldText, Caret)))
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

namespace {

// A copy of T when only T keeps its chunk alive and T is a small part of
// it; T itself otherwise.
void Unpin(TRowStr& T) {
  const TStrChunk* c = T.Chunk();
  if (c && c->Refs() == 1 && T.size() < c->Capacity() / 2) T = TRowStr(T.view());
}

}  // namespace

void TUndoBuff::SealRecent() {
  for (int i = FSealedTop; i < FTop; ++i) {
    TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    if (it.Kind == ukRowsChanged) {
      it.Run->Seal();
    } else {
      Unpin(it.OldText);
      Unpin(it.NewText);
    }
  }
  FSealedTop = FTop;
}

size_t TUndoBuff::HeldBytes() const {
  size_t n = FSlots.size() * sizeof(TSlot);
  for (int i = 0; i < FTop; ++i) {
    const TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    if (it.Kind == ukRowsChanged) n += sizeof(TRowRun) + it.Run->HeldBytes();
  }
  return n;
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
  if (FSealedTop < 0 || FSealedTop > FTop) return "sealed items outside the history";
  for (int i = 0; i < FTop; ++i) {
    const TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    if (it.Kind != ukRowsChanged) continue;
    if (!it.Run || it.Run->Count() == 0) return "undo slot " + std::to_string(i) + " holds an empty run";
    if (std::string e = it.Run->Check(); !e.empty()) return "undo slot " + std::to_string(i) + ": " + e;
  }
  return {};
}
