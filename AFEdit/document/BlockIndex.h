// TBlockIndex: a sequence stored as a list of blocks of at most MaxBlock
// elements.  Inserting or deleting near the front moves at most one block's
// elements, never the whole sequence.  Block start indices are recomputed
// lazily: a change in block k only invalidates the starts after k, and they
// are rebuilt on the next access that needs them, so a run of edits near the
// top of a long document stays cheap.
//
// Every block also carries a flag byte, kept in one array so that flagging all
// blocks from some point on is a single memset.  A flag is pending work on the
// block's elements: the index hands it to Block::ApplyFlag (and clears it)
// before it changes the block, and owners apply it before they read.
//
// Block must provide: size(), Insert(off, value), Erase(off),
// SplitOff(off) -> std::unique_ptr<Block> (moves [off, size) into a new block),
// ApplyFlag(uint8_t).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

template <class Block, size_t MaxBlock = 1024>
class TBlockIndex {
  // Most elements an insertion moves inside its block.
  static constexpr size_t kMaxShift = 64;

public:
  struct Loc {
    Block* B;
    size_t Off;
    size_t K;  // block number
  };

  size_t size() const noexcept { return FCount; }
  size_t BlockCount() const noexcept { return FBlocks.size(); }
  Block& BlockAt(size_t k) noexcept { return *FBlocks[k]; }
  const Block& BlockAt(size_t k) const noexcept { return *FBlocks[k]; }

  uint8_t Flag(size_t k) const noexcept { return FFlags[k]; }
  void SetFlag(size_t k, uint8_t v) noexcept { FFlags[k] = v; }
  // Sets the flag of blocks k and after.
  void SetFlagsFrom(size_t k, uint8_t v) noexcept {
    if (k < FFlags.size()) std::memset(FFlags.data() + k, v, FFlags.size() - k);
  }
  // Hands block k its pending flag, if any.
  void Settle(size_t k) {
    if (FFlags[k]) {
      FBlocks[k]->ApplyFlag(FFlags[k]);
      FFlags[k] = 0;
    }
  }

  // Block and offset of element i (i < size()).
  Loc Locate(size_t i) const {
    assert(i < FCount);
    const size_t k = FindBlock(i);
    return {FBlocks[k].get(), i - FStarts[k], k};
  }
  // Index of the first element of block k.
  size_t StartOf(size_t k) const {
    if (k >= FValid) ExtendTo(k);
    return FStarts[k];
  }

  template <class V>
  void Insert(size_t i, V&& v) {
    assert(i <= FCount);
    if (FBlocks.empty()) {
      FBlocks.push_back(std::make_unique<Block>());
      FFlags.assign(1, 0);
      FStarts.assign(1, 0);
      FValid = 1;
    }
    size_t k, off;
    if (i == FCount) {
      k = FBlocks.size() - 1;
      off = FBlocks[k]->size();
      if (k >= FValid) ExtendTo(k);
    } else {
      k = FindBlock(i);
      off = i - FStarts[k];
    }
    if (off == 0 && k > 0 && FBlocks[k - 1]->size() < MaxBlock) {
      // At the front of a block: append to the block before instead.
      --k;
      off = FBlocks[k]->size();
    }
    Settle(k);
    const size_t size = FBlocks[k]->size();
    const size_t tail = size - off;
    if (size >= MaxBlock || tail > kMaxShift) {
      // Split the block.  Appending to a full block opens a new one.  When
      // many elements would have to move, split at the insertion point and
      // add to the end of the first part, so that a run of inserts at
      // advancing points (re-wrapping a paragraph) appends each time.
      // Otherwise split in halves.
      size_t half = size / 2;
      bool intoNext = off >= half;
      if (off == size) {
        half = off;
        intoNext = true;
      } else if (tail > kMaxShift) {
        half = off;
        intoNext = false;
      }
      FBlocks.insert(FBlocks.begin() + k + 1, FBlocks[k]->SplitOff(half));
      FFlags.insert(FFlags.begin() + static_cast<std::ptrdiff_t>(k) + 1, uint8_t{0});
      FStarts.insert(FStarts.begin() + k + 1, FStarts[k] + half);
      if (intoNext) {
        ++k;
        off -= half;
      }
      FValid = std::min(FValid, k + 1);
    }
    FBlocks[k]->Insert(off, std::forward<V>(v));
    ++FCount;
    Invalidate(k);
  }

  void Erase(size_t i) {
    const size_t k = FindBlock(i);
    Settle(k);
    FBlocks[k]->Erase(i - FStarts[k]);
    --FCount;
    if (FBlocks[k]->size() == 0) {
      FBlocks.erase(FBlocks.begin() + k);
      FFlags.erase(FFlags.begin() + static_cast<std::ptrdiff_t>(k));
      FStarts.erase(FStarts.begin() + k);
      FValid = std::min(FValid, k);
      if (!FBlocks.empty()) {
        FStarts[0] = 0;  // the first block may have gone: its successor starts at 0
        FValid = std::max<size_t>(FValid, 1);
      }
      FLast = 0;
    } else {
      Invalidate(k);
    }
  }

  void Clear() noexcept {
    FBlocks.clear();
    FFlags.clear();
    FStarts.clear();
    FValid = 0;
    FCount = 0;
    FLast = 0;
  }

  // Adds to the last block (or a new one) without the search.
  template <class V>
  void PushBack(V&& v) { Insert(FCount, std::forward<V>(v)); }

  // The last block (its pending flag applied), or nullptr when there is
  // none; for appenders that fill blocks themselves and then call GrewLast.
  Block* LastBlock() {
    if (FBlocks.empty()) return nullptr;
    Settle(FBlocks.size() - 1);
    return FBlocks.back().get();
  }
  // Opens a new, empty last block, to be filled before any other call.
  Block& OpenLastBlock() {
    if (!FBlocks.empty()) ExtendTo(FBlocks.size() - 1);
    FBlocks.push_back(std::make_unique<Block>());
    FFlags.push_back(0);
    FStarts.push_back(FCount);
    FValid = FBlocks.size();
    return *FBlocks.back();
  }
  // Tells the index that the last block grew by n elements.
  void GrewLast(size_t n) noexcept { FCount += n; }

  // Checks that the element count is the sum of the block sizes, that no
  // block is empty or larger than MaxBlock, that there is one flag per block
  // and that the starts known to be valid are the running sums.  Returns
  // what is wrong, or an empty string.
  std::string Check() const {
    if (FFlags.size() != FBlocks.size() || FStarts.size() != FBlocks.size())
      return "block index: one flag and one start per block expected";
    if (FValid > FBlocks.size()) return "block index: more valid starts than blocks";
    size_t sum = 0;
    for (size_t k = 0; k < FBlocks.size(); ++k) {
      const size_t n = FBlocks[k]->size();
      if (n == 0) return "block index: an empty block";
      if (n > MaxBlock) return "block index: a block over its limit";
      if (k < FValid && FStarts[k] != sum) return "block index: a stale block start";
      sum += n;
    }
    if (sum != FCount) return "block index: element count differs from the blocks";
    return {};
  }

private:
  void Invalidate(size_t k) noexcept {
    FValid = std::min(FValid, k + 1);
    if (FLast > k) FLast = k;
  }

  // Makes FStarts valid up to and including block k.
  void ExtendTo(size_t k) const {
    if (FValid == 0) {
      FStarts[0] = 0;
      FValid = 1;
    }
    for (size_t j = FValid; j <= k; ++j) FStarts[j] = FStarts[j - 1] + FBlocks[j - 1]->size();
    if (k + 1 > FValid) FValid = k + 1;
  }

  size_t FindBlock(size_t i) const {
    // Sequential access mostly hits the block found last time.
    if (FLast < FValid && i >= FStarts[FLast] && i - FStarts[FLast] < FBlocks[FLast]->size())
      return FLast;
    size_t k;
    const size_t lastValid = FValid - 1;
    if (i < FStarts[lastValid] + FBlocks[lastValid]->size()) {
      auto it = std::upper_bound(FStarts.begin(), FStarts.begin() + FValid, i);
      k = static_cast<size_t>(it - FStarts.begin()) - 1;
    } else {
      k = lastValid;
      size_t start = FStarts[k];
      while (i >= start + FBlocks[k]->size()) {
        start += FBlocks[k]->size();
        ++k;
        FStarts[k] = start;
      }
      FValid = k + 1;
    }
    FLast = k;
    return k;
  }

  std::vector<std::unique_ptr<Block>> FBlocks;
  std::vector<uint8_t> FFlags;  // one per block
  mutable std::vector<size_t> FStarts;  // valid for blocks [0, FValid)
  mutable size_t FValid = 0;
  mutable size_t FLast = 0;
  size_t FCount = 0;
};

// A block that keeps its elements in a vector.
template <class T>
struct TVectorBlock {
  std::vector<T> Items;
  size_t size() const noexcept { return Items.size(); }
  template <class V>
  void Insert(size_t off, V&& v) { Items.insert(Items.begin() + static_cast<std::ptrdiff_t>(off), std::forward<V>(v)); }
  void Erase(size_t off) { Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(off)); }
  void ApplyFlag(uint8_t) noexcept {}
  std::unique_ptr<TVectorBlock> SplitOff(size_t off) {
    auto b = std::make_unique<TVectorBlock>();
    b->Items.reserve(Items.size() - off);
    std::move(Items.begin() + static_cast<std::ptrdiff_t>(off), Items.end(), std::back_inserter(b->Items));
    Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(off), Items.end());
    return b;
  }
};
