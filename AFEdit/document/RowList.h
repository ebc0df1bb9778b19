// TRowList: the document's display rows, kept in blocks so that inserting or
// deleting near the top of a long document does not move every row below.
// Rows appended in the order of their bytes in a shared chunk (as a file is
// loaded) are packed: see TRowBlock.  Rows are handed out by value; a row's
// bytes stay valid while the list keeps the row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AFEdit/document/BlockIndex.h"
#include "AFEdit/document/RowBlock.h"
#include "AFEdit/document/RowStr.h"

// Which rows changed since it was last taken, as one stretch: rows before
// First are as they were, and so are the last KeptTail rows; the rows
// between them in the list now replace those between them before.  Both
// bounds only ever shrink the unchanged parts, so a stretch stays right
// however many changes it takes in.
struct TRowChanges {
  static constexpr int kNone = 0x7FFFFFFF;
  int First = kNone;
  int KeptTail = kNone;

  bool Empty() const noexcept { return First == kNone; }
  // Rows [Row, Row + Removed) of a list of Count rows are replaced (by
  // any number of rows).
  void Note(int Row, int Removed, int Count) noexcept {
    if (Row < First) First = Row;
    if (Count - Row - Removed < KeptTail) KeptTail = Count - Row - Removed;
  }
  void Merge(const TRowChanges& Later) noexcept {
    if (Later.First < First) First = Later.First;
    if (Later.KeptTail < KeptTail) KeptTail = Later.KeptTail;
  }
};

template <size_t MaxBlock>
class TRowListOf {
  using TBlock = TRowBlock<MaxBlock>;

public:
  int Count() const noexcept { return static_cast<int>(FIndex.size()); }
  TRowStr operator[](int Row) const {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Get(loc.Off);
  }
  // The row's bytes without a handle of their own: valid while the list
  // keeps the row unchanged.
  std::string_view View(int Row) const {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->View(loc.Off);
  }
  // The row's text in place, for a caller that reads and replaces it.
  TRowStr& Ref(int Row) {
    Changed(Row, 1);
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Ref(loc.Off);
  }
  void Set(int Row, TRowStr S) {
    Changed(Row, 1);
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    loc.B->Set(loc.Off, std::move(S));
  }
  void Insert(int Row, TRowStr S) {
    Changed(Row, 0);
    FIndex.Insert(static_cast<size_t>(Row), std::move(S));
  }
  void Add(TRowStr S) {
    Changed(Count(), 0);
    FIndex.PushBack(std::move(S));
  }
  // Adds the bytes [Off, Off + Len) of Stretch as the last row, packed with
  // the rows before it where they lie in the same chunk.  An empty row keeps
  // its place in the chunk too, so the rows around it stay packed.
  void AddSlice(const TRowStr& Stretch, size_t Off, size_t Len) {
    Changed(Count(), 0);
    TStrChunk* chunk = Stretch.SharedChunk();
    const size_t at = Stretch.Offset() + Off;
    TBlock* b = FIndex.LastBlock();
    if (!b || !b->TryAppend(chunk, at, Len)) {
      if (!b || b->Packed() || b->size() >= MaxBlock || TBlock::Packable(chunk, at, Len)) {
        if (b) b->Seal();
        b = &FIndex.OpenLastBlock();
      }
      if (!b->TryAppend(chunk, at, Len)) b->PushLoose(Stretch.Substr(Off, Len));
    }
    FIndex.GrewLast(1);
  }
  void Delete(int Row) {
    Changed(Row, 1);
    FIndex.Erase(static_cast<size_t>(Row));
  }
  void Clear() noexcept {
    Changed(0, Count());
    FIndex.Clear();
  }
  // The rows changed since the last call (for a copy kept up to date).
  TRowChanges TakeChanges() noexcept { return std::exchange(FChanges, {}); }
  // The first row that may have changed (been set, handed out for change,
  // inserted, deleted or added) since the last call, SIZE_MAX for none; an
  // index kept beside the list (TLineIndex) drops what it knew from there.
  size_t TakeChangedFrom() noexcept { return std::exchange(FChangedFrom, SIZE_MAX); }

  // What is wrong with the blocks, or "".
  std::string Check() const {
    std::string err = FIndex.Check();
    for (size_t k = 0; err.empty() && k < FIndex.BlockCount(); ++k) err = FIndex.BlockAt(k).Check();
    return err;
  }
  // How many blocks are packed, of how many (for tests and figures).
  size_t PackedBlocks() const noexcept {
    size_t n = 0;
    for (size_t k = 0; k < FIndex.BlockCount(); ++k) n += FIndex.BlockAt(k).Packed();
    return n;
  }
  size_t BlockCount() const noexcept { return FIndex.BlockCount(); }

  // Calls F(row, text) for rows [From, To) in order.
  template <class F>
  void ForEach(int From, int To, F&& f) const {
    int row = From;
    while (row < To) {
      auto loc = FIndex.Locate(static_cast<size_t>(row));
      const TBlock& b = *loc.B;
      for (size_t i = loc.Off; i < b.size() && row < To; ++i, ++row) f(row, b.Get(i));
    }
  }

  // The bytes the text style writes for the rows, in order: stretches of
  // packed blocks' chunks to Kept (with Lf() where an LF is not in the
  // chunk; TRowBlock::ForEachTextPiece), and the rows of loose blocks to Row.
  template <class FK, class FL, class FR>
  void ForEachTextPiece(FK&& Kept, FL&& Lf, FR&& Row) const {
    for (size_t k = 0; k < FIndex.BlockCount(); ++k) {
      const TBlock& b = FIndex.BlockAt(k);
      if (!b.ForEachTextPiece(Kept, Lf))
        for (size_t i = 0; i < b.size(); ++i) Row(b.Get(i));
    }
  }

private:
  // Rows [Row, Row + Removed) are replaced by any number of rows.
  void Changed(int Row, int Removed) noexcept {
    FChanges.Note(Row, Removed, Count());
    if (static_cast<size_t>(Row) < FChangedFrom) FChangedFrom = static_cast<size_t>(Row);
  }

  TBlockIndex<TBlock, MaxBlock> FIndex;
  // Two readers take what changed, each at its own pace.
  TRowChanges FChanges;
  size_t FChangedFrom = 0;
};

using TRowList = TRowListOf<1024>;

// A row's place in a stretch of bytes.
struct TRowSlice {
  uint32_t Off;
  uint32_t Len;
};

// Packs Rows, slices of the bytes at From in order, into the packer's chunks
// and adds them to List.  The rows that still fit in the current chunk go
// there, and the rest start a new one, so that chunks are filled to the brim.
template <class List>
void PackRowSlices(TRowPacker& Packer, List& L, const char* From, const std::vector<TRowSlice>& Rows) {
  for (size_t first = 0; first < Rows.size();) {
    const size_t base = Rows[first].Off;
    const size_t room = Packer.Room();
    size_t last = first;
    while (last < Rows.size() && Rows[last].Off + Rows[last].Len - base <= room) ++last;
    if (last == first) last = Rows.size();  // a fresh chunk takes them all
    const size_t end = Rows[last - 1].Off + Rows[last - 1].Len;
    const TRowStr stretch = Packer.Pack(std::string_view(From + base, end - base));
    for (size_t i = first; i < last; ++i) L.AddSlice(stretch, Rows[i].Off - base, Rows[i].Len);
    first = last;
  }
}
