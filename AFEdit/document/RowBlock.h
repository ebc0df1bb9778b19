// TRowBlock: the rows of one block of the row list.
//
// A block filled by loading is packed: its rows lie one after another in one
// stretch of a shared chunk, at most kSpan bytes long, so a row costs a
// 16-bit start from the stretch's base and its length is the distance to the
// next start (a sentinel after the last row closes the block).  Bit 15 of a
// start says that the byte just before the next start is not the row's own:
// the LF a loaded line ended with, which the loader leaves in the chunk
// rather than copy each row apart.  A row longer than the span is kept loose.
//
// Any change other than appending a row that continues the stretch turns the
// block loose: one TRowStr per row.  Edits touch few blocks, so a loaded
// document keeps about two bytes per row beside its text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AFEdit/document/RowStr.h"

template <size_t MaxRows>
class TRowBlock {
  static constexpr uint16_t kDrop = 0x8000;  // the last byte before the next start is not the row's
  static constexpr uint16_t kPlace = 0x7FFF;

public:
  static constexpr size_t kSpan = kPlace;  // most bytes a packed block's rows span

  TRowBlock() = default;
  TRowBlock(const TRowBlock&) = delete;
  TRowBlock& operator=(const TRowBlock&) = delete;
  ~TRowBlock() { TStrChunk::Release(FChunk); }

  bool Packed() const noexcept { return FChunk != nullptr; }
  size_t size() const noexcept { return Packed() ? FStarts.size() - 1 : FRows.size(); }

  TRowStr Get(size_t off) const noexcept {
    if (!Packed()) return FRows[off];
    const auto [from, len] = Place(off);
    return TRowStr(FChunk, from, len);
  }
  // The row's bytes, valid while the block keeps the row.
  std::string_view View(size_t off) const noexcept {
    if (!Packed()) return FRows[off].view();
    const auto [from, len] = Place(off);
    return {FChunk->Data() + from, len};
  }
  // The row's text in place, for a caller that reads and replaces it.
  TRowStr& Ref(size_t off) {
    Loosen();
    return FRows[off];
  }
  void Set(size_t off, TRowStr s) {
    if (Packed() && Get(off).SharesWith(s)) return;
    Loosen();
    FRows[off] = std::move(s);
  }
  void Insert(size_t off, TRowStr s) {
    if (off == size() && (TryAppend(s.SharedChunk(), s.Offset(), s.size()) || TryAppendEmpty(s))) return;
    Loosen();
    FRows.insert(FRows.begin() + static_cast<std::ptrdiff_t>(off), std::move(s));
  }
  void Erase(size_t off) {
    Loosen();
    FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(off));
  }
  void ApplyFlag(uint8_t) noexcept {}

  // Appends the row at [Off, Off + Len) of Chunk when it continues the
  // packed rows (directly, or after one skipped byte) within the span, or
  // starts a packed block.  False when the row cannot be packed here.
  bool TryAppend(TStrChunk* Chunk, size_t Off, size_t Len) {
    if (!FRows.empty() || !Packable(Chunk, Off, Len) || size() >= MaxRows) return false;
    if (!Packed()) {
      FChunk = Chunk;
      FChunk->AddRef();
      FBase = static_cast<uint32_t>(Off);
      FStarts.reserve(MaxRows + 1);
      FStarts.push_back(0);
      FStarts.push_back(static_cast<uint16_t>(Len));
      return true;
    }
    uint16_t& sentinel = FStarts.back();
    if (Chunk != FChunk || Off < FBase + size_t{sentinel} || Off + Len > FBase + kSpan) return false;
    const auto from = static_cast<uint16_t>(Off - FBase);
    if (from == sentinel + 1)
      FStarts[FStarts.size() - 2] |= kDrop;
    else if (from != sentinel)
      return false;
    sentinel = from;
    FStarts.push_back(static_cast<uint16_t>(from + Len));
    return true;
  }
  // True when a fresh block could pack the row.
  static bool Packable(const TStrChunk* Chunk, size_t Off, size_t Len) noexcept {
    return Chunk && Len <= kSpan && Off + Len <= UINT32_MAX;
  }
  // Gives back the room kept for rows that will not come.
  void Seal() { FStarts.shrink_to_fit(); }
  // Adds a row at the end of a loose (or empty) block.
  void PushLoose(TRowStr s) {
    Loosen();
    FRows.push_back(std::move(s));
  }

  std::unique_ptr<TRowBlock> SplitOff(size_t off) {
    auto b = std::make_unique<TRowBlock>();
    if (!Packed()) {
      b->FRows.assign(std::make_move_iterator(FRows.begin() + static_cast<std::ptrdiff_t>(off)),
                      std::make_move_iterator(FRows.end()));
      FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(off), FRows.end());
      return b;
    }
    if (off == size()) return b;
    b->FChunk = FChunk;
    FChunk->AddRef();
    b->FBase = FBase;
    b->FStarts.assign(FStarts.begin() + static_cast<std::ptrdiff_t>(off), FStarts.end());
    FStarts.resize(off + 1);
    FStarts.back() &= kPlace;  // the first part's sentinel
    if (off == 0) Clear();
    return b;
  }

  // The bytes the text style writes for a packed block's rows (each row,
  // and an LF after a row ending with CR), as stretches of its chunk given
  // to Kept, with Lf() where an LF is not in the chunk.  Loaded rows lie
  // with their LFs, so a block is nearly always one stretch.  False, having
  // done nothing, for a loose block.
  template <class FK, class FL>
  bool ForEachTextPiece(FK&& Kept, FL&& Lf) const {
    if (!Packed()) return false;
    const char* base = FChunk->Data() + FBase;
    size_t run = FStarts.front() & kPlace;  // where the stretch not yet given began
    for (size_t i = 0; i + 1 < FStarts.size(); ++i) {
      const size_t from = FStarts[i] & kPlace;
      const bool drop = (FStarts[i] & kDrop) != 0;
      const size_t end = (FStarts[i + 1] & kPlace) - drop;
      const bool cr = end > from && base[end - 1] == '\r';
      if (cr ? drop && base[end] == '\n' : !drop) continue;  // the chunk holds what is written
      if (end > run) Kept(std::string_view(base + run, end - run));
      if (cr) Lf();
      run = end + drop;
    }
    const size_t stop = FStarts.back() & kPlace;
    if (stop > run) Kept(std::string_view(base + run, stop - run));
    return true;
  }

  // What is wrong with the block, or "".
  std::string Check() const {
    if (!Packed()) return FStarts.empty() ? "" : "row block: a loose block holds row starts";
    if (!FRows.empty()) return "row block: packed and loose rows at once";
    if (FChunk->Refs() == 0) return "row block: packed rows without their chunk";
    if (FStarts.size() < 2 || FStarts.size() > MaxRows + 1) return "row block: packed row count out of range";
    if (FStarts.back() & kDrop) return "row block: the sentinel skips a byte";
    if (FBase + size_t{FStarts.back()} > FChunk->Capacity()) return "row block: rows past the chunk's end";
    for (size_t i = 0; i + 1 < FStarts.size(); ++i)
      if ((FStarts[i] & kPlace) + (FStarts[i] >> 15) > (FStarts[i + 1] & kPlace))
        return "row block: a row ends before it starts";
    return {};
  }

private:
  // Where packed row off lies in the chunk: its first byte and its length.
  std::pair<size_t, size_t> Place(size_t off) const noexcept {
    const uint16_t s = FStarts[off];
    const size_t from = s & kPlace;
    return {FBase + from, (FStarts[off + 1] & kPlace) - from - (s >> 15)};
  }
  bool TryAppendEmpty(const TRowStr& s) {
    if (!s.empty() || !Packed() || size() >= MaxRows) return false;
    FStarts.push_back(FStarts.back());
    return true;
  }
  // Turns a packed block into one TRowStr per row.
  void Loosen() {
    if (Packed()) LoosenRows();
  }
  void LoosenRows() {
    FRows.reserve(size());
    for (size_t i = 0; i < size(); ++i) FRows.push_back(Get(i));
    Clear();
  }
  void Clear() noexcept {
    std::vector<uint16_t>().swap(FStarts);
    TStrChunk::Release(FChunk);
    FChunk = nullptr;
  }

  // The fields a loose row's reading needs come first, on one cache line.
  TStrChunk* FChunk = nullptr;      // packed: the rows' chunk, one reference held
  std::vector<TRowStr> FRows;       // loose: one text per row
  std::vector<uint16_t> FStarts;    // packed: row starts from FBase, and a sentinel
  uint32_t FBase = 0;               // packed: where the stretch begins in the chunk
};
