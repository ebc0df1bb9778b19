// Guessing, from a file's first bytes, that it was not written in CP932.
#pragma once

#include <cstddef>
#include <string_view>

// How many bytes from the start of a text the guess looks at, so that it
// takes the same short time on a file of any size.
inline constexpr size_t kTextGuessSample = size_t{64} << 10;

// True when the first kTextGuessSample bytes of Text are valid UTF-8 that
// holds at least one multi-byte sequence and are not plausible CP932 text.
// A sequence cut off by the end of the sample counts as valid.  Pure ASCII
// is CP932 as much as UTF-8, and CP932 text with kana or kanji is almost
// never valid UTF-8; where bytes are both, CP932 is taken as implausible
// when they hold a byte or pair that CP932 text does not have, or many
// characters that Japanese text seldom uses.
bool LooksLikeUtf8(std::string_view Text) noexcept;
