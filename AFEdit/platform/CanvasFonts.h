// The canvas's per-font data: the font's metrics in logical pixels and its
// glyphs by CP932 code, looked up once, in a raw font of the device's pixel
// size (internal to the platform layer).
#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>
#include <vector>

#include "AFEdit/platform/Canvas.h"

namespace CanvasDetail {

// Glyph indexes with a meaning of their own.
constexpr quint32 kGlyphUnknown = 0xFFFFFFFFu;   // not looked up yet
constexpr quint32 kGlyphNone = 0xFFFFFFFEu;      // nothing to draw
constexpr quint32 kGlyphFallback = 0xFFFFFFFDu;  // the font lacks it: drawn as text

struct TGlyph {
  quint32 Index = kGlyphUnknown;
  int Width = 0;  // logical pixels
};
using TGlyphPage = std::array<TGlyph, 256>;

}  // namespace CanvasDetail

struct TCanvas::TFontEntry {
  TFontEntry(const TFont& F, qreal Ratio);

  const CanvasDetail::TGlyph& Glyph(unsigned Code) {
    auto& page = Pages[Code >> 8];
    if (!page) page = std::make_unique<CanvasDetail::TGlyphPage>();
    CanvasDetail::TGlyph& g = (*page)[Code & 0xFF];
    if (g.Index == CanvasDetail::kGlyphUnknown) LookUp(Code, g);
    return g;
  }

  // The text a glyph the font lacks is drawn from.
  static QString Text(unsigned Code);

  TFont Key;
  qreal Ratio = 1;
  QFont Font;          // logical size: the metrics below
  QFont Plain;         // Font without underline and strike-out, which are drawn as lines
  QFont DevicePlain;   // Plain at the device's pixel size, for fallback text
  QRawFont Raw;        // glyph advances, logical
  QRawFont DeviceRaw;  // the glyphs drawn (Raw itself at ratio 1)
  int Ascent = 0;
  int Descent = 0;
  int UnderlinePos = 0;
  int StrikeOutPos = 0;
  int LineWidth = 1;
  // How far ink may reach outside a glyph's cells (italic slant, bearings).
  int Reach = 0;

private:
  void LookUp(unsigned Code, CanvasDetail::TGlyph& g);

  std::array<std::unique_ptr<CanvasDetail::TGlyphPage>, 256> Pages;
};

struct TCanvas::TFontCache {
  static constexpr size_t kCapacity = 6;
  std::vector<std::unique_ptr<TFontEntry>> Entries;  // most recently used first
  // Buffers reused by every ExtTextOut call.
  std::vector<quint32> Glyphs;
  std::vector<QPointF> Positions;
};
