// TRowRun: the texts and carets of a run of consecutive row changes recorded
// as one undo item.
//
// Every text is a slice (chunk, offset, length) of one of the chunks the run
// keeps a reference to, so a row costs 24 bytes beside the bytes themselves.
// A chunk is looked up among the two used last only: the texts a re-wrap
// writes are packed into a few chunks and come in order, so nearly every
// lookup hits, and recording stays linear however many rows and chunks a run
// holds.  A chunk may therefore be listed more than once.
//
// The caret recorded with each row's change is kept as the list of rows where
// it differs from the row before, so the run gives every row's caret as its
// own change would, and nearly always costs one entry.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "AFEdit/document/RowStr.h"
#include "AFEdit/platform/Types.h"

class TRowRun {
public:
  int Count() const noexcept { return static_cast<int>(FRows.size()); }
  void Add(const TRowStr& Old, const TRowStr& New, TPoint Caret);
  TRowStr Old(int i) const { return Text(FRows[static_cast<size_t>(i)].Old); }
  TRowStr New(int i) const { return Text(FRows[static_cast<size_t>(i)].New); }
  void SetNew(int i, const TRowStr& New);
  // The caret when row i's change was recorded.
  TPoint Caret(int i) const noexcept;
  // Forgets the last row.
  void PopBack();
  // The chunks the run holds a reference to.
  const std::vector<TRowStr>& Chunks() const noexcept { return FChunks; }

private:
  static constexpr uint32_t kNoChunk = UINT32_MAX;
  struct TSlice {
    uint32_t Chunk = kNoChunk;
    uint32_t Off = 0;
    uint32_t Len = 0;
  };
  struct TRow {
    TSlice Old, New;
  };
  TSlice Slice(const TRowStr& S);
  uint32_t ChunkIndex(const TRowStr& S);
  TRowStr Text(const TSlice& S) const;

  std::vector<TRowStr> FChunks;
  std::vector<TRow> FRows;
  std::vector<std::pair<int, TPoint>> FCarets;  // (first row, caret), rows ascending
  uint32_t FRecent[2] = {kNoChunk, kNoChunk};    // the chunks used last, newest first
};
