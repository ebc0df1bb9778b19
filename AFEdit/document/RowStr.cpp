#include "AFEdit/document/RowStr.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

TStrChunk* TStrChunk::Create(size_t capacity) {
  void* mem = ::operator new(sizeof(TStrChunk) + capacity);
  auto* c = new (mem) TStrChunk();
  c->FCapacity = capacity;
  return c;
}

static uint32_t CheckedLength(size_t n) {
  if (n > UINT32_MAX) throw std::length_error("row longer than 4 GiB");
  return static_cast<uint32_t>(n);
}

TRowStr::TRowStr(std::string_view s) {
  if (s.empty()) return;
  FLen = CheckedLength(s.size());
  FChunk = TStrChunk::Create(s.size());
  FChunk->AddRef();
  std::memcpy(FChunk->Data(), s.data(), s.size());
}

TRowStr::TRowStr(TStrChunk* chunk, size_t offset, size_t length) noexcept
    : FChunk(length ? chunk : nullptr),
      FOff(static_cast<uint32_t>(length ? offset : 0)),
      FLen(static_cast<uint32_t>(length)) {
  if (FChunk) FChunk->AddRef();
}

// Appends b behind a when a ends where chunk C's used bytes end and there is
// room: the result is a row of C, and only b is copied.
bool TRowPacker::AppendInPlace(TStrChunk* C, size_t& Used, std::string_view a, std::string_view b, TRowStr& Out) {
  const auto at = [](const char* p) { return reinterpret_cast<uintptr_t>(p); };
  if (!C || a.empty() || at(a.data()) < at(C->Data()) || at(a.data()) + a.size() != at(C->Data()) + Used ||
      Used + b.size() > C->Capacity())
    return false;
  const size_t off = static_cast<size_t>(a.data() - C->Data());
  if (!b.empty()) std::memcpy(C->Data() + Used, b.data(), b.size());
  Used += b.size();
  Out = TRowStr(C, off, a.size() + b.size());
  return true;
}

TRowStr TRowPacker::Pack(std::string_view a, std::string_view b) {
  const size_t n = a.size() + b.size();
  if (n == 0) return {};
  CheckedLength(n);
  if (FLong && FLong->Refs() == 1) {  // no row uses the last long join any more
    TStrChunk::Release(FLong);
    FLong = nullptr;
  }
  TRowStr out;
  if (AppendInPlace(FChunk, FUsed, a, b, out) || AppendInPlace(FLong, FLongUsed, a, b, out)) return out;
  if (n > FChunkSize / 4) {  // a long row gets a chunk of its own
    const size_t capacity = b.empty() ? n : std::max<size_t>(n, std::min<size_t>(2 * n, UINT32_MAX));
    TStrChunk* c = TStrChunk::Create(capacity);
    std::memcpy(c->Data(), a.data(), a.size());
    if (!b.empty()) std::memcpy(c->Data() + a.size(), b.data(), b.size());
    out = TRowStr(c, 0, n);
    if (capacity > n) {
      TStrChunk::Release(FLong);
      FLong = c;
      FLong->AddRef();
      FLongUsed = n;
    }
    return out;
  }
  if (!FChunk || FUsed + n > FChunk->Capacity() || FUsed + n > UINT32_MAX) {
    TStrChunk::Release(FChunk);
    FChunk = TStrChunk::Create(FChunkSize);
    FChunk->AddRef();
    FUsed = 0;
  }
  char* dst = FChunk->Data() + FUsed;
  std::memcpy(dst, a.data(), a.size());
  if (!b.empty()) std::memcpy(dst + a.size(), b.data(), b.size());
  out = TRowStr(FChunk, FUsed, n);
  FUsed += n;
  return out;
}
