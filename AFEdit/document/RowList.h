// TRowList: the document's display rows, kept in blocks so that inserting or
// deleting near the top of a long document does not move every row below.
// Rows appended in the order of their bytes in a shared chunk (as a file is
// loaded) are packed: see TRowBlock.  Rows are handed out by value; a row's
// bytes stay valid while the list keeps the row.
#pragma once

#include <string>
#include <string_view>

#include "AFEdit/document/BlockIndex.h"
#include "AFEdit/document/RowBlock.h"
#include "AFEdit/document/RowStr.h"

template <size_t MaxBlock>
class TRowListOf {
  using TBlock = TRowBlock<MaxBlock>;

public:
  int Count() const noexcept { return static_cast<int>(FIndex.size()); }
  TRowStr operator[](int Row) const {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Get(loc.Off);
  }
  // The row's text in place, for a caller that reads and replaces it.
  TRowStr& Ref(int Row) {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Ref(loc.Off);
  }
  void Set(int Row, TRowStr S) {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    loc.B->Set(loc.Off, std::move(S));
  }
  void Insert(int Row, TRowStr S) { FIndex.Insert(static_cast<size_t>(Row), std::move(S)); }
  void Add(TRowStr S) { FIndex.PushBack(std::move(S)); }
  // Adds the bytes [Off, Off + Len) of Stretch as the last row, packed with
  // the rows before it where they lie in the same chunk.  An empty row keeps
  // its place in the chunk too, so the rows around it stay packed.
  void AddSlice(const TRowStr& Stretch, size_t Off, size_t Len) {
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
  void Delete(int Row) { FIndex.Erase(static_cast<size_t>(Row)); }
  void Clear() noexcept { FIndex.Clear(); }

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

private:
  TBlockIndex<TBlock, MaxBlock> FIndex;
};

using TRowList = TRowListOf<1024>;
