#include "AFEdit/layout/ColAttrList.h"

#include <algorithm>

TColAttr& TColAttrList::Items(int Index) {
  if (Index >= Count()) FItems.resize(static_cast<size_t>(Index) + 1);
  return FItems[static_cast<size_t>(Index)];
}

void TColAttrList::SetCount(int N) { FItems.resize(static_cast<size_t>(std::max(N, 0))); }

void TColAttrList::Delete(int Index) {
  if (Index >= 0 && Index < Count()) FItems.erase(FItems.begin() + Index);
}

void TColAttrList::InsertCopy(int Index, const TColAttr& Rec) {
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Rec);
}

void TColAttrList::DeleteRange(int Index, int Count_) {
  Index = std::clamp(Index, 0, Count());
  const int end = std::clamp(Index + std::max(Count_, 0), Index, Count());
  FItems.erase(FItems.begin() + Index, FItems.begin() + end);
}

void TColAttrList::InsertEmpty(int Index, int Count_) {
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, static_cast<size_t>(std::max(Count_, 0)), TColAttr{});
}

TBlkAttr& TBlkAttrList::Items(int Index) {
  while (Index >= Count()) FItems.push_back(std::make_unique<TBlkAttr>());
  return *FItems[static_cast<size_t>(Index)];
}

void TBlkAttrList::SetCount(int N) {
  N = std::max(N, 0);
  if (N < Count()) {
    FItems.resize(static_cast<size_t>(N));
  } else {
    while (Count() < N) FItems.push_back(std::make_unique<TBlkAttr>());
  }
}

void TBlkAttrList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  const TBlkAttr& b = *FItems[static_cast<size_t>(Index)];
  if (OnDelete) OnDelete(this, b.StartRow, b.EndRow);
  FItems.erase(FItems.begin() + Index);
}

TBlkAttr& TBlkAttrList::Add(const TBlkAttr& Rec) {
  FItems.push_back(std::make_unique<TBlkAttr>(Rec));
  return *FItems.back();
}
