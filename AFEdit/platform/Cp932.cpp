#include "AFEdit/platform/Cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

inline unsigned char Byte(std::string_view s, size_t i) noexcept {
  return static_cast<unsigned char>(s[i]);
}

// Whether the byte at `i` is a trail byte, given that `base` <= `i` is known
// to start a character. Walking back from `i` over lead-range bytes stops at
// `base` or just after a byte outside the lead range; such a byte always ends
// a character (it is a single byte or a trail byte), so the stopping point
// starts one. Every byte from there up to `i` is in the lead range, so the
// bytes pair up and `i` is a trail byte exactly when the distance is odd.
bool IsTrailFrom(std::string_view s, size_t base, size_t i) noexcept {
  size_t k = i;
  while (k > base && IsLeadByte(Byte(s, k - 1))) --k;
  return ((i - k) & 1u) != 0;
}

// ---------------------------------------------------------------------------
// Conversion tables

constexpr unsigned kLeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);
constexpr uint16_t kNoCode = 0xFFFF;  // 0xFF is never a trail byte
constexpr size_t kBmpSize = 0x10000;

// Dense index of a lead byte: 0x81-0x9F -> 0..30, 0xE0-0xFC -> 31..59.
constexpr unsigned LeadIndex(unsigned lead) noexcept {
  return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1);
}

// Code points input methods send for characters CP932 stores under the
// full-width forms; used only where iconv has no reverse mapping itself.
struct TExtra {
  char32_t Unicode;
  uint16_t Code;
};
constexpr TExtra kJisExtras[] = {
    {0x301C, 0x8160},  // WAVE DASH -> FULLWIDTH TILDE
    {0x2014, 0x815C},  // EM DASH -> HORIZONTAL BAR
    {0x2016, 0x8161},  // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x2212, 0x817C},  // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0x8191},  // CENT SIGN -> FULLWIDTH CENT SIGN
    {0x00A3, 0x8192},  // POUND SIGN -> FULLWIDTH POUND SIGN
    {0x00AC, 0x81CA},  // NOT SIGN -> FULLWIDTH NOT SIGN
};

class TIconv {
public:
  TIconv(const char* to, const char* from) : FCd(iconv_open(to, from)) {
    if (FCd == Invalid()) {
      const int err = errno;
      throw std::runtime_error(std::string("CP932 conversion tables: iconv cannot convert from ") +
                               from + " to " + to + " (" + std::strerror(err) +
                               "); the C library has no CP932 converter");
    }
  }
  ~TIconv() { iconv_close(FCd); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts the whole of `in`; returns the number of bytes written to `out`,
  // or 0 when any of the input was rejected or left over.
  size_t Convert(const char* in, size_t inLen, char* out, size_t outCap) {
    iconv(FCd, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(in);
    size_t il = inLen;
    char* op = out;
    size_t ol = outCap;
    if (iconv(FCd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return 0;
    if (iconv(FCd, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1)) return 0;
    return outCap - ol;
  }

private:
  static iconv_t Invalid() noexcept { return reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)); }
  iconv_t FCd;
};

void PutUtf32Le(char32_t u, char* out) noexcept {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

char32_t GetUtf32Le(const char* in) noexcept {
  char32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(in[i]);
  return u;
}

struct TCp932Tables {
  std::array<char32_t, 256> Single{};
  std::vector<char32_t> Pair;      // kLeadCount * 256, by LeadIndex(lead) * 256 + trail
  std::vector<uint16_t> Reverse;  // code per BMP code point, kNoCode when none

  TCp932Tables() : Pair(size_t{kLeadCount} * 256, kNoUnicode), Reverse(kBmpSize, kNoCode) {
    TIconv decode("UTF-32LE", "CP932");
    TIconv encode("CP932", "UTF-32LE");
    char out[16];

    // A result is taken only when the input became exactly one character.
    for (unsigned b = 0; b < 256; ++b) {
      const char in[1] = {static_cast<char>(b)};
      Single[b] = decode.Convert(in, 1, out, sizeof out) == 4 ? GetUtf32Le(out) : kNoUnicode;
    }
    for (unsigned lead = 0; lead < 256; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0; trail < 256; ++trail) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (decode.Convert(in, 2, out, sizeof out) == 4)
          Pair[LeadIndex(lead) * 256 + trail] = GetUtf32Le(out);
      }
    }

    // The reverse direction asks iconv for every BMP character rather than
    // inverting the tables above, so characters with several codes get the
    // one iconv (and Windows) writes. CP932 has nothing outside the BMP.
    for (char32_t u = 0; u < kBmpSize; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      char in[4];
      PutUtf32Le(u, in);
      const size_t n = encode.Convert(in, 4, out, sizeof out);
      if (n == 1)
        Reverse[u] = static_cast<unsigned char>(out[0]);
      else if (n == 2)
        Reverse[u] = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                           static_cast<unsigned char>(out[1]));
    }
    for (const TExtra& e : kJisExtras)
      if (Reverse[e.Unicode] == kNoCode) Reverse[e.Unicode] = e.Code;
  }
};

const TCp932Tables& Tables() {
  static const TCp932Tables tables;
  return tables;
}

}  // namespace

// ---------------------------------------------------------------------------
// Byte classes

TMbcsByteType ByteType(std::string_view s, size_t index) noexcept {
  if (index >= s.size()) return mbSingleByte;
  if (IsTrailFrom(s, 0, index)) return mbTrailByte;
  return IsLeadByte(Byte(s, index)) ? mbLeadByte : mbSingleByte;
}

bool IsTrailAt(std::string_view s, size_t index) noexcept {
  return index < s.size() && IsTrailFrom(s, 0, index);
}

size_t CharStartAt(std::string_view s, size_t index) noexcept {
  return IsTrailAt(s, index) ? index - 1 : index;
}

size_t FindByteMbcs(std::string_view s, unsigned char byte, size_t from) noexcept {
  const size_t n = s.size();
  if (from >= n) return std::string_view::npos;
  // `base` is always a character start at or before the next candidate, so
  // each backward walk covers only bytes not yet examined.
  size_t base = IsTrailFrom(s, 0, from) ? from + 1 : from;
  while (base < n) {
    const void* p = std::memchr(s.data() + base, byte, n - base);
    if (!p) break;
    const size_t hit = static_cast<size_t>(static_cast<const char*>(p) - s.data());
    if (!IsTrailFrom(s, base, hit)) return hit;
    base = hit + 1;
  }
  return std::string_view::npos;
}

// ---------------------------------------------------------------------------
// Conversion

char32_t Cp932CharToUnicode(unsigned lead, unsigned trail) {
  if (lead > 0xFF || trail > 0xFF || !IsLeadByte(static_cast<unsigned char>(lead))) return kNoUnicode;
  return Tables().Pair[LeadIndex(lead) * 256 + trail];
}

char32_t Cp932ByteToUnicode(unsigned char b) { return Tables().Single[b]; }

bool UnicodeToCp932(char32_t u, std::string& out) {
  if (u >= kBmpSize) return false;
  const uint16_t code = Tables().Reverse[u];
  if (code == kNoCode) return false;
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
  return true;
}

size_t DecodeCp932Units(std::string_view bytes, char16_t* out) {
  static const std::vector<char16_t> pairs = [] {
    const TCp932Tables& t = Tables();
    std::vector<char16_t> v(size_t{kLeadCount} * 256);
    for (size_t i = 0; i < v.size(); ++i) v[i] = t.Pair[i] == kNoUnicode || t.Pair[i] > 0xFFFF ? 0xFFFD : static_cast<char16_t>(t.Pair[i]);
    return v;
  }();
  static const std::array<char16_t, 256> singles = [] {
    const TCp932Tables& t = Tables();
    std::array<char16_t, 256> a{};
    for (size_t i = 0; i < 256; ++i) a[i] = t.Single[i] == kNoUnicode || t.Single[i] > 0xFFFF ? 0xFFFD : static_cast<char16_t>(t.Single[i]);
    return a;
  }();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  char16_t* w = out;
  for (size_t i = 0; i < n;) {
    const unsigned char b = p[i];
    if (!IsLeadByte(b)) {
      *w++ = singles[b];
      ++i;
    } else if (i + 1 < n) {
      *w++ = pairs[LeadIndex(b) * 256 + p[i + 1]];
      i += 2;
    } else {
      *w++ = 0xFFFD;
      ++i;
    }
  }
  return static_cast<size_t>(w - out);
}
