// The canvas's drawing calls.  The painter works in device pixels: logical
// rectangles are turned into device ones by DeviceRect, so fills, clips and
// moved pixels meet at the same device pixel wherever they come from.
#include "AFEdit/platform/Canvas.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPointF>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "AFEdit/platform/CanvasFonts.h"
#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/Pixels.h"

using namespace CanvasDetail;

namespace {

bool CanPaint(const QImage* Image) {
  return Image != nullptr && !Image->isNull() && Image->format() != QImage::Format_Indexed8;
}

bool IsEmpty(const TRect& R) noexcept { return R.Right <= R.Left || R.Bottom <= R.Top; }

TRect Intersect(const TRect& A, const TRect& B) noexcept {
  return {std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
}

inline unsigned ByteAt(std::string_view s, size_t i) noexcept { return static_cast<unsigned char>(s[i]); }

// Nearest neighbour, sampled at the centre of each destination pixel:
// whole-number enlargements turn every source pixel into an exact block.
// Dest is the whole stretched area, Visible the part of it produced.
QImage Stretch(const QImage& Bitmap, const QRect& Dest, const QRect& Visible) {
  const QImage::Format format =
      Bitmap.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  const QImage src = Bitmap.convertToFormat(format);
  const int64_t sw = src.width(), sh = src.height();
  const int64_t dw = Dest.width(), dh = Dest.height();
  auto sourceIndex = [](int64_t d, int64_t sSize, int64_t dSize) {
    return static_cast<int>(std::min(sSize - 1, ((2 * d + 1) * sSize) / (2 * dSize)));
  };
  std::vector<int> columns(static_cast<size_t>(Visible.width()));
  for (int i = 0; i < Visible.width(); ++i)
    columns[static_cast<size_t>(i)] = sourceIndex(Visible.left() + i - Dest.left(), sw, dw);
  QImage scaled(Visible.size(), format);
  for (int j = 0; j < Visible.height(); ++j) {
    const int row = sourceIndex(Visible.top() + j - Dest.top(), sh, dh);
    const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(row));
    auto* out = reinterpret_cast<uint32_t*>(scaled.scanLine(j));
    for (int i = 0; i < Visible.width(); ++i) out[i] = in[columns[static_cast<size_t>(i)]];
  }
  return scaled;
}

}  // namespace

// ---------------------------------------------------------------------------
// Painter, device pixels and damage

TCanvas::~TCanvas() { ClosePainter(); }

void TCanvas::SetImage(QImage* Image) {
  ClosePainter();
  FImage = Image;
}

QRect TCanvas::DeviceRect(const TRect& R) const noexcept {
  const qreal r = Ratio();
  if (r == 1) return QRect(R.Left, R.Top, R.Width(), R.Height());
  const int left = qRound(R.Left * r), top = qRound(R.Top * r);
  return QRect(left, top, qRound(R.Right * r) - left, qRound(R.Bottom * r) - top);
}

// R cut to the logical extent of the image.
TRect TCanvas::LogicalClip(const TRect& R) const noexcept {
  if (!FImage) return {};
  const qreal r = Ratio();
  const TRect image{0, 0, static_cast<int>(std::ceil(FImage->width() / r)),
                    static_cast<int>(std::ceil(FImage->height() / r))};
  const TRect c = Intersect(R, image);
  return IsEmpty(c) ? TRect{} : c;
}

// The device pixels of R inside the image; empty when R is.
QRect TCanvas::DeviceClip(const TRect& R) const noexcept {
  if (IsEmpty(R)) return {};
  return DeviceRect(R) & FImage->rect();
}

bool TCanvas::CanScrollExactly(int Dx, int Dy) const noexcept {
  const qreal r = Ratio();
  if (r == 1) return true;
  auto whole = [](qreal d) { return std::abs(d - std::round(d)) < 1e-6; };
  return whole(Dx * r) && whole(Dy * r);
}

void TCanvas::ClosePainter() {
  if (FPainter) FPainter->end();
  FPainter.reset();
  FDeviceView = QImage();
}

void TCanvas::EndBatch() {
  if (FBatchDepth > 0 && --FBatchDepth == 0) {
    ClosePainter();
    FlushDamage();
  }
}

QPainter& TCanvas::Painter() {
  if (!FPainter) {
    if (Ratio() == 1) {
      FPainter = std::make_unique<QPainter>(FImage);
    } else {
      // The same pixels seen at ratio 1, so the painter neither scales nor
      // rounds: every coordinate it gets is a device pixel.
      uchar* bits = FImage->bits();
      FDeviceView = QImage(bits, FImage->width(), FImage->height(), FImage->bytesPerLine(), FImage->format());
      FPainter = std::make_unique<QPainter>(&FDeviceView);
    }
  } else {
    FPainter->setClipping(false);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  return *FPainter;
}

void TCanvas::AddDamage(const TRect& R) noexcept {
  if (IsEmpty(R)) return;
  if (IsEmpty(FDamage)) {
    FDamage = R;
    return;
  }
  FDamage = {std::min(FDamage.Left, R.Left), std::min(FDamage.Top, R.Top), std::max(FDamage.Right, R.Right),
             std::max(FDamage.Bottom, R.Bottom)};
}

TRect TCanvas::TakeDamage() noexcept { return std::exchange(FDamage, TRect{}); }

void TCanvas::FlushDamage() {
  if (FDamageSink && !IsEmpty(FDamage)) FDamageSink(TakeDamage());
}

// Outside a batch every call's painter, and its damage, end with the call.
void TCanvas::DonePainting(const TRect& R) {
  AddDamage(R);
  if (FBatchDepth == 0) {
    ClosePainter();
    FlushDamage();
  }
}

// ---------------------------------------------------------------------------
// Drawing

void TCanvas::FillRect(const TRect& R) {
  if (!CanPaint(FImage)) return;
  const TRect area = LogicalClip(R);
  const QRect r = DeviceClip(area);
  if (r.isEmpty()) return;
  QPainter& p = Painter();
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(r, ToQColor(BrushColor, FPalette));
  DonePainting(area);
}

void TCanvas::ExtTextOut(int X, int Y, const TRect& Clip, std::string_view Bytes, const int* Advances,
                         bool Opaque) {
  if (!CanPaint(FImage)) return;
  const TRect area = LogicalClip(Clip);
  const QRect clip = DeviceClip(area);
  if (clip.isEmpty()) return;
  if (Bytes.empty() && !Opaque) return;

  TFontEntry& f = CurrentFont();
  TFontCache& cache = *FFontCache;
  cache.Glyphs.clear();
  cache.Positions.clear();
  std::vector<std::pair<unsigned, int>> fallbacks;  // code, x

  // Glyphs that cannot reach the clip are left out, so a long row scrolled
  // far to the side costs little more than the walk over its advances.
  const int visibleLeft = area.Left - f.Reach;
  const int visibleRight = area.Right + f.Reach;
  const qreal ratio = f.Ratio;
  const qreal baseline = (Y + f.Ascent) * ratio;
  int x = X;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    unsigned code = ByteAt(Bytes, i);
    const int start = x;
    const bool lead = IsLeadByte(static_cast<unsigned char>(code));
    const TGlyph* g = nullptr;
    if (lead && i + 1 == Bytes.size()) {
      x += Advances ? Advances[i] : 0;  // a lone lead byte draws nothing
      break;
    }
    if (lead) code = code << 8 | ByteAt(Bytes, i + 1);
    if (Advances) {
      x += Advances[i];
      if (lead) x += Advances[i + 1];
    } else {
      g = &f.Glyph(code);
      x += g->Width;
    }
    if (lead) ++i;
    if (x < visibleLeft) continue;
    if (start >= visibleRight) break;
    if (!g) g = &f.Glyph(code);
    if (g->Index == kGlyphNone) continue;
    if (g->Index == kGlyphFallback) {
      fallbacks.emplace_back(code, start);
      continue;
    }
    cache.Glyphs.push_back(g->Index);
    cache.Positions.emplace_back(start * ratio, baseline);
  }
  const int textRight = x;

  QPainter& p = Painter();
  p.setClipRect(clip);
  if (Opaque) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(clip, ToQColor(BrushColor, FPalette));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  const QColor textColor = ToQColor(FFont.Color, FPalette);
  p.setPen(textColor);
  if (!cache.Glyphs.empty()) {
    QGlyphRun run;
    run.setRawFont(f.DeviceRaw);
    run.setRawData(cache.Glyphs.data(), cache.Positions.data(), static_cast<int>(cache.Glyphs.size()));
    p.drawGlyphRun(QPointF(0, 0), run);
  }
  if (!fallbacks.empty()) {
    p.setFont(f.DevicePlain);
    for (const auto& [code, gx] : fallbacks) p.drawText(QPointF(gx * ratio, baseline), TFontEntry::Text(code));
  }
  if (textRight > X && (FFont.Style.contains(fsUnderline) || FFont.Style.contains(fsStrikeOut))) {
    const int bottom = Y + f.Ascent + f.Descent;
    const int b = Y + f.Ascent;
    auto line = [&](int Top) { p.fillRect(DeviceRect({X, Top, textRight, Top + f.LineWidth}), textColor); };
    if (FFont.Style.contains(fsUnderline)) line(std::min(b + f.UnderlinePos, bottom - f.LineWidth));
    if (FFont.Style.contains(fsStrikeOut)) line(b - f.StrikeOutPos);
  }
  DonePainting(area);
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = PenPos;
  PenPos = {X, Y};
  if (!FImage) return;
  ClosePainter();
  TPixels px(*FImage);
  if (!px.Supported()) return;
  const uint32_t pen = px.Encode(ToQColor(PenColor, FPalette));
  const bool unscaled = Ratio() == 1;
  auto plot = [&](int x, int y) {  // logical pixel (x, y)
    const QRect d = unscaled ? QRect(x, y, 1, 1) : DeviceRect({x, y, x + 1, y + 1}) & FImage->rect();
    for (int dy = d.top(); dy <= d.bottom(); ++dy)
      for (int dx = d.left(); dx <= d.right(); ++dx)
        if (px.Contains(dx, dy)) px.Set(dx, dy, PenMode == pmNot ? px.Invert(px.Get(dx, dy)) : pen);
  };
  const int dx = std::abs(X - from.X);
  const int dy = std::abs(Y - from.Y);
  const int sx = X > from.X ? 1 : -1;
  const int sy = Y > from.Y ? 1 : -1;
  // Bresenham over the major axis; the end point is not drawn.
  const int steps = std::max(dx, dy);
  int x = from.X;
  int y = from.Y;
  int err = 0;
  for (int i = 0; i < steps; ++i) {
    plot(x, y);
    if (dx >= dy) {
      x += sx;
      err += 2 * dy;
      if (err > dx) {
        y += sy;
        err -= 2 * dx;
      }
    } else {
      y += sy;
      err += 2 * dx;
      if (err > dy) {
        x += sx;
        err -= 2 * dy;
      }
    }
  }
  if (steps > 0)
    DonePainting(LogicalClip({std::min(from.X, X), std::min(from.Y, Y), std::max(from.X, X) + 1,
                              std::max(from.Y, Y) + 1}));
}

void TCanvas::Draw(int X, int Y, const QImage& Bitmap, const TRect& Clip) {
  if (!CanPaint(FImage) || Bitmap.isNull()) return;
  const qreal bitmapRatio = Bitmap.devicePixelRatio();
  const TRect own{X, Y, X + static_cast<int>(std::ceil(Bitmap.width() / bitmapRatio)),
                  Y + static_cast<int>(std::ceil(Bitmap.height() / bitmapRatio))};
  const TRect area = LogicalClip(Intersect(own, Clip));
  const QRect clip = DeviceClip(area);
  if (clip.isEmpty()) return;
  const qreal r = Ratio();
  QPainter& p = Painter();
  p.setClipRect(clip);
  if (bitmapRatio == r) {
    // Pixel for pixel; the bitmap seen at ratio 1 so the painter keeps its size.
    const QImage pixels(Bitmap.constBits(), Bitmap.width(), Bitmap.height(), Bitmap.bytesPerLine(),
                        Bitmap.format());
    p.drawImage(QPoint(qRound(X * r), qRound(Y * r)), pixels);
  } else {
    const QRect dest = DeviceRect(own);
    p.drawImage(clip.topLeft(), Stretch(Bitmap, dest, clip));
  }
  DonePainting(area);
}

void TCanvas::StretchDraw(const TRect& R, const QImage& Bitmap) {
  if (!CanPaint(FImage) || Bitmap.isNull()) return;
  const TRect area = LogicalClip(R);
  const QRect visible = DeviceClip(area);
  if (visible.isEmpty()) return;
  Painter().drawImage(visible.topLeft(), Stretch(Bitmap, DeviceRect(R), visible));
  DonePainting(area);
}

bool TCanvas::ScrollRect(int Dx, int Dy, const TRect& R) {
  if (!FImage || FImage->isNull()) return true;
  const TRect area = LogicalClip(R);
  if (!CanScrollExactly(Dx, Dy)) {
    AddDamage(area);
    return false;
  }
  const QRect r = DeviceClip(area);
  if (r.isEmpty() || (Dx == 0 && Dy == 0)) return true;
  ClosePainter();
  const qreal ratio = Ratio();
  const int dx = qRound(Dx * ratio), dy = qRound(Dy * ratio);
  // Destination pixels whose source lies inside r as well.
  const QRect dest = r & r.translated(dx, dy);
  if (!dest.isEmpty()) {
    const int depth = FImage->depth();
    if (depth % 8 == 0) {
      const int bpp = depth / 8;
      const size_t rowBytes = static_cast<size_t>(dest.width()) * static_cast<size_t>(bpp);
      uchar* bits = FImage->bits();  // detaches once
      const qsizetype stride = FImage->bytesPerLine();
      auto moveRow = [&](int y) {
        uchar* to = bits + y * stride + static_cast<qsizetype>(dest.left()) * bpp;
        const uchar* from = bits + (y - dy) * stride + static_cast<qsizetype>(dest.left() - dx) * bpp;
        std::memmove(to, from, rowBytes);
      };
      // Whole rows of the image are one block; otherwise rows are copied
      // away from the direction of movement so no source row is overwritten
      // before it is read.
      if (dest.width() == FImage->width() && static_cast<qsizetype>(rowBytes) == stride)
        std::memmove(bits + dest.top() * stride, bits + (dest.top() - dy) * stride,
                     static_cast<size_t>(dest.height()) * rowBytes);
      else if (dy > 0)
        for (int y = dest.bottom(); y >= dest.top(); --y) moveRow(y);
      else
        for (int y = dest.top(); y <= dest.bottom(); ++y) moveRow(y);
    } else {
      // Sub-byte (monochrome) images: through a copy of the source area.
      const QImage source = FImage->copy(dest.translated(-dx, -dy));
      for (int y = 0; y < dest.height(); ++y)
        for (int x = 0; x < dest.width(); ++x)
          FImage->setPixel(dest.left() + x, dest.top() + y, static_cast<uint>(source.pixelIndex(x, y)));
    }
  }
  DonePainting(area);
  return true;
}
