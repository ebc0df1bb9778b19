// The break search of word wrap: where a display row that is too long is
// broken, following the characters that may not begin or end a row and,
// optionally, keeping words whole.  No control state: the rules come in a
// TWrapRules.
#pragma once

#include <bitset>
#include <string_view>
#include <vector>

// How far the current break search has moved forward and back.  Shared by
// every control of the process; a search that ends at the row's end or at its
// minimum leaves them as they are, so they carry over to the next search.
extern int WrapTrailCount;
extern int WrapLeadCount;

// A set of CP932 characters given as a string, answering whether one
// character (one or two bytes) occurs in it at a character boundary.
class TCharSet {
public:
  void Assign(std::string_view S);
  bool Contains(std::string_view Ch) const noexcept;

private:
  std::bitset<256> FSingle;  // one-byte characters
  std::bitset<256> FLeads;   // first bytes of two-byte characters
  std::vector<bool> FDouble = std::vector<bool>(65536);
};

struct TWrapRules {
  bool BanBreak = false;  // apply BanHead / BanEnd
  bool WordWrap = false;  // do not break between two word characters
  const TCharSet* BanHead = nullptr;
  const TCharSet* BanEnd = nullptr;
  const std::bitset<256>* WordChars = nullptr;
  int TrailBytes = 4;  // how far a row may grow past its wrap column
  int LeadBytes = 10;  // how far the break may move back
};

// Number of bytes of the display text S (1-based break W, minimum M) that
// stay on the row.
int FindWrapPosIn(std::string_view S, int W, int M, const TWrapRules& Rules);

// The display text a break search needs to see for wrap column W: bytes past
// this many cannot change its result.
inline size_t WrapLookahead(int W, int TrailBytes) {
  return static_cast<size_t>(W > 0 ? W : 0) + static_cast<size_t>(TrailBytes > 0 ? TrailBytes : 0) + 16;
}
