#include "AFEdit/document/TextDiff.h"

#include <algorithm>
#include <cstring>

namespace {

// A position in a list of pieces read front to back.
class TCursor {
public:
  explicit TCursor(const TPieceList& L) : FL(L), FN(L.Count()) {}
  size_t Pos() const noexcept { return FPos; }
  // The bytes from here to the end of the current piece; empty at the end.
  std::string_view Cur() {
    while (FI < FN) {
      const std::string_view p = FL.Piece(FI);
      if (FOff < p.size()) return p.substr(FOff);
      ++FI;
      FOff = 0;
    }
    return {};
  }
  // Moves on N bytes (or to the end); returns how many it moved.
  size_t Skip(size_t N) { return Take(N, nullptr); }
  // Copies N bytes (or what is left) to Out and moves past them.
  size_t Take(size_t N, char* Out) {
    size_t done = 0;
    while (done < N) {
      const std::string_view c = Cur();
      if (c.empty()) break;
      const size_t k = std::min(N - done, c.size());
      if (Out) std::memcpy(Out + done, c.data(), k);
      FOff += k;
      done += k;
    }
    FPos += done;
    return done;
  }
  // The next N bytes (fewer at the end) as one view, copied into Buf when
  // they span pieces.  The cursor stays.
  std::string_view Peek(size_t N, std::string& Buf) {
    const std::string_view c = Cur();
    if (c.size() >= N) return c.substr(0, N);
    TCursor copy = *this;
    Buf.resize(N);
    Buf.resize(copy.Take(N, Buf.data()));
    return Buf;
  }

private:
  const TPieceList& FL;
  size_t FN;
  size_t FI = 0, FOff = 0, FPos = 0;
};

// A position in a list of pieces read back to front.
class TBackCursor {
public:
  explicit TBackCursor(const TPieceList& L) : FL(L), FI(L.Count()) {}
  // The bytes of the current piece before here; empty at the start.
  std::string_view Cur() {
    while (FI > 0) {
      const std::string_view p = FL.Piece(FI - 1);
      if (FUsed < p.size()) return p.substr(0, p.size() - FUsed);
      --FI;
      FUsed = 0;
    }
    return {};
  }
  void Skip(size_t K) noexcept { FUsed += K; }  // K <= Cur().size()

private:
  const TPieceList& FL;
  size_t FI, FUsed = 0;
};

size_t TotalSize(const TPieceList& L) {
  size_t n = 0;
  for (size_t i = 0; i < L.Count(); ++i) n += L.Piece(i).size();
  return n;
}

// Equal bytes from both cursors on, at most Limit; both move past them.
size_t CommonPrefix(TCursor& A, TCursor& B, size_t Limit) {
  size_t n = 0;
  while (n < Limit) {
    const std::string_view x = A.Cur(), y = B.Cur();
    const size_t k = std::min({x.size(), y.size(), Limit - n});
    if (k == 0) break;
    size_t j = k;
    if (std::memcmp(x.data(), y.data(), k) != 0)
      j = static_cast<size_t>(std::mismatch(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(k), y.begin()).first -
                              x.begin());
    A.Skip(j);
    B.Skip(j);
    n += j;
    if (j < k) break;
  }
  return n;
}

// Equal bytes before both ends, at most Limit.
size_t CommonSuffix(const TPieceList& Old, const TPieceList& New, size_t Limit) {
  TBackCursor a(Old), b(New);
  size_t n = 0;
  while (n < Limit) {
    const std::string_view x = a.Cur(), y = b.Cur();
    const size_t k = std::min({x.size(), y.size(), Limit - n});
    if (k == 0) break;
    size_t j = 0;
    if (std::memcmp(x.data() + x.size() - k, y.data() + y.size() - k, k) == 0)
      j = k;
    else
      while (j < k && x[x.size() - 1 - j] == y[y.size() - 1 - j]) ++j;
    a.Skip(j);
    b.Skip(j);
    n += j;
    if (j < k) break;
  }
  return n;
}

// Where the next shared bytes start in two windows: an anchor taken from one
// window at growing distances from its start, looked for in the other.  An
// anchor shorter than kAnchor is used only where it reaches its window's end.
bool FindAnchor(std::string_view WinA, std::string_view WinB, bool EndA, bool EndB, size_t& GapA,
                size_t& GapB) {
  const auto search = [](std::string_view From, std::string_view In, bool FromEnds, size_t D, size_t& At) {
    if (D >= From.size()) return false;
    const std::string_view anchor = From.substr(D, TTextDiff::kAnchor);
    if (anchor.size() < TTextDiff::kAnchor && !FromEnds) return false;
    At = In.find(anchor);
    return At != std::string_view::npos;
  };
  for (size_t d = 0; d < std::max(WinA.size(), WinB.size()); d = d ? 2 * d : 1) {
    size_t at;
    if (search(WinA, WinB, EndA, d, at)) {
      GapA = d;
      GapB = at;
      return true;
    }
    if (search(WinB, WinA, EndB, d, at)) {
      GapA = at;
      GapB = d;
      return true;
    }
  }
  return false;
}

}  // namespace

bool TTextDiff::Make(const TPieceList& Old, const TPieceList& New, size_t Budget) {
  *this = TTextDiff();
  FOldSize = TotalSize(Old);
  FNewSize = TotalSize(New);
  TCursor a(Old), b(New);
  const size_t prefix = CommonPrefix(a, b, std::min(FOldSize, FNewSize));
  const size_t suffix = CommonSuffix(Old, New, std::min(FOldSize, FNewSize) - prefix);
  const size_t endA = FOldSize - suffix, endB = FNewSize - suffix;
  FSteps.push_back({0, 0, prefix});

  // Stores the gaps before the next shared bytes; false past the budget.
  const auto gaps = [&](size_t GapA, size_t GapB) {
    if (FOldLit.size() + FNewLit.size() + GapA + GapB > Budget) return false;
    const size_t oa = FOldLit.size(), ob = FNewLit.size();
    FOldLit.resize(oa + GapA);
    FNewLit.resize(ob + GapB);
    a.Take(GapA, FOldLit.data() + oa);
    b.Take(GapB, FNewLit.data() + ob);
    return true;
  };
  std::string bufA, bufB;
  for (int step = 0; step < kMaxSteps && a.Pos() < endA && b.Pos() < endB; ++step) {
    const size_t remA = endA - a.Pos(), remB = endB - b.Pos();
    const std::string_view winA = a.Peek(std::min(kWindow, remA), bufA);
    const std::string_view winB = b.Peek(std::min(kWindow, remB), bufB);
    size_t gapA = 0, gapB = 0;
    if (!FindAnchor(winA, winB, remA <= kWindow, remB <= kWindow, gapA, gapB)) break;
    if (!gaps(gapA, gapB)) {
      *this = TTextDiff();
      return false;
    }
    const size_t match = CommonPrefix(a, b, std::min(endA - a.Pos(), endB - b.Pos()));
    FSteps.push_back({gapA, gapB, match});
  }
  const size_t lastA = endA - a.Pos(), lastB = endB - b.Pos();
  if (!gaps(lastA, lastB)) {
    *this = TTextDiff();
    return false;
  }
  FSteps.push_back({lastA, lastB, suffix});
  FOldLit.shrink_to_fit();
  FNewLit.shrink_to_fit();
  FSteps.shrink_to_fit();
  return true;
}

void TTextDiff::Rebuild(const TPieceList& From, bool ToOld, char* Out) const {
  TCursor c(From);
  const std::string& lit = ToOld ? FOldLit : FNewLit;
  size_t litPos = 0, out = 0;
  for (const TStep& s : FSteps) {
    const size_t put = ToOld ? s.OldGap : s.NewGap;
    std::memcpy(Out + out, lit.data() + litPos, put);
    litPos += put;
    out += put;
    c.Skip(ToOld ? s.NewGap : s.OldGap);
    const size_t got = c.Take(s.Match, Out + out);
    std::memset(Out + out + got, 0, s.Match - got);  // only when From is not the diff's side
    out += s.Match;
  }
}

size_t TTextDiff::HeldBytes() const noexcept {
  return FSteps.capacity() * sizeof(TStep) + FOldLit.capacity() + FNewLit.capacity();
}

std::string TTextDiff::Check() const {
  size_t oldBytes = 0, newBytes = 0, oldLit = 0, newLit = 0;
  for (const TStep& s : FSteps) {
    oldBytes += s.OldGap + s.Match;
    newBytes += s.NewGap + s.Match;
    oldLit += s.OldGap;
    newLit += s.NewGap;
  }
  if (oldBytes != FOldSize || newBytes != FNewSize) return "text diff: steps and sizes disagree";
  if (oldLit != FOldLit.size() || newLit != FNewLit.size()) return "text diff: gaps and stored bytes disagree";
  return {};
}
