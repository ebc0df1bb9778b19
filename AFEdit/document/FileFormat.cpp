#include "AFEdit/document/FileFormat.h"

#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "AFEdit/platform/Cp932.h"

// ---- text style ----

namespace {

constexpr size_t kScanBlock = 64;

// One bit for each CR, LF or zero byte among the 64 bytes at p.
uint64_t BreakMask(const char* p) noexcept {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  uint64_t mask = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, zero));
    mask |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * k);
  }
  return mask;
#else
  uint64_t mask = 0;
  for (size_t k = 0; k < kScanBlock; ++k) {
    const char c = p[k];
    if (c == '\r' || c == '\n' || c == '\0') mask |= uint64_t{1} << k;
  }
  return mask;
#endif
}

}  // namespace

size_t CharBoundaryCut(const char* P, size_t Window) noexcept {
  if (Window < 2) return Window;
  // A byte outside the lead range ends a character (as a single byte or as
  // a trail byte), so the character boundary after it is certain; from
  // there on the lead-range bytes pair up, lead and trail in turn.
  size_t run = 0;
  while (run < Window && IsLeadByte(static_cast<unsigned char>(P[Window - 1 - run]))) ++run;
  return run % 2 == 1 ? Window - 1 : Window;
}

TLineReader::TLineReader(TByteSource Source, size_t Window)
    : FSource(std::move(Source)),
      FWindow(Window < 1 ? 1 : Window),
      FBuf(new char[FWindow + 1 + kScanBlock]()),
      FBreaks(new uint64_t[(FWindow + 1) / kScanBlock + 2]()) {
  FBreaks[0] = 1;  // the end of the empty window
}

size_t TLineReader::FindBreak(size_t From, size_t Limit) const noexcept {
  size_t w = From / kScanBlock;
  uint64_t m = FBreaks[w] & (~uint64_t{0} << (From % kScanBlock));
  while (m == 0) m = FBreaks[++w];
  const size_t hit = w * kScanBlock + static_cast<size_t>(std::countr_zero(m));
  return hit < Limit ? hit : Limit;
}

// Moves the unread bytes to the front and reads behind them until the window
// is full or the source ends; then marks the window's break bytes.
void TLineReader::Refill() {
  if (BeforeRefill) BeforeRefill();
  const size_t avail = FEnd - FBeg;
  if (FBeg > 0) {
    FBufStart += FBeg;
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
  // The last block may reach into the spare bytes after the window; their
  // bits are cleared.
  const size_t words = FEnd / kScanBlock + 1;
  for (size_t w = 0; w < words; ++w) FBreaks[w] = BreakMask(FBuf.get() + w * kScanBlock);
  const size_t tail = FEnd % kScanBlock;
  FBreaks[words - 1] &= (uint64_t{1} << tail) - 1;
  FBreaks[words - 1] |= uint64_t{1} << tail;
}

bool TLineReader::Next(std::string_view& Row) {
  if (FDone) return false;
  for (;;) {
    const size_t avail = FEnd - FBeg;
    char* p = FBuf.get() + FBeg;
    const size_t lim = avail < FWindow ? avail : FWindow;
    const size_t i = FindBreak(FBeg, FBeg + lim) - FBeg;
    if (i < lim) {
      const char c = p[i];
      if (c == '\0') {  // the text ends here
        FDone = true;
        FZeroByteAt = static_cast<int64_t>(FBufStart + FBeg + i);
        if (i == 0 && !std::exchange(FAfterCut, false)) return false;
        Row = {p, i};
        return true;
      }
      // The second byte of a pair may still be in the source.
      if (i + 1 == avail && !FSourceDone) {
        Refill();
        continue;
      }
      const char pair = c == '\r' ? '\n' : '\r';
      const size_t step = (i + 1 < avail && p[i + 1] == pair) ? 2 : 1;
      p[i] = '\r';
      Row = {p, i + 1};
      FBeg += i + step;
      FAfterCut = false;
      return true;
    }
    if (lim == FWindow) {  // no line end within a whole window: cut the line
      const size_t cut = CharBoundaryCut(p, FWindow);
      Row = {p, cut};
      FBeg += cut;
      FAfterCut = true;
      return true;
    }
    if (!FSourceDone) {
      Refill();
      continue;
    }
    FDone = true;  // the last line, without a line end
    if (avail == 0 && !std::exchange(FAfterCut, false)) return false;
    Row = {p, avail};
    FBeg = FEnd;
    return true;
  }
}

TByteWriter::TByteWriter(TByteSink Sink, size_t BufSize)
    : FSink(std::move(Sink)), FSize(BufSize < 1 ? 1 : BufSize), FBuf(new char[FSize]) {}

TByteWriter::TByteWriter(TBytePiecesSink Pieces, size_t BufSize)
    : FPiecesSink(std::move(Pieces)), FSize(BufSize < 1 ? 1 : BufSize), FBuf(new char[FSize]) {}

namespace {

// Kept bytes shorter than this are copied: a piece of its own would cost
// more than the copy.
constexpr size_t kMinKept = 1024;
// Pieces handed over at once at most (within what writev takes).
constexpr size_t kMaxPieces = 512;

}  // namespace

void TByteWriter::PutKept(const char* p, size_t n) {
  if (!FPiecesSink || n < kMinKept) return Put(p, n);
  if (FUsed > FPieceFrom) FPieces.push_back({FBuf.get() + FPieceFrom, FUsed - FPieceFrom});
  FPieceFrom = FUsed;
  FPieces.push_back({p, n});
  FKept += n;
  if (FPieces.size() + 1 >= kMaxPieces) Flush();
}

// Hands bytes that are not in the buffer to the sink.
void TByteWriter::Send(const char* p, size_t n) {
  if (FSink) return FSink(p, n);
  const TBytePiece piece{p, n};
  FPiecesSink(&piece, 1);
}

void TByteWriter::Flush() {
  if (FPieces.empty()) {
    if (FUsed == 0) return;
    const size_t n = FUsed;
    FUsed = 0;  // the bytes count as handed over even when the sink fails
    FFlushed += n;
    Send(FBuf.get(), n);
    return;
  }
  if (FUsed > FPieceFrom) FPieces.push_back({FBuf.get() + FPieceFrom, FUsed - FPieceFrom});
  FFlushed += FKept + FUsed;
  FUsed = FPieceFrom = 0;
  FKept = 0;
  std::vector<TBytePiece> pieces;
  pieces.swap(FPieces);
  FPiecesSink(pieces.data(), pieces.size());
  pieces.clear();
  FPieces.swap(pieces);  // keeps the room for the next ones
}

void TByteWriter::PutLong(const char* p, size_t n) {
  // Top up the buffer, then send whole buffers' worth straight through.
  const size_t room = FSize - FUsed;
  std::memcpy(FBuf.get() + FUsed, p, room);
  FUsed += room;
  p += room;
  n -= room;
  Flush();
  if (n >= FSize) {
    FFlushed += n;
    Send(p, n);
    return;
  }
  std::memcpy(FBuf.get(), p, n);
  FUsed = n;
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
    const auto len = static_cast<size_t>(static_cast<const char*>(lf) - p);
    // A CR only ever ends a row.
    if (len > 1 && std::memchr(p, '\r', len - 1)) return TBinaryFault::CrInsideRow;
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
    case TBinaryFault::CrInsideRow:
      return "行の途中に改行コード (CR) があり、ファイルの内容が壊れています。";
  }
  return "ファイルの内容が壊れています。";
}
