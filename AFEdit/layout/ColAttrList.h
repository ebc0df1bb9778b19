// Column attributes: one colour and style per byte of a row, and the blocks
// of coloured text that may span rows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "AFEdit/platform/Types.h"

struct TColAttr {
  TColor Color = 0;
  TFontStyles Style;
  bool Active = false;
};

// One entry per byte of a row's text.  Entries read through Items() are
// created zeroed on demand.
class TColAttrList {
public:
  TColAttr& Items(int Index);
  const TColAttr& At(int Index) const { return FItems[static_cast<size_t>(Index)]; }  // Index < Count()
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  void SetCount(int N);  // growing adds empty entries, shrinking drops the tail
  void Delete(int Index);
  void Clear() noexcept { FItems.clear(); }
  void AddCopy(const TColAttr& Rec) { FItems.push_back(Rec); }
  void InsertCopy(int Index, const TColAttr& Rec);
  // Removes Count entries starting at Index (fewer at the end of the list).
  void DeleteRange(int Index, int Count);
  void InsertEmpty(int Index, int Count);

private:
  std::vector<TColAttr> FItems;
};

struct TBlkAttr {
  int StartCol = 0;
  int StartRow = 0;
  int EndCol = 0;
  int EndRow = 0;
  TColor Color = 0;
  TFontStyles Style;
};

class TBlkAttrList;
using TBlockDeleteEvent = std::function<void(TBlkAttrList* Sender, int FirstRow, int LastRow)>;

// Blocks in list order; the list owns them.
class TBlkAttrList {
public:
  TBlkAttr& Items(int Index);
  const TBlkAttr& At(int Index) const { return *FItems[static_cast<size_t>(Index)]; }  // Index < Count()
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  void SetCount(int N);
  void Delete(int Index);  // runs OnDelete first with the block's rows
  void Clear() noexcept { FItems.clear(); }
  TBlkAttr& Add(const TBlkAttr& Rec);

  TBlockDeleteEvent OnDelete;

private:
  std::vector<std::unique_ptr<TBlkAttr>> FItems;
};
