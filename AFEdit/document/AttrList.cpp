#include "AFEdit/document/AttrList.h"

#include <algorithm>
#include <cstring>
#include <ostream>


namespace {
constexpr size_t kMaxRun = 1024;

void Put16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

void EncodeLineAttr(const TLineAttr& A, unsigned char* out) {
  Put32(out, static_cast<uint32_t>(A.TextColor));
  Put32(out + 4, static_cast<uint32_t>(A.BackColor));
  Put16(out + 8, static_cast<uint16_t>(A.Indent));
  Put16(out + 10, 0);  // reserved
  Put16(out + 12, static_cast<uint16_t>(A.WrapPos));
  out[14] = A.FontStyle.ToBits();
  out[15] = A.Dirty ? 1 : 0;
  Put32(out + 16, 0);  // reserved
}

TLineAttr DecodeLineAttr(const unsigned char* in) {
  TLineAttr A;
  A.TextColor = static_cast<TColor>(Get32(in));
  A.BackColor = static_cast<TColor>(Get32(in + 4));
  A.Indent = static_cast<int16_t>(Get16(in + 8));
  A.Reserved = static_cast<int16_t>(Get16(in + 10));
  A.WrapPos = static_cast<int16_t>(Get16(in + 12));
  A.FontStyle = TFontStyles::FromBits(in[14]);
  A.Dirty = in[15] != 0;
  return A;
}

void WriteLineAttr(std::ostream& Stream, const TLineAttr& A) {
  unsigned char buf[kLineAttrDiskSize];
  EncodeLineAttr(A, buf);
  Stream.write(reinterpret_cast<const char*>(buf), sizeof buf);
}

// ---- blocks ----

void TAttrList::TBlock::Expand() {
  if (RunCount) {
    Items.assign(RunCount, Run);
    Present.assign(RunCount, 1);
    Cols.clear();
    Cols.resize(RunCount);
    RunCount = 0;
  }
}

void TAttrList::TBlock::ApplyFlag(uint8_t) {
  if (RunCount) {
    Run.Dirty = true;
    return;
  }
  for (size_t i = 0; i < Items.size(); ++i)
    if (Present[i]) Items[i].Dirty = true;
}

void TAttrList::TBlock::Insert(size_t off, const std::pair<TLineAttr, bool>& e) {
  const TLineAttr& rec = e.first;
  if (e.second && size() < kMaxRun && (size() == 0 || (RunCount && rec == Run))) {
    // Equal records stay a run.
    if (RunCount == 0) Run = rec;
    ++RunCount;
    return;
  }
  Expand();
  const auto at = static_cast<std::ptrdiff_t>(off);
  Items.insert(Items.begin() + at, e.second ? rec : TLineAttr{});
  Present.insert(Present.begin() + at, e.second ? 1 : 0);
  Cols.insert(Cols.begin() + at, nullptr);
}

void TAttrList::TBlock::Erase(size_t off) {
  if (RunCount) {
    --RunCount;  // all copies are equal: any one can go
    return;
  }
  const auto at = static_cast<std::ptrdiff_t>(off);
  Items.erase(Items.begin() + at);
  Present.erase(Present.begin() + at);
  Cols.erase(Cols.begin() + at);
}

std::unique_ptr<TAttrList::TBlock> TAttrList::TBlock::SplitOff(size_t off) {
  auto b = std::make_unique<TBlock>();
  if (RunCount) {
    b->Run = Run;
    b->RunCount = static_cast<uint32_t>(RunCount - off);
    RunCount = static_cast<uint32_t>(off);
    if (RunCount == 0) Run = TLineAttr{};
    return b;
  }
  const auto at = static_cast<std::ptrdiff_t>(off);
  b->Items.assign(Items.begin() + at, Items.end());
  b->Present.assign(Present.begin() + at, Present.end());
  b->Cols.assign(std::make_move_iterator(Cols.begin() + at), std::make_move_iterator(Cols.end()));
  Items.erase(Items.begin() + at, Items.end());
  Present.erase(Present.begin() + at, Present.end());
  Cols.erase(Cols.begin() + at, Cols.end());
  return b;
}

TLineAttr TAttrList::TBlock::Get(size_t off, bool pendingDirty) const {
  TLineAttr a = RunCount ? Run : Items[off];
  if (pendingDirty && Has(off)) a.Dirty = true;
  return a;
}

std::string TAttrList::TBlock::Check() const {
  if (RunCount) {
    if (!Items.empty() || !Present.empty() || !Cols.empty()) return "a run block holds separate entries";
    if (RunCount > kMaxRun) return "a run longer than its limit";
    return {};
  }
  if (Present.size() != Items.size() || Cols.size() != Items.size()) return "block vectors of unequal length";
  for (size_t i = 0; i < Items.size(); ++i)
    if (Cols[i] && !Present[i]) return "a column list on an entry without a record";
  return {};
}

// ---- list ----

TAttrList::TBlock& TAttrList::LiveBlock(int Index, size_t& Off) {
  auto loc = FIndex.Locate(static_cast<size_t>(Index));
  FIndex.Settle(loc.K);
  loc.B->Expand();
  Off = loc.Off;
  return *loc.B;
}

TLineAttr& TAttrList::Live(int Index) {
  size_t off;
  TBlock& b = LiveBlock(Index, off);
  b.Present[off] = 1;
  return b.Items[off];
}

TLineAttr& TAttrList::GetAttr(int Index) {
  if (Index >= Count()) SetCount(Index + 1);
  return Live(Index);
}

void TAttrList::SetAttr(int Index, const TLineAttr& Rec_) {
  const TLineAttr Rec = Rec_;  // Rec_ may live in this list
  if (Index == Count()) {      // appending: may extend a run
    FIndex.PushBack(std::pair<TLineAttr, bool>(Rec, true));
    return;
  }
  FreeColAttrs(Index);
  GetAttr(Index) = Rec;
}

void TAttrList::SetCount(int N) {
  while (Count() > N && Count() > 0) DeleteAttr(Count() - 1);
  const std::pair<TLineAttr, bool> empty(TLineAttr{}, false);
  while (Count() < N) FIndex.PushBack(empty);
}

int TAttrList::AddAttr(const TLineAttr& Rec) {
  FIndex.PushBack(std::pair<TLineAttr, bool>(Rec, true));
  return Count() - 1;
}

void TAttrList::InsertAttr(int Index, const TLineAttr& Rec) {
  FIndex.Insert(static_cast<size_t>(Index), std::pair<TLineAttr, bool>(Rec, true));
}

void TAttrList::DeleteAttr(int Index) { FIndex.Erase(static_cast<size_t>(Index)); }

TColAttrList* TAttrList::ColAttrs(int Index) {
  if (Index < 0 || Index >= Count()) return nullptr;
  auto loc = FIndex.Locate(static_cast<size_t>(Index));
  if (loc.B->RunCount) return nullptr;  // runs never hold column lists
  return loc.B->Cols[loc.Off].get();
}

TColAttrList& TAttrList::EnsureColAttrs(int Index, int Count_) {
  if (Index >= Count()) SetCount(Index + 1);
  size_t off;
  TBlock& b = LiveBlock(Index, off);
  b.Present[off] = 1;
  std::unique_ptr<TColAttrList>& l = b.Cols[off];
  if (!l) {
    l = std::make_unique<TColAttrList>();
    l->SetCount(Count_);
  }
  return *l;
}

void TAttrList::FreeColAttrs(int Index) {
  if (Index < 0 || Index >= Count()) return;
  auto loc = FIndex.Locate(static_cast<size_t>(Index));
  if (!loc.B->RunCount) loc.B->Cols[loc.Off].reset();
}

bool TAttrList::HasAttr(int Index) const {
  if (Index < 0 || Index >= Count()) return false;
  auto loc = FIndex.Locate(static_cast<size_t>(Index));
  return loc.B->Has(loc.Off);
}

TLineAttr TAttrList::PeekAttr(int Index) const {
  if (Index < 0 || Index >= Count()) return {};
  auto loc = FIndex.Locate(static_cast<size_t>(Index));
  return loc.B->Get(loc.Off, FIndex.Flag(loc.K) != 0);
}

void TAttrList::MarkDirty(int From, int To) {
  From = std::max(From, 0);
  To = std::min(To, Count());
  if (From >= To) return;
  size_t i = static_cast<size_t>(From);
  const size_t end = static_cast<size_t>(To);
  while (i < end) {
    auto loc = FIndex.Locate(i);
    TBlock& b = *loc.B;
    const size_t n = std::min(b.size() - loc.Off, end - i);
    if (loc.Off == 0 && end == static_cast<size_t>(Count())) {
      FIndex.SetFlagsFrom(loc.K, 1);  // this block and every one after it
      return;
    }
    if (loc.Off == 0 && n == b.size()) {
      FIndex.SetFlag(loc.K, 1);
    } else {
      FIndex.Settle(loc.K);
      b.Expand();
      for (size_t j = loc.Off; j < loc.Off + n; ++j)
        if (b.Present[j]) b.Items[j].Dirty = true;
    }
    i += n;
  }
}

std::string TAttrList::Check() const {
  std::string err = FIndex.Check();
  for (size_t k = 0; err.empty() && k < FIndex.BlockCount(); ++k) err = FIndex.BlockAt(k).Check();
  return err;
}

void TAttrList::WriteAttrs(const std::function<void(const char*, size_t)>& Put) const {
  std::vector<unsigned char> buf;
  for (size_t k = 0; k < FIndex.BlockCount(); ++k) {
    const TBlock& b = FIndex.BlockAt(k);
    const bool pending = FIndex.Flag(k) != 0;
    buf.resize(b.size() * kLineAttrDiskSize);
    unsigned char* out = buf.data();
    if (b.RunCount) {  // one record, repeated
      EncodeLineAttr(b.Get(0, pending), out);
      for (size_t i = 1; i < b.RunCount; ++i) std::memcpy(out + i * kLineAttrDiskSize, out, kLineAttrDiskSize);
      out += b.RunCount * kLineAttrDiskSize;
    } else {
      for (size_t i = 0; i < b.size(); ++i) {
        if (!b.Has(i)) continue;
        EncodeLineAttr(b.Get(i, pending), out);
        out += kLineAttrDiskSize;
      }
    }
    Put(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(out - buf.data()));
  }
}

void TAttrList::ForEachRecord(const std::function<void(const TLineAttr&, size_t)>& F) const {
  for (size_t k = 0; k < FIndex.BlockCount(); ++k) {
    const TBlock& b = FIndex.BlockAt(k);
    const bool pending = FIndex.Flag(k) != 0;
    if (b.RunCount) {
      F(b.Get(0, pending), b.RunCount);
      continue;
    }
    for (size_t i = 0; i < b.size(); ++i)
      if (b.Has(i)) F(b.Get(i, pending), 1);
  }
}

bool TAttrList::AnyColList(const std::function<bool(const TColAttrList&)>& F) const {
  for (size_t k = 0; k < FIndex.BlockCount(); ++k)
    for (const auto& cols : FIndex.BlockAt(k).Cols)
      if (cols && F(*cols)) return true;
  return false;
}

void TAttrList::WriteAttrs(std::ostream& Stream) const {
  WriteAttrs([&](const char* p, size_t n) { Stream.write(p, static_cast<std::streamsize>(n)); });
}
