// Byte-level forms of documents on disk, free of any control state: the
// line splitter of text-style files and the header and checks of
// binary-style files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ---- text style ----

// Bytes a text-style reader holds at a time, and the longest row it makes.
inline constexpr size_t kLineWindow = 65536;

// Where a reader gets its bytes: fills at most n bytes at dst and returns how
// many it stored, 0 only at the end of the data.  Failures are thrown.
using TByteSource = std::function<size_t(char* dst, size_t n)>;

// Where a line with no line end among its first Window bytes at P is cut:
// after Window bytes, or one byte earlier when the last of them is the
// lead byte of a two-byte character (P starts a character), so that the
// character stays whole in the next row.  A window of one byte is cut
// after its byte whatever it is.
size_t CharBoundaryCut(const char* P, size_t Window) noexcept;

// Splits text-style bytes into rows.
//
// A line ends at CR LF, LF CR, a lone CR or a lone LF; each line end becomes
// one CR at the end of its row, also when the two bytes of a pair arrive in
// different reads.  A zero byte ends the text: nothing from it on is read.
// A row holds at most Window bytes of text: a line that has no line end
// among its first Window bytes is cut there (CharBoundaryCut), the cut-off
// part being a row without CR and the rest continuing in the next row,
// which exists even when the text ends right after the cut.  So no row
// starts inside a two-byte character.  The last line may
// have no line end; an empty text gives no rows at all.
//
// The reader keeps one window of Window + 1 bytes and reads the source in
// pieces of about Window bytes.  A row is handed out as a view of the
// window (an LF that ends it is turned into CR in place), so the rows
// between two refills lie in order in one stretch of the window.
class TLineReader {
public:
  explicit TLineReader(TByteSource Source, size_t Window = kLineWindow);

  // The next row; it stays valid until the next refill of the window.
  // False when the text has no more rows.
  bool Next(std::string_view& Row);

  // The offset in the source of the zero byte that ended the text, or -1
  // while none has been met.
  int64_t ZeroByteAt() const noexcept { return FZeroByteAt; }

  // Called before the window is refilled, when the rows handed out so far
  // are about to become invalid.
  std::function<void()> BeforeRefill;

private:
  void Refill();
  // Offset of the first CR, LF or zero byte in [From, Limit), or Limit.
  size_t FindBreak(size_t From, size_t Limit) const noexcept;

  TByteSource FSource;
  size_t FWindow;
  std::unique_ptr<char[]> FBuf;  // FWindow + 1 bytes, and room for a last scan block
  size_t FBeg = 0;               // unread bytes are FBuf[FBeg, FEnd)
  size_t FEnd = 0;
  uint64_t FBufStart = 0;  // the source offset of FBuf[0]
  int64_t FZeroByteAt = -1;
  bool FSourceDone = false;  // the source reported its end
  bool FDone = false;        // no more rows
  // The last row was cut at the window's end: the rest of its line is a row
  // of its own even when it is empty (the text ends right after the cut).
  bool FAfterCut = false;
  // One bit for each CR, LF or zero byte of the window, made at each refill,
  // and a bit at FEnd, so that a search always stops.
  std::unique_ptr<uint64_t[]> FBreaks;
};

// Where a writer sends its bytes; failures are thrown.
using TByteSink = std::function<void(const char* p, size_t n)>;

// Several pieces of bytes to be written in order, at once (as writev does).
struct TBytePiece {
  const char* P;
  size_t N;
};
using TBytePiecesSink = std::function<void(const TBytePiece* Pieces, size_t Count)>;

// Collects small writes into large ones: the sink sees pieces of the buffer
// size (the last one smaller) and pieces longer than the buffer unsplit.
// With a sink for pieces, bytes that stay valid until the next Flush (a
// document's rows in their chunks) are handed over where they lie, between
// the buffered ones, instead of being copied.
class TByteWriter {
public:
  explicit TByteWriter(TByteSink Sink, size_t BufSize = size_t{256} << 10);
  TByteWriter(TBytePiecesSink Pieces, size_t BufSize);
  TByteWriter(const TByteWriter&) = delete;
  TByteWriter& operator=(const TByteWriter&) = delete;

  // Bytes that stay where they are until the next Flush: handed over
  // without a copy when the writer has a sink for pieces, and copied like
  // Put otherwise.
  void PutKept(const char* p, size_t n);

  void Put(const char* p, size_t n) {
    if (n <= FSize - FUsed) {
      std::memcpy(FBuf.get() + FUsed, p, n);
      FUsed += n;
    } else {
      PutLong(p, n);
    }
  }
  void Put(std::string_view s) { Put(s.data(), s.size()); }
  void Put(char c) {
    if (FUsed == FSize) Flush();
    FBuf[FUsed++] = c;
  }
  // Hands the buffered bytes to the sink.
  void Flush();
  // Direct filling: Room() bytes are free at Tail(); Commit(n) takes the
  // first n of them as written.
  size_t Room() const noexcept { return FSize - FUsed; }
  char* Tail() noexcept { return FBuf.get() + FUsed; }
  void Commit(size_t n) noexcept { FUsed += n; }
  // Bytes put so far, flushed or not.
  uint64_t Written() const noexcept { return FFlushed + FKept + FUsed; }

private:
  void PutLong(const char* p, size_t n);
  void Send(const char* p, size_t n);

  TByteSink FSink;
  TBytePiecesSink FPiecesSink;
  size_t FSize;
  std::unique_ptr<char[]> FBuf;
  size_t FUsed = 0;
  uint64_t FFlushed = 0;
  // Pieces waiting for the next Flush: kept bytes and, between them, the
  // buffer's bytes from FPieceFrom.
  std::vector<TBytePiece> FPieces;
  size_t FPieceFrom = 0;
  uint64_t FKept = 0;  // kept bytes among the pieces
};

// ---- binary style ----
//
// A 268-byte header (total size, record offset, row count as little-endian
// signed 32-bit values, then reserved zero bytes), the rows each followed by
// LF, then 20-byte row records, at least one per row.

inline constexpr size_t kBinaryHeaderSize = 268;

struct TBinaryHeader {
  int32_t TotalSize = 0;
  int32_t RecordOffset = 0;
  int32_t RowCount = 0;
};

// Writes the 268 header bytes at out.
void EncodeBinaryHeader(const TBinaryHeader& H, unsigned char* out) noexcept;
// Reads the header from at least 12 bytes at in.
TBinaryHeader DecodeBinaryHeader(const unsigned char* in) noexcept;

enum class TBinaryFault {
  None,
  ShortHeader,           // fewer bytes than a header
  SizeMismatch,          // TotalSize is not the length of the data
  RecordOffsetOutside,   // RecordOffset before the text section or past the end
  NegativeRowCount,
  MissingRows,           // fewer LF-ended rows than RowCount in the text section
  MissingRecords,        // fewer records than RowCount in the record section
  CrInsideRow,           // a row holds a CR that does not end it
};

// Checks that Data is a whole binary-style document: every row and record
// the header promises lies inside it.  Header receives the decoded header
// when Data is at least a header long.
TBinaryFault CheckBinaryDocument(std::string_view Data, TBinaryHeader* Header = nullptr);

// A Japanese sentence telling the user what is wrong.
std::string BinaryFaultText(TBinaryFault Fault);
