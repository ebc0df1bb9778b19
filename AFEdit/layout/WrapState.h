// Word wrap's settings as sets, and its work buffers: the line-breaking
// characters, the word characters, the rows being wrapped and the chunks
// the rows it joins are packed into.
#pragma once

#include <bitset>
#include <string>

#include "AFEdit/document/RowStr.h"
#include "AFEdit/layout/WrapSearch.h"

struct TWrapState {
  std::string FBanHead;
  std::string FBanEnd;
  TCharSet FBanHeadSet;
  TCharSet FBanEndSet;
  std::bitset<256> FWordChars;
  std::string FWrapBuf;  // display text of the row being wrapped
  std::string FWrapBuf2;
  TRowPacker FWrapPacker{64 << 10};  // chunks for the rows re-wrap joins
  bool FSplitLongRows = true;
  int FWrapLeadBytes = 10;
  int FWrapTrailBytes = 4;
};
