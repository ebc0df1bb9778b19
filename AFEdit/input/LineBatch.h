// Logical lines of the control's rows for the search, gathered in batches:
// a line of one row is read in place, a wrapped line is joined into the
// batch's own buffer.  Positions in a line map back to rows and bytes.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/document/RowList.h"
#include "AFEdit/document/Search.h"

class TLineMatcher;
struct TFindOptions;

class TLineBatch {
public:
  explicit TLineBatch(const TRowList& Rows) : FRows(Rows) {}
  // Gathers the lines beginning at row First (the first row of a line) and
  // after it, until about Budget bytes are gathered or a line beginning
  // after LastFirst would come next.  Answers the row after the last line.
  int Gather(int First, int LastFirst, size_t Budget);
  std::span<const TLineView> Views() const noexcept { return FViews; }
  int FirstRowOf(size_t Line) const noexcept { return FLines[Line].FirstRow; }
  // The row and byte of offset Off of a line: a place where a row ends and
  // the next begins is the next row's start, or (AsEnd) the first row's end.
  TBytePos PosOf(size_t Line, size_t Off, bool AsEnd) const;

private:
  struct TLine {
    int FirstRow = 0;
    bool Own = false;     // joined into FText
    size_t Off = 0, Len = 0;  // in FText, or the view when not own
    const char* Data = nullptr;
    size_t StartsOff = 0, StartsLen = 0;
  };
  // Whether the batch holds enough for a budget (always at least a line).
  bool Full(size_t Budget) const noexcept {
    return !FLines.empty() && (FText.size() >= Budget || FLines.size() >= Budget / 16 + 1);
  }
  const TRowList& FRows;
  std::string FText;
  std::vector<uint32_t> FStarts;
  std::vector<TLine> FLines;
  std::vector<TLineView> FViews;
};

// Skips whole lines from row First (a line's first row) while their rows
// lie back to back in memory (as a loaded file's rows do: a wrapped row's
// next row right after it, a CR's row one line feed after it) and that
// stretch of bytes holds nothing M may match.  Only lines beginning at or
// before LastFirst are skipped.  Answers the first row not skipped.
int SkipClearLines(const TRowList& Rows, const TLineMatcher& M, int First, int LastFirst);
// The first row of the logical line holding Row.
int LineFirstRow(const TRowList& Rows, int Row);
// The byte offset in its logical line of byte Byte of Row.
size_t LineOffsetOf(const TRowList& Rows, int First, TBytePos P);
// A matcher for the options: the byte search, or the regular expression
// decoded from the CP932 pattern.  Null with Error set when the pattern
// cannot be used.
std::unique_ptr<TLineMatcher> MakeMatcher(std::string_view Pattern, const TFindOptions& Options, std::string& Error);
