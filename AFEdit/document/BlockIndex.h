// TBlockIndex: a sequence stored as a list of blocks of at most MaxBlock
// elements.  Inserting or deleting near the front moves at most one block's
// elements, never the whole sequence.  Block start indices are recomputed
// lazily: a change in block k only invalidates the starts after k, and they
// are rebuilt on the next access that needs them, so a run of edits near the
// top of a long document stays cheap.
//
// Block must provide: size(), Insert(off, value), Erase(off),
// SplitOff(off) -> std::unique_ptr<Block> (moves [off, size) into a new block).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <class Block, size_t MaxBlock = 1024>
class TBlockIndex {
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
    if (FBlocks[k]->size() >= MaxBlock) {
      // Split the full block in two; an append just opens a new block.
      const size_t half = off == FBlocks[k]->size() ? off : FBlocks[k]->size() / 2;
      FBlocks.insert(FBlocks.begin() + k + 1, FBlocks[k]->SplitOff(half));
      FStarts.insert(FStarts.begin() + k + 1, FStarts[k] + half);
      if (off >= half) {
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
    FBlocks[k]->Erase(i - FStarts[k]);
    --FCount;
    if (FBlocks[k]->size() == 0) {
      FBlocks.erase(FBlocks.begin() + k);
      FStarts.erase(FStarts.begin() + k);
      FValid = std::min(FValid, k);
      if (FValid == 0 && !FBlocks.empty()) FValid = 1;  // FStarts[0] is always 0
      FLast = 0;
    } else {
      Invalidate(k);
    }
  }

  void Clear() noexcept {
    FBlocks.clear();
    FStarts.clear();
    FValid = 0;
    FCount = 0;
    FLast = 0;
  }

  // Adds to the last block (or a new one) without the search.
  template <class V>
  void PushBack(V&& v) { Insert(FCount, std::forward<V>(v)); }

  // The last block, created when there is none; used by appenders that fill
  // blocks themselves.
  Block& LastBlockForAppend() {
    if (FBlocks.empty() || FBlocks.back()->size() >= MaxBlock) {
      if (!FBlocks.empty()) ExtendTo(FBlocks.size() - 1);
      const size_t start = FCount;
      FBlocks.push_back(std::make_unique<Block>());
      FStarts.push_back(start);
      FValid = FBlocks.size();
    }
    return *FBlocks.back();
  }
  // Tells the index that the last block grew by n elements.
  void GrewLast(size_t n) noexcept { FCount += n; }

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
  std::unique_ptr<TVectorBlock> SplitOff(size_t off) {
    auto b = std::make_unique<TVectorBlock>();
    b->Items.reserve(Items.size() - off);
    std::move(Items.begin() + static_cast<std::ptrdiff_t>(off), Items.end(), std::back_inserter(b->Items));
    Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(off), Items.end());
    return b;
  }
};
