// The line splitter under test: rows a reader makes with a given window,
// and the rows it must make, worked out line by line.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/Cp932.h"

namespace TestUtil {

using LineRows = std::vector<std::string>;

// LineRows made by a reader with the given window over Data, read in pieces of
// 1 to MaxPiece bytes.
// ZeroAt receives where the reader met a zero byte.
inline LineRows Split(std::string_view Data, size_t Window, size_t MaxPiece = SIZE_MAX, unsigned Seed = 1,
           int64_t* ZeroAt = nullptr) {
  std::mt19937 rng(Seed);
  TLineReader reader(
      [&](char* dst, size_t n) {
        const size_t piece = MaxPiece == SIZE_MAX ? n : 1 + rng() % MaxPiece;
        n = std::min({n, piece, Data.size()});
        std::memcpy(dst, Data.data(), n);
        Data.remove_prefix(n);
        return n;
      },
      Window);
  LineRows v;
  std::string_view row;
  while (reader.Next(row)) v.emplace_back(row);
  if (ZeroAt) *ZeroAt = reader.ZeroByteAt();
  return v;
}

// The rows the reader must make, worked out line by line without windows.
inline LineRows Expected(std::string_view s, size_t Window) {
  s = s.substr(0, s.find('\0'));
  LineRows v;
  size_t i = 0;
  while (i < s.size()) {
    const size_t e = s.find_first_of("\r\n", i);
    const size_t content = (e == std::string_view::npos ? s.size() : e) - i;
    if (content >= Window) {
      // Cut after Window bytes, or one earlier so as not to part a character.
      size_t k = 0;
      while (k < Window) k += IsLeadByte(static_cast<unsigned char>(s[i + k])) ? 2 : 1;
      const size_t cut = k > Window && Window > 1 ? Window - 1 : Window;
      v.emplace_back(s.substr(i, cut));
      i += cut;
      if (i == s.size()) v.emplace_back();  // the rest of a cut line is a row even when empty
    } else if (e == std::string_view::npos) {
      v.emplace_back(s.substr(i));
      i = s.size();
    } else {
      v.push_back(std::string(s.substr(i, content)) + "\r");
      const char pair = s[e] == '\r' ? '\n' : '\r';
      i = e + 1 + (e + 1 < s.size() && s[e + 1] == pair ? 1 : 0);
    }
  }
  return v;
}

}  // namespace TestUtil
