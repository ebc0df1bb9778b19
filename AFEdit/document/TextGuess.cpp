#include "AFEdit/document/TextGuess.h"

#include "AFEdit/platform/Cp932.h"

namespace {

// Length of the UTF-8 sequence at S[0], 0 when it is not valid UTF-8; at
// the end of S a sequence that is valid so far counts whole.
size_t Utf8SequenceAt(std::string_view S) noexcept {
  const auto b = static_cast<unsigned char>(S[0]);
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
  if (b < 0x80) return 1;
  if (b < 0xC2) return 0;  // a continuation byte, or an overlong start
  if (b < 0xE0) {
    len = 2;
  } else if (b < 0xF0) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;  // overlong
    if (b == 0xED) hi = 0x9F;  // surrogates
  } else if (b < 0xF5) {
    len = 4;
    if (b == 0xF0) lo = 0x90;  // overlong
    if (b == 0xF4) hi = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  for (size_t k = 1; k < len; ++k) {
    if (k == S.size()) return len;  // cut off by the end of the sample
    const auto c = static_cast<unsigned char>(S[k]);
    if (k == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF)) return 0;
  }
  return len;
}

// Lead bytes of rows that no CP932 text uses: rows 9 to 12 of JIS X 0208
// and the code points after its second level up to the user-defined area.
bool UnusedLead(unsigned char b) noexcept {
  return b == 0x85 || b == 0x86 || (b >= 0xEB && b <= 0xEC) || (b >= 0xEF && b <= 0xF9);
}

bool ValidTrail(unsigned char b) noexcept { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Whether the bytes read as CP932 text: every lead byte of a used row is
// followed by a trail byte, no byte is one CP932 leaves undefined, and at
// most a quarter of the two-byte characters lie past the first level of
// kanji (lead bytes from 0xE0 on), which Japanese prose uses seldom.  The
// multi-byte sequences of UTF-8 begin with such a lead byte every few
// bytes, and their continuation bytes pair up with whatever follows.
bool PlausibleCp932(std::string_view S) noexcept {
  size_t pairs = 0, rare = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    const auto b = static_cast<unsigned char>(S[i]);
    if (b == 0x80 || b == 0xA0 || b >= 0xFD) return false;
    if (!IsLeadByte(b)) continue;
    if (UnusedLead(b)) return false;
    if (++i == S.size()) break;  // a pair cut off by the end of the sample
    if (!ValidTrail(static_cast<unsigned char>(S[i]))) return false;
    ++pairs;
    if (b >= 0xE0) ++rare;
  }
  return rare * 4 <= pairs;
}

}  // namespace

bool LooksLikeUtf8(std::string_view Text) noexcept {
  const std::string_view s = Text.substr(0, kTextGuessSample);
  bool multiByte = false;
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SequenceAt(s.substr(i));
    if (n == 0) return false;
    multiByte |= n > 1;
    i += n;
  }
  return multiByte && !PlausibleCp932(s);
}
