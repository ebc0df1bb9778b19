// Small value types shared by the whole control: positions, rectangles,
// colours and enumeration sets.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A text position: X is the display column, Y the row.
struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle with exclusive right and bottom edges.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const noexcept { return Right - Left; }
  int Height() const noexcept { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// 0x00BBGGRR, or a system colour 0x80000000 + index.
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clBtnFace = clSystemColor + 15;
constexpr TColor clWindow = clSystemColor + 5;
constexpr TColor clWindowText = clSystemColor + 8;
constexpr TColor clHighlight = clSystemColor + 13;
constexpr TColor clHighlightText = clSystemColor + 14;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;

// A set of enumeration values stored as a bit mask: value v is bit v.
template <class E, class Bits = uint32_t>
class TSet {
public:
  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> values) noexcept {
    for (E v : values) FBits |= Bit(v);
  }
  static constexpr TSet FromBits(Bits b) noexcept {
    TSet s;
    s.FBits = b;
    return s;
  }
  constexpr Bits ToBits() const noexcept { return FBits; }
  constexpr bool contains(E v) const noexcept { return (FBits & Bit(v)) != 0; }
  constexpr bool empty() const noexcept { return FBits == 0; }
  constexpr TSet& operator+=(TSet o) noexcept { FBits |= o.FBits; return *this; }
  constexpr TSet& operator-=(TSet o) noexcept { FBits &= static_cast<Bits>(~o.FBits); return *this; }
  constexpr TSet& operator*=(TSet o) noexcept { FBits &= o.FBits; return *this; }
  friend constexpr TSet operator+(TSet a, TSet b) noexcept { return a += b; }
  friend constexpr TSet operator-(TSet a, TSet b) noexcept { return a -= b; }
  friend constexpr TSet operator*(TSet a, TSet b) noexcept { return a *= b; }
  friend constexpr bool operator==(TSet, TSet) = default;

private:
  static constexpr Bits Bit(E v) noexcept {
    return static_cast<Bits>(Bits{1} << static_cast<unsigned>(v));
  }
  Bits FBits = 0;
};

// Font styles keep the bit values stored in files: bold 1, italic 2,
// underline 4, strike-out 8.
enum TFontStyle : uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };
using TFontStyles = TSet<TFontStyle, uint8_t>;
