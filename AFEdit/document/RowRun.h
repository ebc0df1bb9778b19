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
//
// Once its group is complete a run is sealed: the texts give way to the
// rows' lengths on both sides (delta-coded, about a byte a row) and the
// difference between the old rows' bytes and the new ones read as one
// sequence (TTextDiff).  A re-wrap after an edit moves bytes between rows
// but changes them only where the edit was, so a sealed run costs a few
// bytes a row instead of keeping every old row's text alive.  Undo and redo
// rebuild one side from the other, which the document holds at that moment.
// A run whose sides differ too much to pay keeps its texts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "AFEdit/document/RowStr.h"
#include "AFEdit/document/TextDiff.h"
#include "AFEdit/platform/Types.h"

class TRowRun {
public:
  int Count() const noexcept { return FSealed ? FSealedCount : static_cast<int>(FRows.size()); }
  // Adding and reading texts: only before the run is sealed.
  void Add(const TRowStr& Old, const TRowStr& New, TPoint Caret);
  TRowStr Old(int i) const { return Text(FRows[static_cast<size_t>(i)].Old); }
  TRowStr New(int i) const { return Text(FRows[static_cast<size_t>(i)].New); }
  void SetNew(int i, const TRowStr& New);
  // The caret when row i's change was recorded.
  TPoint Caret(int i) const noexcept;
  // Forgets the last row.
  void PopBack();
  // The chunks the run holds a reference to (none once sealed).
  const std::vector<TRowStr>& Chunks() const noexcept { return FChunks; }

  bool Sealed() const noexcept { return FSealed; }
  // Trades the texts for lengths and a difference, when that is smaller.
  // Returns whether the run is now sealed.
  bool Seal();
  // A sealed run's texts on one side (the old ones when ToOld), rebuilt
  // from the texts the rows hold on the other side.  The texts share one
  // new chunk.
  std::vector<TRowStr> Rebuild(const TPieceList& Current, bool ToOld) const;
  // Heap bytes the run holds beside the chunks it shares.
  size_t HeldBytes() const noexcept;
  std::string Check() const;

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
  class TSide;
  bool SidesAlike() const;
  TSlice Slice(const TRowStr& S);
  uint32_t ChunkIndex(const TRowStr& S);
  TRowStr Text(const TSlice& S) const;

  // Texts before sealing.
  std::vector<TRowStr> FChunks;
  std::vector<TRow> FRows;
  std::vector<std::pair<int, TPoint>> FCarets;  // (first row, caret), rows ascending
  uint32_t FRecent[2] = {kNoChunk, kNoChunk};    // the chunks used last, newest first
  // Sealed: the row count, the rows' lengths (zigzag varints of the change
  // from the row before) and the difference of the two sides.
  bool FSealed = false;
  int FSealedCount = 0;
  std::string FOldLens, FNewLens;
  TTextDiff FDiff;
};
