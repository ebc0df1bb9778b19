// TRowStr: an immutable, reference-counted byte string holding one row's
// CP932 bytes.
//
// Rows, undo items and copies share one text: copying a TRowStr only bumps a
// count.  Several rows may live in one chunk (the loader packs a whole file's
// rows into a few large chunks), so a loaded row costs no allocation of its
// own.  Everything runs on the UI thread, so the count is a plain integer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Whether a row's bytes end with its line end (a CR); a row without one
// continues on the next row.
inline bool EndsWithCr(std::string_view S) noexcept { return !S.empty() && S.back() == '\r'; }

class TStrChunk {
public:
  // A chunk with room for `capacity` bytes; its count starts at 0.
  static TStrChunk* Create(size_t capacity);
  static void Release(TStrChunk* c) noexcept {
    if (c && --c->FRefs == 0) ::operator delete(c);
  }
  void AddRef() noexcept { ++FRefs; }
  char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }
  const char* Data() const noexcept { return reinterpret_cast<const char*>(this + 1); }
  size_t Capacity() const noexcept { return FCapacity; }
  uint32_t Refs() const noexcept { return FRefs; }

private:
  TStrChunk() = default;
  uint32_t FRefs = 0;
  size_t FCapacity = 0;
};

class TRowStr {
public:
  TRowStr() noexcept = default;
  TRowStr(std::string_view s);  // copies s into a chunk of its own
  TRowStr(const std::string& s) : TRowStr(std::string_view(s)) {}
  TRowStr(const char* s) : TRowStr(std::string_view(s)) {}
  // A slice of an existing chunk (no copy).
  TRowStr(TStrChunk* chunk, size_t offset, size_t length) noexcept;

  TRowStr(const TRowStr& o) noexcept : FChunk(o.FChunk), FOff(o.FOff), FLen(o.FLen) {
    if (FChunk) FChunk->AddRef();
  }
  TRowStr(TRowStr&& o) noexcept : FChunk(o.FChunk), FOff(o.FOff), FLen(o.FLen) {
    o.FChunk = nullptr;
    o.FOff = o.FLen = 0;
  }
  TRowStr& operator=(const TRowStr& o) noexcept {
    if (o.FChunk) o.FChunk->AddRef();
    TStrChunk::Release(FChunk);
    FChunk = o.FChunk;
    FOff = o.FOff;
    FLen = o.FLen;
    return *this;
  }
  TRowStr& operator=(TRowStr&& o) noexcept {
    if (this != &o) {
      TStrChunk::Release(FChunk);
      FChunk = o.FChunk;
      FOff = o.FOff;
      FLen = o.FLen;
      o.FChunk = nullptr;
      o.FOff = o.FLen = 0;
    }
    return *this;
  }
  ~TRowStr() { TStrChunk::Release(FChunk); }

  const char* data() const noexcept { return FChunk ? FChunk->Data() + FOff : ""; }
  size_t size() const noexcept { return FLen; }
  size_t length() const noexcept { return FLen; }
  bool empty() const noexcept { return FLen == 0; }
  unsigned char operator[](size_t i) const noexcept {
    return static_cast<unsigned char>(data()[i]);
  }
  unsigned char back() const noexcept { return (*this)[FLen - 1]; }
  std::string_view view() const noexcept { return {data(), FLen}; }
  operator std::string_view() const noexcept { return view(); }
  std::string str() const { return std::string(view()); }
  // The bytes [pos, pos + n) as a row sharing this one's chunk (no copy).
  TRowStr Substr(size_t pos, size_t n = std::string_view::npos) const noexcept {
    if (pos > FLen) pos = FLen;
    if (n > FLen - pos) n = FLen - pos;
    return TRowStr(FChunk, FOff + pos, n);
  }

  // True when both refer to the very same bytes (same chunk and slice).
  bool SharesWith(const TRowStr& o) const noexcept {
    return FChunk == o.FChunk && FOff == o.FOff && FLen == o.FLen;
  }
  const TStrChunk* Chunk() const noexcept { return FChunk; }
  TStrChunk* SharedChunk() const noexcept { return FChunk; }
  uint32_t Offset() const noexcept { return FOff; }

  friend bool operator==(const TRowStr& a, const TRowStr& b) noexcept {
    return a.view() == b.view();
  }
  friend bool operator==(const TRowStr& a, std::string_view b) noexcept {
    return a.view() == b;
  }

private:
  TStrChunk* FChunk = nullptr;
  uint32_t FOff = 0;
  uint32_t FLen = 0;
};

// Hands a handler a copy of S to change (Fire(std::string&)); S takes the
// handler's text, and keeps its shared bytes when the handler left it alone.
template <class Fire>
void EditRowStr(TRowStr& S, Fire&& fire) {
  std::string s = S.str();
  fire(s);
  if (s != S.view()) S = TRowStr(s);
}

// Packs many rows into large shared chunks: the loader appends each row's bytes
// here and receives a slice, so a document of millions of rows needs only a few
// allocations.
class TRowPacker {
public:
  explicit TRowPacker(size_t chunkSize = 1 << 20) : FChunkSize(chunkSize) {}
  TRowPacker(const TRowPacker&) = delete;
  TRowPacker& operator=(const TRowPacker&) = delete;
  ~TRowPacker() {
    TStrChunk::Release(FChunk);
    TStrChunk::Release(FLong);
  }

  // Copies the concatenation a + b into the current chunk and returns it as a
  // row.  When a ends where the chunk's packed bytes end (the tail of the
  // last row packed, as re-wrap hands it on to the next row), only b is
  // copied, so the rows of a re-wrapped paragraph share its bytes once.  A
  // long row gets a chunk of its own; a long join gets one with room to
  // grow, so that handing its tail on again and again stays linear.
  TRowStr Pack(std::string_view a, std::string_view b = {});

  // Bytes the current chunk still has room for.
  size_t Room() const noexcept { return FChunk ? FChunk->Capacity() - FUsed : 0; }

private:
  static bool AppendInPlace(TStrChunk* C, size_t& Used, std::string_view a, std::string_view b, TRowStr& Out);

  size_t FChunkSize;
  TStrChunk* FChunk = nullptr;  // held with one reference of our own
  TStrChunk* FLong = nullptr;   // the last long join's chunk, held likewise
  size_t FLongUsed = 0;
  size_t FUsed = 0;
};
