// Deterministic Japanese-like CP932 text for the benchmarks: prose rows of
// hiragana, kanji, punctuation and some ASCII, in short, medium and long
// lines.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

class TextGen {
public:
  explicit TextGen(uint64_t seed = 42) : FState(seed) {}

  uint32_t Next() {
    FState ^= FState << 13;
    FState ^= FState >> 7;
    FState ^= FState << 17;
    return static_cast<uint32_t>(FState);
  }

  // Appends about n bytes of prose (never splitting a two-byte character,
  // never a CR or LF).
  void Prose(std::string& out, size_t n) {
    const size_t end = out.size() + n;
    while (out.size() + 1 < end) {
      const uint32_t r = Next() % 100;
      if (r < 45) {  // hiragana
        out.push_back('\x82');
        out.push_back(static_cast<char>(0x9F + Next() % 83));
      } else if (r < 80) {  // kanji of the first level
        out.push_back(static_cast<char>(0x88 + Next() % 8));
        out.push_back(static_cast<char>(0x9F + Next() % 94));
      } else if (r < 88) {  // 、 and 。
        out.push_back('\x81');
        out.push_back(Next() % 2 ? '\x41' : '\x42');
      } else if (r < 92) {  // katakana
        out.push_back('\x83');
        out.push_back(static_cast<char>(0x40 + Next() % 62));
      } else {
        out.push_back(static_cast<char>('a' + Next() % 26));
      }
    }
  }

  // One line's length: many short lines, prose lines and some long paragraphs.
  size_t LineLength() {
    const uint32_t r = Next() % 100;
    if (r < 40) return Next() % 20;
    if (r < 90) return 20 + Next() % 40;
    return 60 + Next() % 140;
  }

  std::string Line() {
    std::string s;
    Prose(s, LineLength());
    return s;
  }

private:
  uint64_t FState;
};

}  // namespace bench
