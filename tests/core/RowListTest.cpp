// The row list against a plain vector of strings: rows loaded packed (with
// small blocks and small chunks, line ends skipped between rows, empty and
// over-long rows), then random edits that loosen blocks, with the list's own
// check after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "AFEdit/document/RowList.h"

namespace {

using Model = std::vector<std::string>;

// Bytes of a loaded window: rows of random length (now and then empty, now
// and then longer than a packed block may span) each followed by a line end
// of 0 to 2 bytes that is not part of the row.
struct TWindow {
  std::string Bytes;
  std::vector<TRowSlice> Rows;
};

TWindow MakeWindow(std::mt19937& rng, int Rows) {
  TWindow w;
  for (int i = 0; i < Rows; ++i) {
    const unsigned kind = rng() % 20;
    const size_t len = kind == 0 ? 0 : kind == 1 ? TRowBlock<4>::kSpan + rng() % 50 : rng() % 40;
    const auto off = static_cast<uint32_t>(w.Bytes.size());
    for (size_t k = 0; k < len; ++k) w.Bytes += static_cast<char>('a' + rng() % 26);
    w.Rows.push_back({off, static_cast<uint32_t>(len)});
    w.Bytes.append(rng() % 8 ? 1 : rng() % 3, '\n');
  }
  return w;
}

template <class List>
void ExpectSame(const List& L, const Model& M, int Step) {
  ASSERT_EQ(L.Check(), "") << "step " << Step;
  ASSERT_EQ(L.Count(), static_cast<int>(M.size())) << "step " << Step;
  L.ForEach(0, L.Count(), [&](int r, const TRowStr& s) {
    ASSERT_EQ(s.view(), M[static_cast<size_t>(r)]) << "row " << r << ", step " << Step;
  });
}

template <size_t B>
void LoadThenEdit(unsigned Seed, size_t ChunkSize) {
  std::mt19937 rng(Seed);
  TRowListOf<B> list;
  Model model;
  TRowPacker loader(ChunkSize);
  for (int w = 0; w < 6; ++w) {
    const TWindow win = MakeWindow(rng, 1 + static_cast<int>(rng() % 60));
    PackRowSlices(loader, list, win.Bytes.data(), win.Rows);
    for (const TRowSlice& r : win.Rows) model.push_back(win.Bytes.substr(r.Off, r.Len));
  }
  ExpectSame(list, model, -1);
  ASSERT_GT(list.PackedBlocks(), list.BlockCount() / 2);

  TRowPacker edits(ChunkSize);
  for (int step = 0; step < 3000; ++step) {
    const size_t n = model.size();
    const unsigned op = rng() % 10;
    const std::string text(rng() % 6, static_cast<char>('A' + step % 26));
    // New rows are packed now and then, so that appends can pack again.
    const TRowStr row = rng() % 2 ? edits.Pack(text) : TRowStr(text);
    if (op < 3 || n == 0) {
      const size_t at = op == 0 ? n : rng() % (n + 1);
      list.Insert(static_cast<int>(at), row);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), text);
    } else if (op < 6) {
      const size_t at = rng() % n;
      list.Delete(static_cast<int>(at));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (op < 8) {
      const size_t at = rng() % n;
      list.Set(static_cast<int>(at), row);
      model[at] = text;
    } else if (op < 9) {
      const size_t at = rng() % n;
      const TRowStr old = list[static_cast<int>(at)];
      list.Ref(static_cast<int>(at)) = old.Substr(1);  // a row sharing the old one's bytes
      model[at] = model[at].substr(std::min<size_t>(1, model[at].size()));
    } else {
      // Setting a row to its very own bytes keeps the block packed.
      const size_t at = rng() % n;
      const size_t packed = list.PackedBlocks();
      list.Set(static_cast<int>(at), list[static_cast<int>(at)]);
      ASSERT_EQ(list.PackedBlocks(), packed);
    }
    ExpectSame(list, model, step);
  }
}

TEST(RowList, PackedRowsMatchAVectorThroughLoadingAndEdits) {
  LoadThenEdit<4>(1, 64);
  LoadThenEdit<4>(2, 4096);
  LoadThenEdit<16>(3, 256);
  LoadThenEdit<1024>(4, 1 << 20);
}

// Loaded rows cost a few bytes each: their blocks are packed and the
// packer's chunks are filled before the next one opens.
TEST(RowList, LoadedRowsArePackedAndChunksFilled) {
  std::string bytes;
  std::vector<TRowSlice> rows;
  for (uint32_t i = 0; i < 20000; ++i) {
    const std::string line = "row " + std::to_string(i) + "\r";
    rows.push_back({static_cast<uint32_t>(bytes.size()), static_cast<uint32_t>(line.size())});
    bytes += line + "\n";
  }
  TRowList list;
  TRowPacker packer(1 << 16);
  for (size_t w = 0; w < rows.size(); w += 1000) {  // windows of about 11 KB, as a reader hands them
    std::vector<TRowSlice> window(rows.begin() + static_cast<std::ptrdiff_t>(w),
                                  rows.begin() + static_cast<std::ptrdiff_t>(w + 1000));
    PackRowSlices(packer, list, bytes.data(), window);
  }
  EXPECT_EQ(list.PackedBlocks(), list.BlockCount());
  std::vector<const TStrChunk*> chunks;
  list.ForEach(0, list.Count(), [&](int, const TRowStr& s) { chunks.push_back(s.Chunk()); });
  chunks.erase(std::unique(chunks.begin(), chunks.end()), chunks.end());
  EXPECT_EQ(chunks.size(), bytes.size() / (1 << 16) + 1);
  // A block ends at its row limit, at its span, or with its chunk.
  EXPECT_LE(list.BlockCount(), rows.size() / 1024 + bytes.size() / TRowBlock<1024>::kSpan + chunks.size() + 1);
  EXPECT_EQ(list[12345].view(), "row 12345\r");
  EXPECT_EQ(list.Check(), "");
}

}  // namespace
