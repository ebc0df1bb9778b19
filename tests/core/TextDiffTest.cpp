// Differences of row runs, as the history stores them: either side is
// rebuilt exactly from the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/document/TextDiff.h"

namespace {

// S cut into pieces of random sizes (empty ones too).
std::vector<std::string> Cut(const std::string& S, std::mt19937& Rng) {
  std::vector<std::string> out;
  for (size_t p = 0; p < S.size();) {
    if (Rng() % 8 == 0) out.emplace_back();
    const size_t n = 1 + Rng() % 90;
    out.push_back(S.substr(p, n));
    p += n;
  }
  return out;
}

TViewPieces Views(const std::vector<std::string>& P) {
  return TViewPieces(std::vector<std::string_view>(P.begin(), P.end()));
}

std::string Rebuilt(const TTextDiff& D, const std::vector<std::string>& From, bool ToOld) {
  std::string out(D.Size(ToOld), '?');
  D.Rebuild(Views(From), ToOld, out.data());
  return out;
}

}  // namespace

// Random texts changed in a few places (inserts, deletes, replacements, a
// cut tail, the edits of re-wrap), cut into different pieces on each side:
// either side is rebuilt from the other, and a one-place edit stores little.
TEST(TextDiff, EitherSideIsRebuiltExactlyFromTheOther) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    std::string old;
    const size_t len = rng() % 3 == 0 ? rng() % 40 : 1000 + rng() % 60000;
    for (size_t i = 0; i < len; ++i) old += static_cast<char>(rng() % 3 == 0 ? 'a' + rng() % 26 : 'a' + rng() % 3);
    std::string now = old;
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < edits; ++k) {
      const size_t at = now.empty() ? 0 : rng() % now.size();
      const size_t n = rng() % 5 == 0 ? rng() % 3000 : rng() % 4;
      switch (rng() % 4) {
        case 0: now.insert(at, std::string(n, 'X')); break;
        case 1: now.erase(at, n); break;
        case 2: now.replace(at, n, std::string(rng() % 4, 'Y')); break;
        default: now.resize(now.size() - std::min(now.size(), n)); break;
      }
    }
    const std::vector<std::string> a = Cut(old, rng), b = Cut(now, rng);
    TTextDiff d;
    ASSERT_TRUE(d.Make(Views(a), Views(b), SIZE_MAX)) << round;
    ASSERT_EQ(d.Check(), "") << round;
    ASSERT_EQ(Rebuilt(d, b, true), old) << round;
    ASSERT_EQ(Rebuilt(d, a, false), now) << round;
    if (edits == 1 && len > 1000) {
      EXPECT_LE(d.HeldBytes(), 3000u + 256u) << round;
    }
    TTextDiff tight;
    if (tight.Make(Views(a), Views(b), 16)) {
      EXPECT_EQ(Rebuilt(tight, b, true), old) << round;
    }
  }
}
