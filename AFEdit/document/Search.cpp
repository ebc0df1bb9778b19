#include "AFEdit/document/Search.h"

#include <algorithm>
#include <cstring>

#include "AFEdit/platform/Cp932.h"

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (unsigned c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return t;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

unsigned char At(std::string_view S, size_t I) noexcept { return static_cast<unsigned char>(S[I]); }

// The offset where the row holding byte P begins.
size_t RowStartOf(const TLineView& L, size_t P) noexcept {
  const auto it = std::upper_bound(L.RowStarts.begin(), L.RowStarts.end(), P);
  return it == L.RowStarts.begin() ? 0 : *(it - 1);
}

}  // namespace

bool IsCharStartIn(const TLineView& L, size_t P) noexcept {
  if (P == 0 || P >= L.Text.size()) return true;
  const size_t base = RowStartOf(L, P);
  // Back over lead-range bytes: the byte before them ends a character, so
  // they pair up from there and P is a second byte when the count is odd.
  size_t k = P;
  while (k > base && IsLeadByte(At(L.Text, k - 1))) --k;
  return ((P - k) & 1u) == 0;
}

bool IsSearchWordByte(unsigned char B) noexcept {
  return (B >= '0' && B <= '9') || (B >= 'A' && B <= 'Z') || (B >= 'a' && B <= 'z') || B == '_';
}

bool IsWholeWordAt(const TLineView& L, size_t B, size_t E) noexcept {
  const std::string_view T = L.Text;
  if (B >= E || E > T.size()) return false;
  // An ASCII word byte is never a lead byte, so where it starts a character
  // it is one of its own.
  const bool firstWord = IsSearchWordByte(At(T, B));
  const bool prevWord = B > 0 && IsSearchWordByte(At(T, B - 1)) && IsCharStartIn(L, B - 1);
  if (firstWord && prevWord) return false;
  const bool lastWord = IsSearchWordByte(At(T, E - 1)) && IsCharStartIn(L, E - 1);
  const bool nextWord = E < T.size() && IsSearchWordByte(At(T, E));
  return !(lastWord && nextWord);
}

bool TLineMatcher::Prev(const TLineView& L, size_t Before, size_t& B, size_t& E) {
  bool found = false;
  size_t b = 0, e = 0;
  for (size_t from = 0; from < Before && Next(L, from, b, e) && b < Before; from = b + 1) {
    B = b;
    E = e;
    found = true;
  }
  return found;
}

void TLineMatcher::Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F) {
  for (size_t i = 0; i < Lines.size(); ++i) {
    size_t b = 0, e = 0;
    for (size_t from = i == 0 ? From : 0; Next(Lines[i], from, b, e); from = e)
      if (!F(i, b, e)) return;
  }
}

TByteSearch::TByteSearch(std::string_view Pattern, TSearchFlags Flags) : FPat(Pattern), FFlags(Flags) {
  const size_t m = FPat.size();
  FExact.assign(m, true);
  for (size_t i = 0; i < m; ++i) {
    const unsigned char c = At(FPat, i);
    if (IsLeadByte(c) && i + 1 < m) {
      ++i;  // the second byte stays exact
      continue;
    }
    FExact[i] = false;
    if (!Flags.MatchCase && kFold[c] != c) FPat[i] = static_cast<char>(kFold[c]);
    if (!Flags.MatchCase && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) FFold = true;
  }
  FShift.fill(static_cast<uint32_t>(m));
  for (size_t i = 0; i + 1 < m; ++i) FShift[kFold[At(FPat, i)]] = static_cast<uint32_t>(m - 1 - i);
}

size_t TByteSearch::Candidate(std::string_view T, size_t From) const noexcept {
  const size_t m = FPat.size(), n = T.size();
  if (m == 0 || From > n || n - From < m) return std::string_view::npos;
  if (!FFold) {
    const void* p = memmem(T.data() + From, n - From, FPat.data(), m);
    return p ? static_cast<size_t>(static_cast<const char*>(p) - T.data()) : std::string_view::npos;
  }
  const unsigned char* t = reinterpret_cast<const unsigned char*>(T.data());
  const unsigned char* p = reinterpret_cast<const unsigned char*>(FPat.data());
  for (size_t i = From; i + m <= n; i += FShift[kFold[t[i + m - 1]]]) {
    size_t k = m;
    while (k > 0 && (FExact[k - 1] ? t[i + k - 1] == p[k - 1] : kFold[t[i + k - 1]] == p[k - 1])) --k;
    if (k == 0) return i;
  }
  return std::string_view::npos;
}

bool TByteSearch::Next(const TLineView& L, size_t From, size_t& B, size_t& E) {
  const size_t m = FPat.size();
  for (size_t at = From;; ++at) {
    at = Candidate(L.Text, at);
    if (at == std::string_view::npos) return false;
    if (!IsCharStartIn(L, at) || !IsCharStartIn(L, at + m)) continue;
    if (FFlags.WholeWord && !IsWholeWordAt(L, at, at + m)) continue;
    B = at;
    E = at + m;
    return true;
  }
}

namespace {

// Lines [I, end) hold one row each and follow each other in memory with at
// most the two bytes of a line end between them.  Such rows are slices of
// one shared chunk, so the bytes from the first to the last may be read as
// one stretch.
size_t RunEnd(std::span<const TLineView> Lines, size_t I) {
  constexpr size_t kMaxRun = 1 << 20;  // bytes
  if (!Lines[I].RowStarts.empty()) return I + 1;
  const char* start = Lines[I].Text.data();
  const char* end = start + Lines[I].Text.size();
  size_t j = I + 1;
  for (; j < Lines.size(); ++j) {
    const TLineView& l = Lines[j];
    const auto at = reinterpret_cast<uintptr_t>(l.Text.data()), e = reinterpret_cast<uintptr_t>(end);
    if (!l.RowStarts.empty() || at < e || at - e > 2 || static_cast<size_t>(end - start) > kMaxRun) break;
    end = l.Text.data() + l.Text.size();
  }
  return j;
}

}  // namespace

void TByteSearch::Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F) {
  size_t runEnd = 0;
  for (size_t i = 0; i < Lines.size();) {
    const size_t from = i == 0 ? std::min(From, Lines[0].Text.size()) : 0;
    if (i >= runEnd) runEnd = RunEnd(Lines, i);
    if (runEnd - i > 1) {
      const char* b = Lines[i].Text.data() + from;
      const TLineView& last = Lines[runEnd - 1];
      const size_t at = Candidate({b, static_cast<size_t>(last.Text.data() + last.Text.size() - b)}, 0);
      if (at == std::string_view::npos) {
        i = runEnd;
        continue;
      }
      // Lines before the candidate's hold no match.
      while (i + 1 < runEnd && Lines[i + 1].Text.data() <= b + at) ++i;
    }
    size_t mb = 0, me = 0;
    for (size_t f = i == 0 ? From : 0; Next(Lines[i], f, mb, me); f = me)
      if (!F(i, mb, me)) return;
    ++i;
  }
}
