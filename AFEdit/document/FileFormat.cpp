#include "AFEdit/document/FileFormat.h"

#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// ---- text style ----

size_t FindLineBreak(const char* p, size_t n) noexcept {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, zero));
    const auto bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (bits != 0) return i + static_cast<size_t>(std::countr_zero(bits));
  }
#endif
  for (; i < n; ++i) {
    const char c = p[i];
    if (c == '\r' || c == '\n' || c == '\0') return i;
  }
  return n;
}

TLineReader::TLineReader(TByteSource Source, size_t Window)
    : FSource(std::move(Source)), FWindow(Window < 1 ? 1 : Window), FBuf(new char[FWindow + 1]) {}

// Moves the unread bytes to the front and reads behind them until the buffer
// is full or the source ends.
void TLineReader::Refill() {
  const size_t avail = FEnd - FBeg;
  if (FBeg > 0) {
    std::memmove(FBuf.get(), FBuf.get() + FBeg, avail);
    FBeg = 0;
    FEnd = avail;
  }
  const size_t cap = FWindow + 1;
  while (FEnd < cap) {
    const size_t n = FSource(FBuf.get() + FEnd, cap - FEnd);
    if (n == 0) {
      FSourceDone = true;
      break;
    }
    FEnd += n;
  }
}

bool TLineReader::Next(TLine& Line) {
  if (FDone) return false;
  for (;;) {
    const size_t avail = FEnd - FBeg;
    const char* p = FBuf.get() + FBeg;
    const size_t lim = avail < FWindow ? avail : FWindow;
    const size_t i = FindLineBreak(p, lim);
    if (i < lim) {
      const char c = p[i];
      if (c == '\0') {  // the text ends here
        FDone = true;
        if (i == 0) return false;
        Line = {std::string_view(p, i), false};
        return true;
      }
      // The second byte of a pair may still be in the source.
      if (i + 1 == avail && !FSourceDone) {
        Refill();
        continue;
      }
      const char pair = c == '\r' ? '\n' : '\r';
      const size_t step = (i + 1 < avail && p[i + 1] == pair) ? 2 : 1;
      if (c == '\r')
        Line = {std::string_view(p, i + 1), false};
      else
        Line = {std::string_view(p, i), true};
      FBeg += i + step;
      return true;
    }
    if (lim == FWindow) {  // no line end within a whole window: cut the line
      Line = {std::string_view(p, FWindow), false};
      FBeg += FWindow;
      return true;
    }
    if (!FSourceDone) {
      Refill();
      continue;
    }
    FDone = true;  // the last line, without a line end
    if (avail == 0) return false;
    Line = {std::string_view(p, avail), false};
    FBeg = FEnd;
    return true;
  }
}

// ---- binary style ----

namespace {

void Put32(unsigned char* p, int32_t v) noexcept {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

int32_t Get32(const unsigned char* p) noexcept {
  const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(u);
}

constexpr int64_t kRecordSize = 20;

}  // namespace

void EncodeBinaryHeader(const TBinaryHeader& H, unsigned char* out) noexcept {
  std::memset(out, 0, kBinaryHeaderSize);
  Put32(out, H.TotalSize);
  Put32(out + 4, H.RecordOffset);
  Put32(out + 8, H.RowCount);
}

TBinaryHeader DecodeBinaryHeader(const unsigned char* in) noexcept {
  return {Get32(in), Get32(in + 4), Get32(in + 8)};
}

TBinaryFault CheckBinaryDocument(std::string_view Data, TBinaryHeader* Header) {
  if (Data.size() < kBinaryHeaderSize) return TBinaryFault::ShortHeader;
  const TBinaryHeader H = DecodeBinaryHeader(reinterpret_cast<const unsigned char*>(Data.data()));
  if (Header) *Header = H;
  const auto size = static_cast<int64_t>(Data.size());
  if (static_cast<int64_t>(H.TotalSize) != size) return TBinaryFault::SizeMismatch;
  if (H.RecordOffset < static_cast<int64_t>(kBinaryHeaderSize) || H.RecordOffset > size)
    return TBinaryFault::RecordOffsetOutside;
  if (H.RowCount < 0) return TBinaryFault::NegativeRowCount;
  if (H.RecordOffset + kRecordSize * H.RowCount > size) return TBinaryFault::MissingRecords;
  // RowCount LF-ended rows must lie in the text section.
  const char* p = Data.data() + kBinaryHeaderSize;
  const char* end = Data.data() + H.RecordOffset;
  for (int32_t r = 0; r < H.RowCount; ++r) {
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    if (!lf) return TBinaryFault::MissingRows;
    p = static_cast<const char*>(lf) + 1;
  }
  return TBinaryFault::None;
}

std::string BinaryFaultText(TBinaryFault Fault) {
  switch (Fault) {
    case TBinaryFault::None:
      return {};
    case TBinaryFault::ShortHeader:
      return "ファイルがヘッダーより短く、途中で切れています。";
    case TBinaryFault::SizeMismatch:
      return "ヘッダーに記録されたファイルサイズが実際のサイズと一致しません。";
    case TBinaryFault::RecordOffsetOutside:
      return "行情報の位置がファイルの範囲外を指しています。";
    case TBinaryFault::NegativeRowCount:
      return "ヘッダーの行数が負の値です。";
    case TBinaryFault::MissingRows:
      return "本文の行がヘッダーに記録された行数より少なくなっています。";
    case TBinaryFault::MissingRecords:
      return "行情報がヘッダーに記録された行数より少なくなっています。";
  }
  return "ファイルの内容が壊れています。";
}
