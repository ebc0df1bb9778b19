// The blocked sequence under the row and record lists, against a plain
// vector, with small blocks so that splits, merges by deletion and the lazy
// block starts are all exercised.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "AFEdit/document/BlockIndex.h"

namespace {

template <size_t B>
void RandomOps(unsigned seed) {
  TBlockIndex<TVectorBlock<int>, B> seq;
  std::vector<int> model;
  std::mt19937 rng(seed);
  for (int step = 0; step < 20000; ++step) {
    const unsigned op = rng() % 10;
    const size_t n = model.size();
    if (op < 5 || n == 0) {
      // Inserts cluster at advancing points, like re-wrapping a paragraph.
      const size_t at = op < 2 && n ? (static_cast<size_t>(step) % (n + 1)) : rng() % (n + 1);
      seq.Insert(at, step);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), step);
    } else if (op < 8) {
      const size_t at = rng() % n;
      seq.Erase(at);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      const size_t at = rng() % n;
      auto loc = seq.Locate(at);
      ASSERT_EQ(loc.B->Items[loc.Off], model[at]) << "step " << step;
      ASSERT_EQ(seq.StartOf(loc.K) + loc.Off, at);
    }
    ASSERT_EQ(seq.size(), model.size());
    ASSERT_EQ(seq.Check(), "") << "step " << step;
  }
  for (size_t i = 0; i < model.size(); ++i) {
    auto loc = seq.Locate(i);
    ASSERT_EQ(loc.B->Items[loc.Off], model[i]) << i;
  }
}

TEST(BlockIndex, MatchesAVectorThroughRandomEdits) {
  RandomOps<4>(1);
  RandomOps<16>(2);
  RandomOps<1024>(3);
}

// Emptying the first block leaves the next one starting at element 0.
TEST(BlockIndex, TheFirstBlockCanGo) {
  TBlockIndex<TVectorBlock<int>, 4> seq;
  for (int i = 0; i < 12; ++i) seq.PushBack(i);
  ASSERT_EQ(seq.StartOf(2), 8u);  // every start known
  for (int i = 0; i < 4; ++i) seq.Erase(0);
  EXPECT_EQ(seq.Check(), "");
  const auto loc = seq.Locate(0);
  EXPECT_EQ(loc.B->Items[loc.Off], 4);
}

TEST(BlockIndex, InsertsAtAdvancingPointsDoNotFragment) {
  TBlockIndex<TVectorBlock<int>, 1024> seq;
  for (int i = 0; i < 100000; ++i) seq.PushBack(i);
  for (int r = 0; r < 5000; ++r) seq.Insert(static_cast<size_t>(r) + 1, -r);
  // The inserted run packs into full blocks instead of one block each.
  EXPECT_LT(seq.BlockCount(), 100000u / 1024 + 5000u / 1024 + 10);
  EXPECT_EQ(seq.Locate(1).B->Items[seq.Locate(1).Off], 0);
  EXPECT_EQ(seq.Locate(5001).B->Items[seq.Locate(5001).Off], 1);
}

}  // namespace
