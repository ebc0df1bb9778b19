// Code page 932 (Microsoft Shift-JIS): byte classes and character
// conversion.
//
// Documents keep their text as CP932 bytes and are never converted as a
// whole. The byte-class functions serve the layout code; the conversions are
// for the edges only (glyph drawing, clipboard, input method).
//
// Byte classes follow one rule: scanning from the start of the string, a lead
// byte and the byte after it form one character, whatever that next byte is
// (a tab or another lead-range byte included). A lead byte that ends the
// string is still a lead byte.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

class QString;

namespace Cp932Detail {
constexpr std::array<bool, 256> MakeLeadByteTable() {
  std::array<bool, 256> t{};
  for (unsigned b = 0x81; b <= 0x9F; ++b) t[b] = true;
  for (unsigned b = 0xE0; b <= 0xFC; ++b) t[b] = true;
  return t;
}
inline constexpr std::array<bool, 256> kLeadByteTable = MakeLeadByteTable();
}  // namespace Cp932Detail

// True for 0x81-0x9F and 0xE0-0xFC.
inline bool IsLeadByte(unsigned char b) noexcept { return Cp932Detail::kLeadByteTable[b]; }

enum TMbcsByteType { mbSingleByte, mbLeadByte, mbTrailByte };

// Class of the byte at 0-based `index`. Indices past the end are single bytes.
TMbcsByteType ByteType(std::string_view s, size_t index) noexcept;

// True when the byte at `index` is the second byte of a two-byte character.
bool IsTrailAt(std::string_view s, size_t index) noexcept;

// Start of the character holding the byte at `index` (index - 1 for a trail
// byte, otherwise index). Indices past the end are returned unchanged.
size_t CharStartAt(std::string_view s, size_t index) noexcept;

// First position >= `from` holding `byte` as a single byte or a lead byte;
// trail bytes never match. std::string_view::npos when there is none. `from`
// may point into the middle of a character; its trail byte is skipped.
size_t FindByteMbcs(std::string_view s, unsigned char byte, size_t from = 0) noexcept;

// Returned for bytes and byte pairs that have no Unicode character.
inline constexpr char32_t kNoUnicode = 0xFFFFFFFF;

// The tables below are built on first use from the C library's iconv "CP932"
// converter; the first call throws std::runtime_error when that converter is
// not available.

// Two-byte code lead/trail to Unicode, or kNoUnicode.
char32_t Cp932CharToUnicode(unsigned lead, unsigned trail);
// Single byte (ASCII, controls, half-width katakana) to Unicode, or
// kNoUnicode. Lead bytes on their own have no character.
char32_t Cp932ByteToUnicode(unsigned char b);

// Appends the CP932 encoding of `u` (1 or 2 bytes) to `out`. Returns false,
// leaving `out` untouched, when `u` has no CP932 code. Characters reachable
// from several codes give the one Windows writes (the NEC row 13 code for the
// symbols, the IBM extension code for the kanji).
bool UnicodeToCp932(char32_t u, std::string& out);

// Decodes `bytes` into UTF-16 at `out`, which has room for bytes.size()
// units, one unit per character (every CP932 character lies in the Basic
// Multilingual Plane): U+FFFD for a byte or a pair without a character and
// for a lead byte ending the text.  The n-th unit written is the n-th
// character, so offsets map back to bytes by counting characters.  Returns
// the units written.
size_t DecodeCp932Units(std::string_view bytes, char16_t* out);

// The conversions to and from QString are defined beside the widget, which
// links Qt; the rest of this header needs no toolkit.

// Decodes for display and the clipboard: a byte or a pair without a
// character, and a lead byte ending the text, each become U+FFFD.
QString Cp932ToQString(std::string_view bytes);

// Appends the characters of `bytes` to `out` as DecodeCp932Units does.
void AppendCp932Units(std::string_view bytes, QString& out);

// Replaces `out` with the CP932 encoding of `s`. On the first character with
// no CP932 code (a lone surrogate included) returns false with `out` holding
// the bytes converted before it and *badIndex set to its UTF-16 index;
// *badIndex is -1 on success.
bool QStringToCp932(const QString& s, std::string& out, int* badIndex = nullptr);

// Replaces `out` with the CP932 encoding of `s`, every character without a
// CP932 code (a lone surrogate included) replaced by `replacement`.  Returns
// how many were replaced.
int QStringToCp932Replacing(const QString& s, std::string& out, std::string_view replacement);
