// TRowList: the document's display rows, one shared byte string per row,
// kept in blocks so that inserting or deleting near the top of a long
// document does not move every row below.
#pragma once

#include <string>
#include <string_view>

#include "AFEdit/document/BlockIndex.h"
#include "AFEdit/document/RowStr.h"

class TRowList {
public:
  int Count() const noexcept { return static_cast<int>(FIndex.size()); }
  const TRowStr& operator[](int Row) const {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Items[loc.Off];
  }
  // The row's text in place, for a caller that reads and replaces it.
  TRowStr& Ref(int Row) {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    return loc.B->Items[loc.Off];
  }
  void Set(int Row, TRowStr S) {
    auto loc = FIndex.Locate(static_cast<size_t>(Row));
    loc.B->Items[loc.Off] = std::move(S);
  }
  void Insert(int Row, TRowStr S) { FIndex.Insert(static_cast<size_t>(Row), std::move(S)); }
  void Add(TRowStr S) { FIndex.PushBack(std::move(S)); }
  void Delete(int Row) { FIndex.Erase(static_cast<size_t>(Row)); }
  void Clear() noexcept { FIndex.Clear(); }
  std::string Check() const { return FIndex.Check(); }

  // Calls F(row, text) for rows [From, To) in order.
  template <class F>
  void ForEach(int From, int To, F&& f) const {
    int row = From;
    while (row < To) {
      auto loc = FIndex.Locate(static_cast<size_t>(row));
      const auto& items = loc.B->Items;
      for (size_t i = loc.Off; i < items.size() && row < To; ++i, ++row) f(row, items[i]);
    }
  }

private:
  TBlockIndex<TVectorBlock<TRowStr>> FIndex;
};
