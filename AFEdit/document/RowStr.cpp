#include "AFEdit/document/RowStr.h"

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

TRowStr TRowPacker::Pack(std::string_view a, std::string_view b) {
  const size_t n = a.size() + b.size();
  if (n == 0) return {};
  CheckedLength(n);
  const auto at = [](const char* p) { return reinterpret_cast<uintptr_t>(p); };
  if (FChunk && !a.empty() && at(a.data()) >= at(FChunk->Data()) &&
      at(a.data()) + a.size() == at(FChunk->Data()) + FUsed && FUsed + b.size() <= FChunk->Capacity()) {
    // a is what was packed last, or its tail: only b is added behind it.
    const size_t off = static_cast<size_t>(a.data() - FChunk->Data());
    if (!b.empty()) std::memcpy(FChunk->Data() + FUsed, b.data(), b.size());
    FUsed += b.size();
    return TRowStr(FChunk, off, n);
  }
  if (n > FChunkSize / 4) {  // a long row gets a chunk of its own
    TStrChunk* c = TStrChunk::Create(n);
    std::memcpy(c->Data(), a.data(), a.size());
    if (!b.empty()) std::memcpy(c->Data() + a.size(), b.data(), b.size());
    return TRowStr(c, 0, n);
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
  TRowStr r(FChunk, FUsed, n);
  FUsed += n;
  return r;
}
