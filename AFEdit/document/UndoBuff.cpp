#include "AFEdit/document/UndoBuff.h"

#include <algorithm>
#include <functional>
#include <vector>

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
    const bool insert = it->Kind == ukRowInserted || it->Kind == ukRowsInserted;
    if (!it->SlotUsed || it->Group != Group || (!insert && it->Kind != ukRowChanged && it->Kind != ukRowsChanged) ||
        slot < FSealedTop)
      return false;
    // The item's rows from its last one back.
    for (int i = it->RowCount() - 1; i >= 0 && back < 2; --i, ++back) {
      if (it->Row + i != Row) continue;
      // The saved state must not lie after the change that is altered.
      if (FSavedPos > slot) return false;
      if (insert) return MergeIntoInsert(*it, i, NewAttr, OldAttr, NewText, OldText);
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
    // Rows inserted above Row moved it: the items before them knew it by
    // another number.
    if (insert && it->Row <= Row) return false;
  }
  return false;
}

namespace {

bool SameButDirty(TLineAttr A, TLineAttr B) noexcept {
  A.Dirty = B.Dirty = false;
  return A == B;
}

}  // namespace

// A row inserted earlier in the group (row I of the item) changed: the
// insertion takes the new text, as if the row had been inserted so.  Only a
// change that keeps the row's record (but for its repaint mark) is taken.
bool TUndoBuff::MergeIntoInsert(TUndoBuffItem& It, int I, const TLineAttr& NewAttr, const TLineAttr& OldAttr,
                                const TRowStr& NewText, const TRowStr& OldText) {
  const bool run = It.Kind == ukRowsInserted;
  const TRowStr now = run ? It.Run->New(I) : It.NewText;
  if (!now.SharesWith(OldText) || !SameButDirty(It.NewAttr, OldAttr) || !SameButDirty(NewAttr, OldAttr))
    return false;
  if (run) {
    It.Run->SetNew(I, NewText);
  } else {
    It.NewText = NewText;
    It.NewAttr = NewAttr;
  }
  FCanUndo = true;
  return true;
}

// Whether the last item may still take more of group Group's changes: an
// unlimited history, recording at its top, the item not sealed and not
// before the saved state.
bool TUndoBuff::OpenTail(int Group) const {
  if (FUndoMax >= 0 || Group != FLastGroup || FFreshGroup || FDiscarding || FPos != FTop || FPos == 0) return false;
  const int slot = FPos - 1;
  const TUndoBuffItem& it = FSlots[static_cast<size_t>(slot)].Item;
  return FSavedPos <= slot && slot >= FSealedTop && it.SlotUsed && it.Group == Group;
}

// In an unlimited history, a row inserted right after the rows the group's
// last item inserted, with the same record, joins that item as a run.
bool TUndoBuff::ExtendInsertRun(int Group, int Row, const TLineAttr& NewAttr, const TRowStr& NewText, TPoint Caret) {
  if (!OpenTail(Group)) return false;
  TUndoBuffItem& it = FSlots[static_cast<size_t>(FPos - 1)].Item;
  if ((it.Kind != ukRowInserted && it.Kind != ukRowsInserted) || it.Row + it.RowCount() != Row ||
      !(it.NewAttr == NewAttr))
    return false;
  if (it.Kind == ukRowInserted) {
    auto run = std::make_shared<TRowRun>();
    run->Add(TRowStr(), it.NewText, it.FirstCaret());
    it.Run = std::move(run);
    it.NewText = TRowStr();
    it.Kind = ukRowsInserted;
  }
  it.Run->Add(TRowStr(), NewText, Caret);
  FCanUndo = true;
  return true;
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
  if (!OpenTail(Group)) return false;
  TUndoBuffItem& it = FSlots[static_cast<size_t>(FPos - 1)].Item;
  if (it.Kind != ukRowChanged && it.Kind != ukRowsChanged) return false;
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
  if (Kind == ukRowInserted && ExtendInsertRun(Group, Row, NewAttr, NewText, Caret)) return;
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

// Texts T[From, To), all of one chunk and in the order of their offsets,
// become slices of copies: each stretch of the chunk they cover is copied
// once, so that overlapping texts share their copy as they shared the chunk.
void CopyStretches(std::vector<TRowStr*>& T, size_t From, size_t To) {
  for (size_t k = From; k < To;) {
    const size_t start = T[k]->Offset();
    size_t end = start + T[k]->size(), m = k + 1;
    for (; m < To && T[m]->Offset() <= end; ++m) end = std::max<size_t>(end, T[m]->Offset() + T[m]->size());
    const TRowStr copy(std::string_view(T[k]->data(), end - start));
    for (size_t q = k; q < m; ++q) *T[q] = copy.Substr(T[q]->Offset() - start, T[q]->size());
    k = m;
  }
}

// Texts that use a small part of their chunk get copies: once the rows move
// on to other chunks, the history would keep the whole chunk alive for them.
// The texts of one chunk are judged, and copied, together: the tails a long
// row is split into overlap, and copying each on its own would cost the
// square of the row's length.
void Unpin(std::vector<TRowStr*>& Texts) {
  std::sort(Texts.begin(), Texts.end(), [](const TRowStr* a, const TRowStr* b) {
    if (a->Chunk() != b->Chunk()) return std::less<const TStrChunk*>()(a->Chunk(), b->Chunk());
    return a->Offset() < b->Offset();
  });
  for (size_t i = 0; i < Texts.size();) {
    const TStrChunk* c = Texts[i]->Chunk();
    size_t j = i, covered = 0, end = 0;
    for (; j < Texts.size() && Texts[j]->Chunk() == c; ++j) {
      const size_t from = Texts[j]->Offset(), to = from + Texts[j]->size();
      if (to > end) {
        covered += to - std::max(from, end);
        end = to;
      }
    }
    if (c && covered < c->Capacity() / 4) CopyStretches(Texts, i, j);
    i = j;
  }
}

}  // namespace

// The single row changes of slots [From, To), all of one group: as runs of
// consecutive rows whose records went from one value to
// one other, each row from its first old state to its last new one.  Undo
// leaves the caret the first change found and redo the one the last change
// found, as the changes themselves would.  Empty when that cannot be done.
std::vector<TUndoBuff::TSlot> TUndoBuff::ChangesAsRuns(int From, int To) const {
  const auto item = [this](int i) -> const TUndoBuffItem& { return FSlots[static_cast<size_t>(i)].Item; };
  int lo = item(From).Row, hi = lo;
  for (int i = From; i < To; ++i) {
    lo = std::min(lo, item(i).Row);
    hi = std::max(hi, item(i).Row);
  }
  std::vector<int> first(static_cast<size_t>(hi - lo + 1), -1), last(first.size(), -1);
  for (int i = From; i < To; ++i) {
    const auto r = static_cast<size_t>(item(i).Row - lo);
    if (first[r] < 0) first[r] = i;
    last[r] = i;
  }
  const TPoint undoCaret = item(From).FirstCaret(), redoCaret = item(To - 1).FirstCaret();
  std::vector<TSlot> out;
  for (size_t r = 0; r < first.size();) {
    if (first[r] < 0) {  // a row the changes skipped
      ++r;
      continue;
    }
    const TUndoBuffItem& a = item(first[r]);
    const TLineAttr& oldAttr = a.OldAttr;
    const TLineAttr& newAttr = item(last[r]).NewAttr;
    size_t e = r + 1;
    while (e < first.size() && first[e] >= 0 && item(first[e]).OldAttr == oldAttr &&
           item(last[e]).NewAttr == newAttr)
      ++e;
    TSlot s;
    s.Item = a;
    s.Item.Row = lo + static_cast<int>(r);
    s.Item.NewAttr = newAttr;
    s.Item.NewText = item(last[r]).NewText;
    if (e - r > 1) {
      auto run = std::make_shared<TRowRun>();
      for (size_t k = r; k < e; ++k) run->Add(item(first[k]).OldText, item(last[k]).NewText, redoCaret);
      s.Item.Kind = ukRowsChanged;
      s.Item.OldText = s.Item.NewText = TRowStr();
      s.Item.Run = std::move(run);
    }
    const TPoint c = out.empty() ? undoCaret : redoCaret;
    s.Item.CaretCol = c.X;
    s.Item.CaretRow = c.Y;
    out.push_back(std::move(s));
    r = e;
  }
  // One single change cannot leave two different carets.
  if (out.size() == 1 && out[0].Item.Kind == ukRowChanged && !(undoCaret == redoCaret)) return {};
  return out;
}

// In an unlimited history, replaces each stretch of single row changes of
// one group from slot From on (re-wrap records them when it starts again in
// the middle of a paragraph) by runs, when they are fewer.  The undo and
// redo positions and the saved position keep their places among the other
// items.  Returns the slot after the last one looked at.
int TUndoBuff::CollapseChanges(int From) {
  const auto single = [this](int i, int Group) {
    const TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    return it.Kind == ukRowChanged && it.Group == Group;
  };
  int to = From;
  while (to < FTop && single(to, FSlots[static_cast<size_t>(From)].Item.Group)) ++to;
  if (FUndoMax >= 0 || to - From < 3 || (FPos > From && FPos < to) || (FSavedPos > From && FSavedPos < to))
    return std::max(to, From + 1);
  std::vector<TSlot> runs = ChangesAsRuns(From, to);
  if (runs.empty() || static_cast<int>(runs.size()) >= to - From) return to;
  const int shrink = to - From - static_cast<int>(runs.size());
  std::move(runs.begin(), runs.end(), FSlots.begin() + From);
  FSlots.erase(FSlots.begin() + From + static_cast<int>(runs.size()), FSlots.begin() + to);
  if (FPos >= to) FPos -= shrink;
  if (FSavedPos >= to) FSavedPos -= shrink;
  FTop -= shrink;
  if (SlotCount() <= FTop) FSlots.resize(static_cast<size_t>(FTop) + 1);  // the free slot after the top
  return to - shrink;
}

void TUndoBuff::SealRecent() {
  for (int i = FSealedTop; i < FTop;) i = CollapseChanges(i);
  std::vector<TRowStr*> texts;
  for (int i = FSealedTop; i < FTop; ++i) {
    TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    if (it.Kind == ukRowsChanged) {
      it.Run->Seal();
    } else if (!it.IsRun()) {
      texts.push_back(&it.OldText);
      texts.push_back(&it.NewText);
    }
  }
  Unpin(texts);
  FSealedTop = FTop;
}

size_t TUndoBuff::HeldBytes() const {
  size_t n = FSlots.size() * sizeof(TSlot);
  for (int i = 0; i < FTop; ++i) {
    const TUndoBuffItem& it = FSlots[static_cast<size_t>(i)].Item;
    if (it.IsRun()) n += sizeof(TRowRun) + it.Run->HeldBytes();
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
    if (!it.IsRun()) continue;
    if (!it.Run || it.Run->Count() == 0) return "undo slot " + std::to_string(i) + " holds an empty run";
    if (std::string e = it.Run->Check(); !e.empty()) return "undo slot " + std::to_string(i) + ": " + e;
  }
  return {};
}
