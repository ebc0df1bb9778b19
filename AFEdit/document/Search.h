// Searching CP932 text: patterns matched over logical lines (a line is the
// rows of a paragraph joined, without its CR), never starting or ending
// inside a two-byte character.
//
// Character boundaries follow the rows' own reading: every row is read from
// its first byte (a lead byte and the byte after it form one character), so
// a line view carries where its rows begin.  The searchers work on bytes: a
// fast byte search finds candidates, and only candidates are checked for
// boundaries and word edges; nothing is decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One logical line: its bytes and the offsets where its rows after the first
// begin (ascending, each inside the text or at its end).
struct TLineView {
  std::string_view Text;
  std::span<const uint32_t> RowStarts;
};

// Whether byte offset P (0..size) of the line starts a character (or is the
// line's end).
bool IsCharStartIn(const TLineView& L, size_t P) noexcept;
// ASCII letters, digits and the underscore: the characters a whole-word match
// may not continue into.
bool IsSearchWordByte(unsigned char B) noexcept;
// Whether [B, E) stands as a whole word: it neither begins right after a
// word character when its first character is one, nor ends right before one
// when its last character is one.  Two-byte characters are never word
// characters, so a Japanese word is found inside a longer one.
bool IsWholeWordAt(const TLineView& L, size_t B, size_t E) noexcept;

// Finds matches in lines.  Next answers the first match starting at or
// after From; false when there is none.  Matches are never empty.
class TLineMatcher {
public:
  virtual ~TLineMatcher() = default;
  virtual bool Next(const TLineView& L, size_t From, size_t& B, size_t& E) = 0;
  // The last match starting before Before (overlapping ones included).
  bool Prev(const TLineView& L, size_t Before, size_t& B, size_t& E);
  // Calls F(line index, B, E) for the matches of Lines from left to right,
  // each starting where the one before ended, the first at or after From in
  // Lines[0], until F answers false.  A matcher with a cost per call may
  // work on all the lines at once.
  using TScanFn = std::function<bool(size_t Line, size_t B, size_t E)>;
  // False only when no match can lie inside Bytes (whatever lines they
  // hold, read as one text); a matcher that cannot tell answers true.
  virtual bool MayMatchIn(std::string_view) const { return true; }
  virtual void Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F);
};

struct TSearchFlags {
  bool MatchCase = false;  // ASCII letters only; other characters always match exactly
  bool WholeWord = false;
};

// A CP932 byte pattern.  Without MatchCase, ASCII letters of the pattern
// match either case where they stand as characters of their own; the second
// byte of a two-byte character always matches exactly (full-width letters
// are characters of their own).
class TByteSearch : public TLineMatcher {
public:
  TByteSearch(std::string_view Pattern, TSearchFlags Flags);
  size_t Size() const noexcept { return FPat.size(); }
  bool Next(const TLineView& L, size_t From, size_t& B, size_t& E) override;
  // Lines of one row lying back to back in memory (as a loaded file's rows
  // do) are searched together first, so a stretch without a candidate costs
  // one byte search, not one per line.
  void Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F) override;
  bool MayMatchIn(std::string_view Bytes) const override { return Candidate(Bytes, 0) != std::string_view::npos; }
  // The first place at or after From where the bytes match, whatever the
  // characters around; npos when there is none.
  size_t Candidate(std::string_view T, size_t From) const noexcept;

private:
  std::string FPat;          // folded to lower case where it may fold
  std::vector<bool> FExact;  // bytes compared exactly (second bytes)
  std::array<uint32_t, 256> FShift{};
  bool FFold = false;        // any byte compares without case
  TSearchFlags FFlags;
};

// A place in the document: a row and a byte of its stored text.
struct TBytePos {
  int Row = 0;
  int Byte = 0;
  friend bool operator==(const TBytePos&, const TBytePos&) = default;
};

struct TFindOptions {
  bool MatchCase = false;
  bool WholeWord = false;
  bool Regex = false;       // the pattern is a regular expression
  bool WrapAround = false;  // go on from the other end of the document
  bool Backward = false;
};

// What a search found: the match's first byte and the place just after its
// last one (on the row of its last byte).  Wrapped: found only after going
// on from the other end.  Error: why the pattern could not be used (UTF-8).
struct TFindResult {
  bool Found = false;
  bool Wrapped = false;
  TBytePos Start, End;
  std::string Error;
};

// Replacing every match: how many, or why none could be.
struct TReplaceResult {
  int Count = 0;
  std::string Error;
};
