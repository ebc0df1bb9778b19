// Direct pixel access and the scan-line fill, shared by the canvas's lines
// and the flood fills (internal to the platform layer).
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace CanvasDetail {

// Direct pixel access for the fills and lines, on the formats the control
// paints on.  A pixel is handled as a 32-bit key: equal keys are equal
// colours.

class TPixels {
public:
  explicit TPixels(QImage& Image) : FImage(Image) {
    switch (Image.format()) {
      case QImage::Format_RGB32: FKind = kRgb32; break;
      case QImage::Format_ARGB32: FKind = kArgb32; break;
      case QImage::Format_ARGB32_Premultiplied: FKind = kPremultiplied; break;
      case QImage::Format_RGB888: FKind = kRgb888; break;
      case QImage::Format_BGR888: FKind = kBgr888; break;
      default:
        FKind = Image.isNull() || Image.colorCount() > 0 || Image.depth() < 8 ? kUnsupported
                                                                             : kGeneric;
        break;
    }
    if (FKind != kUnsupported) FImage.bits();  // detach once, before any scanLine()
  }

  bool Supported() const noexcept { return FKind != kUnsupported; }
  int Width() const noexcept { return FImage.width(); }
  int Height() const noexcept { return FImage.height(); }
  bool Contains(int x, int y) const noexcept {
    return x >= 0 && y >= 0 && x < FImage.width() && y < FImage.height();
  }

  uint32_t Encode(const QColor& c) const {
    switch (FKind) {
      case kRgb32: return 0xFF000000u | (c.rgb() & 0xFFFFFFu);
      case kArgb32: return c.rgba();
      case kPremultiplied: return qPremultiply(c.rgba());
      case kRgb888:
      case kBgr888: return c.rgb() & 0xFFFFFFu;
      case kGeneric: {
        // Stored the way the format stores it, so that a fill can tell the
        // pixels it has painted from the ones it has still to paint.
        QImage one(1, 1, FImage.format());
        one.setPixelColor(0, 0, c);
        return one.pixelColor(0, 0).rgba();
      }
      case kUnsupported: break;
    }
    return 0;
  }

  uint32_t Get(int x, int y) const {
    const uchar* line = FImage.constScanLine(y);
    switch (FKind) {
      case kRgb32: return 0xFF000000u | Line32(line)[x];
      case kArgb32:
      case kPremultiplied: return Line32(line)[x];
      case kRgb888: return Pack(line[3 * x], line[3 * x + 1], line[3 * x + 2]);
      case kBgr888: return Pack(line[3 * x + 2], line[3 * x + 1], line[3 * x]);
      case kGeneric: return FImage.pixelColor(x, y).rgba();
      case kUnsupported: break;
    }
    return 0;
  }

  void Set(int x, int y, uint32_t v) {
    uchar* line = FImage.scanLine(y);
    switch (FKind) {
      case kRgb32:
      case kArgb32:
      case kPremultiplied: std::memcpy(line + 4 * x, &v, 4); return;
      case kRgb888: Unpack(line + 3 * x, v, 0, 2); return;
      case kBgr888: Unpack(line + 3 * x, v, 2, 0); return;
      case kGeneric: FImage.setPixelColor(x, y, QColor::fromRgba(v)); return;
      case kUnsupported: return;
    }
  }

  // The colour with every channel inverted, alpha kept.
  uint32_t Invert(uint32_t v) const noexcept {
    if (FKind == kPremultiplied) {
      const uint32_t a = qAlpha(v);
      return qRgba(static_cast<int>(a) - qRed(v), static_cast<int>(a) - qGreen(v),
                   static_cast<int>(a) - qBlue(v), static_cast<int>(a));
    }
    return v ^ 0x00FFFFFFu;
  }

private:
  enum TKind { kUnsupported, kRgb32, kArgb32, kPremultiplied, kRgb888, kBgr888, kGeneric };

  static const uint32_t* Line32(const uchar* line) noexcept {
    return reinterpret_cast<const uint32_t*>(line);
  }
  static uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) noexcept { return r << 16 | g << 8 | b; }
  static void Unpack(uchar* p, uint32_t v, int ri, int bi) noexcept {
    p[ri] = static_cast<uchar>(v >> 16);
    p[1] = static_cast<uchar>(v >> 8);
    p[bi] = static_cast<uchar>(v);
  }

  QImage& FImage;
  TKind FKind = kUnsupported;
};

// Scan-line fill of the 4-connected area of pixels for which Inside holds,
// starting at (X, Y).  Paint must make Inside false for the pixel it paints.
// Works with an explicit stack of seeds, one per run found above or below a
// filled span, so its depth never depends on the shape of the area.
template <class TInside, class TPaint>
void ScanFill(int Width, int Height, int X, int Y, TInside Inside, TPaint Paint) {
  std::vector<std::pair<int, int>> seeds;
  seeds.emplace_back(X, Y);
  while (!seeds.empty()) {
    const auto [x, y] = seeds.back();
    seeds.pop_back();
    if (!Inside(x, y)) continue;
    int left = x;
    while (left > 0 && Inside(left - 1, y)) --left;
    int right = x;
    while (right + 1 < Width && Inside(right + 1, y)) ++right;
    for (int i = left; i <= right; ++i) Paint(i, y);
    for (const int ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= Height) continue;
      bool inRun = false;
      for (int i = left; i <= right; ++i) {
        const bool in = Inside(i, ny);
        if (in && !inRun) seeds.emplace_back(i, ny);
        inRun = in;
      }
    }
  }
}

}  // namespace CanvasDetail
