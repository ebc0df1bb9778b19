#include "AFEdit/document/RowRun.h"

#include <algorithm>
#include <iterator>

uint32_t TRowRun::ChunkIndex(const TRowStr& S) {
  const TStrChunk* c = S.Chunk();
  if (FRecent[0] != kNoChunk && FChunks[FRecent[0]].Chunk() == c) return FRecent[0];
  if (FRecent[1] != kNoChunk && FChunks[FRecent[1]].Chunk() == c) {
    std::swap(FRecent[0], FRecent[1]);
    return FRecent[0];
  }
  FChunks.push_back(S);
  FRecent[1] = FRecent[0];
  FRecent[0] = static_cast<uint32_t>(FChunks.size() - 1);
  return FRecent[0];
}

TRowRun::TSlice TRowRun::Slice(const TRowStr& S) {
  if (S.empty()) return {};
  return {ChunkIndex(S), S.Offset(), static_cast<uint32_t>(S.size())};
}

TRowStr TRowRun::Text(const TSlice& S) const {
  if (S.Chunk == kNoChunk) return {};
  return TRowStr(FChunks[S.Chunk].SharedChunk(), S.Off, S.Len);
}

void TRowRun::Add(const TRowStr& Old, const TRowStr& New, TPoint Caret) {
  if (FCarets.empty() || !(FCarets.back().second == Caret)) FCarets.emplace_back(Count(), Caret);
  FRows.push_back({Slice(Old), Slice(New)});
}

void TRowRun::SetNew(int i, const TRowStr& New) { FRows[static_cast<size_t>(i)].New = Slice(New); }

TPoint TRowRun::Caret(int i) const noexcept {
  // The last entry whose first row is i or before.
  auto it = std::upper_bound(FCarets.begin(), FCarets.end(), i,
                             [](int row, const std::pair<int, TPoint>& c) { return row < c.first; });
  return it == FCarets.begin() ? TPoint{} : std::prev(it)->second;
}

void TRowRun::PopBack() {
  FRows.pop_back();
  if (!FCarets.empty() && FCarets.back().first >= Count()) FCarets.pop_back();
}
