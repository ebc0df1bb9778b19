#include "AFEdit/document/RowRun.h"

#include <algorithm>
#include <string>
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

// One side of an open run as a list of pieces.
class TRowRun::TSide : public TPieceList {
public:
  TSide(const TRowRun& R, bool Old) : FR(R), FOld(Old) {}
  size_t Count() const override { return FR.FRows.size(); }
  std::string_view Piece(size_t I) const override {
    const TSlice& s = FOld ? FR.FRows[I].Old : FR.FRows[I].New;
    if (s.Chunk == kNoChunk) return {};
    return {FR.FChunks[s.Chunk].SharedChunk()->Data() + s.Off, s.Len};
  }

private:
  const TRowRun& FR;
  bool FOld;
};

namespace {

// A sealed run rebuilds its rows into one chunk, whose offsets are 32 bits.
constexpr size_t kMaxSealedBytes = size_t{1} << 31;

void PutDelta(std::string& S, int64_t D) {
  uint64_t z = (static_cast<uint64_t>(D) << 1) ^ static_cast<uint64_t>(D >> 63);
  while (z >= 0x80) {
    S.push_back(static_cast<char>(z | 0x80));
    z >>= 7;
  }
  S.push_back(static_cast<char>(z));
}

int64_t GetDelta(const std::string& S, size_t& P) {
  uint64_t z = 0;
  for (int shift = 0; P < S.size() && shift < 64; shift += 7) {
    const auto b = static_cast<unsigned char>(S[P++]);
    z |= static_cast<uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
}

// The lengths a delta-coded list holds, in order.
template <class F>
void ForEachLength(const std::string& Lens, int Count, F&& f) {
  size_t p = 0;
  int64_t len = 0;
  for (int i = 0; i < Count; ++i) {
    len += GetDelta(Lens, p);
    f(len);
  }
}

}  // namespace

// Whether the two sides look alike enough to be worth a difference: the
// start of old rows, at a few places along the run, is looked for in the new
// rows around them (re-wrap moves a row's bytes by little).
bool TRowRun::SidesAlike() const {
  const TSide oldSide(*this, true), newSide(*this, false);
  const size_t n = FRows.size();
  int tried = 0, found = 0;
  for (size_t k = 0; k < 16 && k < n; ++k) {
    const size_t i = k * n / std::min<size_t>(n, 16);
    const std::string_view head = oldSide.Piece(i).substr(0, 8);
    if (head.size() < 8) continue;
    std::string around;
    for (size_t j = i > 0 ? i - 1 : 0; j < n && j <= i + 1; ++j) around += newSide.Piece(j);
    ++tried;
    found += around.find(head) != std::string::npos;
  }
  return 2 * found >= tried;
}

bool TRowRun::Seal() {
  if (FSealed) return true;
  if (FRows.empty() || !SidesAlike()) return false;
  size_t oldBytes = 0, newBytes = 0;
  for (const TRow& r : FRows) {
    oldBytes += r.Old.Len;
    newBytes += r.New.Len;
  }
  if (oldBytes >= kMaxSealedBytes || newBytes >= kMaxSealedBytes) return false;
  TTextDiff diff;
  if (!diff.Make(TSide(*this, true), TSide(*this, false), 4096 + (oldBytes + newBytes) / 64)) return false;
  uint32_t prevOld = 0, prevNew = 0;
  for (const TRow& r : FRows) {
    PutDelta(FOldLens, static_cast<int64_t>(r.Old.Len) - prevOld);
    PutDelta(FNewLens, static_cast<int64_t>(r.New.Len) - prevNew);
    prevOld = r.Old.Len;
    prevNew = r.New.Len;
  }
  FOldLens.shrink_to_fit();
  FNewLens.shrink_to_fit();
  FDiff = std::move(diff);
  FSealedCount = static_cast<int>(FRows.size());
  FSealed = true;
  std::vector<TRowStr>().swap(FChunks);
  std::vector<TRow>().swap(FRows);
  FRecent[0] = FRecent[1] = kNoChunk;
  return true;
}

std::vector<TRowStr> TRowRun::Rebuild(const TPieceList& Current, bool ToOld) const {
  const size_t size = FDiff.Size(ToOld);
  TRowStr whole;
  if (size > 0) {
    whole = TRowStr(TStrChunk::Create(size), 0, size);
    FDiff.Rebuild(Current, ToOld, whole.SharedChunk()->Data());
  }
  std::vector<TRowStr> rows;
  rows.reserve(static_cast<size_t>(FSealedCount));
  size_t off = 0;
  ForEachLength(ToOld ? FOldLens : FNewLens, FSealedCount, [&](int64_t len) {
    rows.push_back(whole.Substr(off, static_cast<size_t>(len)));
    off += rows.back().size();
  });
  return rows;
}

size_t TRowRun::HeldBytes() const noexcept {
  return FChunks.capacity() * sizeof(TRowStr) + FRows.capacity() * sizeof(TRow) +
         FCarets.capacity() * sizeof(FCarets[0]) + FOldLens.capacity() + FNewLens.capacity() + FDiff.HeldBytes();
}

std::string TRowRun::Check() const {
  for (size_t i = 0; i < FCarets.size(); ++i)
    if (FCarets[i].first < 0 || FCarets[i].first >= Count() || (i > 0 && FCarets[i].first <= FCarets[i - 1].first))
      return "row run: caret rows out of order";
  if (!FSealed) return {};
  if (!FRows.empty() || !FChunks.empty()) return "row run: sealed but still holding texts";
  for (const bool old : {true, false}) {
    int64_t sum = 0;
    bool negative = false;
    ForEachLength(old ? FOldLens : FNewLens, FSealedCount, [&](int64_t len) {
      negative = negative || len < 0;
      sum += len;
    });
    if (negative || static_cast<size_t>(sum) != FDiff.Size(old)) return "row run: lengths and difference disagree";
  }
  return FDiff.Check();
}
