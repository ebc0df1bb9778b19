#include "AFEdit/platform/Canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QPainter>
#include <QPixmap>
#include <QPointF>
#include <QRawFont>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "AFEdit/platform/Cp932.h"

// The image resources live in the static AFEdit library; referencing the
// generated initializer keeps the linker from dropping them.  Q_INIT_RESOURCE
// has to be used outside any namespace.
static void InitCanvasResources() {
  static std::once_flag once;
  std::call_once(once, [] { Q_INIT_RESOURCE(resources); });
}

namespace {

// ---------------------------------------------------------------------------
// Small conversions

// R clipped to the image; empty when R itself is empty (QRect would otherwise
// normalise a reversed rectangle).
QRect ClipToImage(const TRect& R, const QImage& Image) {
  if (R.Right <= R.Left || R.Bottom <= R.Top) return {};
  return ToQRect(R) & Image.rect();
}

bool CanPaint(const QImage* Image) {
  return Image != nullptr && !Image->isNull() && Image->format() != QImage::Format_Indexed8;
}

inline unsigned ByteAt(std::string_view s, size_t i) noexcept {
  return static_cast<unsigned char>(s[i]);
}

// ---------------------------------------------------------------------------
// Fonts

constexpr int kDefaultPixelSize = 12;
constexpr int kMaxPixelSize = 1000;
// Up to this size text is drawn without antialiasing: crisp strokes on the
// cell grid, the way small Japanese screen fonts are meant to look.
constexpr int kLargestBitmapLikeSize = 16;

void EnsureFontSubstitutions() {
  static std::once_flag once;
  std::call_once(once, [] {
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
  });
}

QFont MakeFont(const TFont& F, int PixelSize) {
  QFont f(F.Name);
  f.setPixelSize(PixelSize);
  f.setBold(F.Style.contains(fsBold));
  f.setItalic(F.Style.contains(fsItalic));
  f.setUnderline(F.Style.contains(fsUnderline));
  f.setStrikeOut(F.Style.contains(fsStrikeOut));
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setStyleStrategy(PixelSize <= kLargestBitmapLikeSize
                         ? QFont::NoAntialias
                         : QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  return f;
}

int FontHeight(const QFont& f) {
  const QFontMetrics m(f);
  return m.ascent() + m.descent();
}

// ---------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------
// Program cursors

struct TCursorTable {
  std::mutex Lock;
  std::map<int, QCursor> Cursors;
};

// Never destroyed: the cursors (pixmaps) are released by a post routine when
// the application object goes, before the GUI is torn down.
TCursorTable& Cursors() {
  static TCursorTable* table = [] {
    auto* t = new TCursorTable;
    qAddPostRoutine([] {
      TCursorTable& c = Cursors();
      const std::lock_guard<std::mutex> guard(c.Lock);
      c.Cursors.clear();
    });
    return t;
  }();
  return *table;
}

}  // namespace

// ---------------------------------------------------------------------------
// Fonts and colours

void InstallFontSubstitutions() { EnsureFontSubstitutions(); }

QFont ToQFont(const TFont& F) {
  EnsureFontSubstitutions();
  if (F.Height <= 0) {
    const int px = F.Height == 0 ? kDefaultPixelSize : std::min(-F.Height, kMaxPixelSize);
    return MakeFont(F, px);
  }
  // A cell height: the largest pixel size whose ascent + descent fits it.
  // Rounded metrics run about one pixel over the pixel size, so the search
  // starts at the height and stops after a step or two.
  const int cell = std::min(F.Height, kMaxPixelSize);
  int px = cell;
  QFont f = MakeFont(F, px);
  while (px > 1 && FontHeight(f) > cell) f = MakeFont(F, --px);
  return f;
}

QColor ToQColor(TColor C, const QPalette& Palette) {
  if ((static_cast<uint32_t>(C) & 0x80000000u) == 0) {
    const auto c = static_cast<uint32_t>(C);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
  }
  switch (static_cast<uint32_t>(C) & 0xFFu) {
    case 4: return Palette.color(QPalette::Window);          // menu
    case 5: return Palette.color(QPalette::Base);            // window
    case 7: return Palette.color(QPalette::WindowText);      // menu text
    case 8: return Palette.color(QPalette::Text);            // window text
    case 13: return Palette.color(QPalette::Highlight);
    case 14: return Palette.color(QPalette::HighlightedText);
    case 15: return Palette.color(QPalette::Button);         // button face
    case 16: return Palette.color(QPalette::Dark);           // button shadow
    case 17: return Palette.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18: return Palette.color(QPalette::ButtonText);
    case 20: return Palette.color(QPalette::Light);          // button highlight
    case 21: return Palette.color(QPalette::Shadow);         // dark 3D shadow
    case 22: return Palette.color(QPalette::Midlight);       // 3D light
    case 23: return Palette.color(QPalette::ToolTipText);
    case 24: return Palette.color(QPalette::ToolTipBase);
    default: return Palette.color(QPalette::WindowText);
  }
}

TColor FromQColor(const QColor& C) {
  const QRgb rgb = C.rgb();
  return static_cast<TColor>(static_cast<uint32_t>(qRed(rgb)) | static_cast<uint32_t>(qGreen(rgb)) << 8 |
                             static_cast<uint32_t>(qBlue(rgb)) << 16);
}

// ---------------------------------------------------------------------------
// Per-font data

namespace {

// Glyph indexes with a meaning of their own.
constexpr quint32 kGlyphUnknown = 0xFFFFFFFFu;   // not looked up yet
constexpr quint32 kGlyphNone = 0xFFFFFFFEu;      // nothing to draw
constexpr quint32 kGlyphFallback = 0xFFFFFFFDu;  // the font lacks it: drawn as text

struct TGlyph {
  quint32 Index = kGlyphUnknown;
  int Width = 0;
};
using TGlyphPage = std::array<TGlyph, 256>;

// What a CP932 code draws: single bytes are codes 0-0xFF, two-byte
// characters lead << 8 | trail (lead bytes start at 0x81, so the ranges never
// meet).  Returns kNoUnicode for bytes that draw nothing.
char32_t DrawableChar(unsigned Code) {
  const char32_t u = Code > 0xFF ? Cp932CharToUnicode(Code >> 8, Code & 0xFF)
                                 : Cp932ByteToUnicode(static_cast<unsigned char>(Code));
  if (u == kNoUnicode || u < 0x20 || (u >= 0x7F && u < 0xA0)) return kNoUnicode;
  return u;
}

}  // namespace

struct TCanvas::TFontEntry {
  explicit TFontEntry(const TFont& F) : Key(F), Font(ToQFont(F)) {
    Plain = Font;
    Plain.setUnderline(false);
    Plain.setStrikeOut(false);
    Raw = QRawFont::fromFont(Plain);
    const QFontMetrics m(Font);
    Ascent = m.ascent();
    Descent = m.descent();
    UnderlinePos = m.underlinePos();
    StrikeOutPos = m.strikeOutPos();
    LineWidth = std::max(1, m.lineWidth());
    Reach = Font.pixelSize() + 1;
  }

  const TGlyph& Glyph(unsigned Code) {
    auto& page = Pages[Code >> 8];
    if (!page) page = std::make_unique<TGlyphPage>();
    TGlyph& g = (*page)[Code & 0xFF];
    if (g.Index == kGlyphUnknown) LookUp(Code, g);
    return g;
  }

  // The text a glyph the font lacks is drawn from.
  static QString Text(unsigned Code) {
    const char32_t u = DrawableChar(Code);
    return QString::fromUcs4(&u, 1);
  }

  TFont Key;
  QFont Font;
  QFont Plain;  // Font without underline and strike-out, which are drawn as lines
  QRawFont Raw;
  int Ascent = 0;
  int Descent = 0;
  int UnderlinePos = 0;
  int StrikeOutPos = 0;
  int LineWidth = 1;
  // How far ink may reach outside a glyph's cells (italic slant, bearings).
  int Reach = 0;

private:
  void LookUp(unsigned Code, TGlyph& g) {
    g = {kGlyphNone, 0};
    if (DrawableChar(Code) == kNoUnicode) return;
    const QString text = Text(Code);
    const QList<quint32> glyphs = Raw.glyphIndexesForString(text);
    if (glyphs.size() == 1 && glyphs[0] != 0) {
      g.Index = glyphs[0];
      g.Width = qRound(Raw.advancesForGlyphIndexes(glyphs).value(0).x());
    } else {
      g.Index = kGlyphFallback;
      g.Width = QFontMetrics(Plain).horizontalAdvance(text);
    }
  }

  std::array<std::unique_ptr<TGlyphPage>, 256> Pages;
};

struct TCanvas::TFontCache {
  static constexpr size_t kCapacity = 6;
  std::vector<std::unique_ptr<TFontEntry>> Entries;  // most recently used first
  // Buffers reused by every ExtTextOut call.
  std::vector<quint32> Glyphs;
  std::vector<QPointF> Positions;
};

TCanvas::TFontEntry& TCanvas::CurrentFont() const {
  if (!FFontCache) FFontCache = std::make_shared<TFontCache>();
  auto& entries = FFontCache->Entries;
  // Glyphs do not depend on the colour: one entry serves every colour.
  auto sameFace = [&](const TFontEntry& e) {
    return e.Key.Height == FFont.Height && e.Key.Style == FFont.Style &&
           (e.Key.Name.constData() == FFont.Name.constData() || e.Key.Name == FFont.Name);
  };
  if (!entries.empty() && sameFace(*entries.front())) return *entries.front();
  auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return sameFace(*e); });
  if (it == entries.end()) {
    if (entries.size() >= TFontCache::kCapacity) entries.pop_back();
    entries.push_back(std::make_unique<TFontEntry>(FFont));
    it = entries.end() - 1;
  }
  std::rotate(entries.begin(), it, it + 1);
  return *entries.front();
}

void TCanvas::SetFont(const TFont& F) { FFont = F; }

TCanvas::~TCanvas() { ClosePainter(); }

void TCanvas::SetImage(QImage* Image) {
  ClosePainter();
  FImage = Image;
}

void TCanvas::ClosePainter() {
  if (FPainter) FPainter->end();
  FPainter.reset();
}

void TCanvas::EndBatch() {
  if (FBatchDepth > 0 && --FBatchDepth == 0) ClosePainter();
}

QPainter& TCanvas::Painter() {
  if (!FPainter) {
    FPainter = std::make_unique<QPainter>(FImage);
  } else {
    FPainter->setClipping(false);
    FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  return *FPainter;
}

// Outside a batch every call's painter ends with the call.
void TCanvas::DonePainting() {
  if (FBatchDepth == 0) ClosePainter();
}

int TCanvas::TextHeight() const {
  const TFontEntry& f = CurrentFont();
  return f.Ascent + f.Descent;
}

int TCanvas::TextWidth(std::string_view Bytes) const {
  TFontEntry& f = CurrentFont();
  int width = 0;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    unsigned code = ByteAt(Bytes, i);
    if (IsLeadByte(static_cast<unsigned char>(code))) {
      if (i + 1 == Bytes.size()) break;  // a lone lead byte has no glyph
      code = code << 8 | ByteAt(Bytes, ++i);
    }
    width += f.Glyph(code).Width;
  }
  return width;
}

// ---------------------------------------------------------------------------
// Drawing

void TCanvas::FillRect(const TRect& R) {
  if (!CanPaint(FImage)) return;
  const QRect r = ClipToImage(R, *FImage);
  if (r.isEmpty()) return;
  QPainter& p = Painter();
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(r, ToQColor(BrushColor, FPalette));
  DonePainting();
}

void TCanvas::ExtTextOut(int X, int Y, const TRect& Clip, std::string_view Bytes, const int* Advances,
                         bool Opaque) {
  if (!CanPaint(FImage)) return;
  const QRect clip = ClipToImage(Clip, *FImage);
  if (clip.isEmpty()) return;
  if (Bytes.empty() && !Opaque) return;

  TFontEntry& f = CurrentFont();
  TFontCache& cache = *FFontCache;
  cache.Glyphs.clear();
  cache.Positions.clear();
  std::vector<std::pair<unsigned, int>> fallbacks;  // code, x

  // Glyphs that cannot reach the clip are left out, so a long row scrolled
  // far to the side costs little more than the walk over its advances.
  const int visibleLeft = clip.left() - f.Reach;
  const int visibleRight = clip.right() + 1 + f.Reach;
  const qreal baseline = Y + f.Ascent;
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
    cache.Positions.emplace_back(start, baseline);
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
    run.setRawFont(f.Raw);
    run.setRawData(cache.Glyphs.data(), cache.Positions.data(), static_cast<int>(cache.Glyphs.size()));
    p.drawGlyphRun(QPointF(0, 0), run);
  }
  if (!fallbacks.empty()) {
    p.setFont(f.Plain);
    for (const auto& [code, gx] : fallbacks) p.drawText(QPointF(gx, baseline), TFontEntry::Text(code));
  }
  if (textRight > X && (FFont.Style.contains(fsUnderline) || FFont.Style.contains(fsStrikeOut))) {
    const int bottom = Y + f.Ascent + f.Descent;
    const int b = Y + f.Ascent;
    if (FFont.Style.contains(fsUnderline))
      p.fillRect(QRect(X, std::min(b + f.UnderlinePos, bottom - f.LineWidth), textRight - X, f.LineWidth),
                 textColor);
    if (FFont.Style.contains(fsStrikeOut))
      p.fillRect(QRect(X, b - f.StrikeOutPos, textRight - X, f.LineWidth), textColor);
  }
  DonePainting();
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = PenPos;
  PenPos = {X, Y};
  if (!FImage) return;
  ClosePainter();
  TPixels px(*FImage);
  if (!px.Supported()) return;
  const uint32_t pen = px.Encode(ToQColor(PenColor, FPalette));
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
    if (px.Contains(x, y)) px.Set(x, y, PenMode == pmNot ? px.Invert(px.Get(x, y)) : pen);
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
}

void TCanvas::Draw(int X, int Y, const QImage& Bitmap) {
  if (!CanPaint(FImage) || Bitmap.isNull()) return;
  Painter().drawImage(X, Y, Bitmap);
  DonePainting();
}

void TCanvas::StretchDraw(const TRect& R, const QImage& Bitmap) {
  if (!CanPaint(FImage) || Bitmap.isNull()) return;
  const QRect visible = ClipToImage(R, *FImage);
  if (visible.isEmpty()) return;
  const QImage::Format format =
      Bitmap.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  const QImage src = Bitmap.convertToFormat(format);
  // Nearest neighbour, sampled at the centre of each destination pixel:
  // whole-number enlargements turn every source pixel into an exact block.
  const int64_t sw = src.width(), sh = src.height();
  const int64_t dw = R.Width(), dh = R.Height();
  auto sourceIndex = [](int64_t d, int64_t sSize, int64_t dSize) {
    return static_cast<int>(std::min(sSize - 1, ((2 * d + 1) * sSize) / (2 * dSize)));
  };
  std::vector<int> columns(static_cast<size_t>(visible.width()));
  for (int i = 0; i < visible.width(); ++i)
    columns[static_cast<size_t>(i)] = sourceIndex(visible.left() + i - R.Left, sw, dw);
  QImage scaled(visible.size(), format);
  for (int j = 0; j < visible.height(); ++j) {
    const int row = sourceIndex(visible.top() + j - R.Top, sh, dh);
    const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(row));
    auto* out = reinterpret_cast<uint32_t*>(scaled.scanLine(j));
    for (int i = 0; i < visible.width(); ++i) out[i] = in[columns[static_cast<size_t>(i)]];
  }
  Painter().drawImage(visible.topLeft(), scaled);
  DonePainting();
}

void TCanvas::ScrollRect(int Dx, int Dy, const TRect& R) {
  if (!FImage || FImage->isNull()) return;
  const QRect r = ClipToImage(R, *FImage);
  if (r.isEmpty() || (Dx == 0 && Dy == 0)) return;
  ClosePainter();
  // Destination pixels whose source lies inside r as well.
  const QRect dest = r & r.translated(Dx, Dy);
  if (dest.isEmpty()) return;
  const int depth = FImage->depth();
  if (depth % 8 == 0) {
    const int bpp = depth / 8;
    const size_t rowBytes = static_cast<size_t>(dest.width()) * static_cast<size_t>(bpp);
    uchar* bits = FImage->bits();  // detaches once
    const qsizetype stride = FImage->bytesPerLine();
    auto moveRow = [&](int y) {
      uchar* to = bits + y * stride + static_cast<qsizetype>(dest.left()) * bpp;
      const uchar* from = bits + (y - Dy) * stride + static_cast<qsizetype>(dest.left() - Dx) * bpp;
      std::memmove(to, from, rowBytes);
    };
    // Rows are copied away from the direction of movement so no source row
    // is overwritten before it is read.
    if (Dy > 0)
      for (int y = dest.bottom(); y >= dest.top(); --y) moveRow(y);
    else
      for (int y = dest.top(); y <= dest.bottom(); ++y) moveRow(y);
    return;
  }
  // Sub-byte (monochrome) images: through a copy of the source area.
  const QImage source = FImage->copy(dest.translated(-Dx, -Dy));
  for (int y = 0; y < dest.height(); ++y)
    for (int x = 0; x < dest.width(); ++x)
      FImage->setPixel(dest.left() + x, dest.top() + y, static_cast<uint>(source.pixelIndex(x, y)));
}

// ---------------------------------------------------------------------------
// Flood fills

void FloodFillSurface(QImage& Image, int X, int Y, const QColor& Fill) {
  TPixels px(Image);
  if (!px.Supported() || !px.Contains(X, Y)) return;
  const uint32_t target = px.Get(X, Y);
  const uint32_t fill = px.Encode(Fill);
  if (target == fill) return;
  ScanFill(
      px.Width(), px.Height(), X, Y, [&](int x, int y) { return px.Get(x, y) == target; },
      [&](int x, int y) { px.Set(x, y, fill); });
}

void FloodFillBorder(QImage& Image, int X, int Y, const QColor& Border, const QColor& Fill) {
  TPixels px(Image);
  if (!px.Supported() || !px.Contains(X, Y)) return;
  const uint32_t border = px.Encode(Border);
  const uint32_t fill = px.Encode(Fill);
  // The fill colour may already occur inside the area, so filled pixels are
  // remembered separately.
  const auto width = static_cast<size_t>(px.Width());
  std::vector<bool> done(width * static_cast<size_t>(px.Height()));
  auto at = [&](int x, int y) { return static_cast<size_t>(y) * width + static_cast<size_t>(x); };
  ScanFill(
      px.Width(), px.Height(), X, Y,
      [&](int x, int y) { return !done[at(x, y)] && px.Get(x, y) != border; },
      [&](int x, int y) {
        done[at(x, y)] = true;
        px.Set(x, y, fill);
      });
}

// ---------------------------------------------------------------------------
// Resources and cursors

QImage LoadCrBitmap() {
  InitCanvasResources();
  QImage image(QStringLiteral(":/CR.bmp"));
  if (image.isNull()) image.load(QStringLiteral(":/CR.png"));
  if (image.isNull()) throw std::runtime_error("The CR bitmap resource (:/CR.bmp) is missing");
  return image.convertToFormat(QImage::Format_RGB32);
}

QCursor LoadRevCursor() {
  InitCanvasResources();
  const QImage image = QImage(QStringLiteral(":/RevCursor.png")).convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) throw std::runtime_error("The RevCursor resource (:/RevCursor.png) is missing");
  // The hot spot is the arrow's tip: its right-most pixel, the top one if
  // several share that column.
  QPoint tip(image.width() - 1, 0);
  for (int x = image.width() - 1, found = 0; x >= 0 && !found; --x)
    for (int y = 0; y < image.height(); ++y)
      if (qAlpha(image.pixel(x, y)) != 0) {
        tip = {x, y};
        found = 1;
        break;
      }
  return QCursor(QPixmap::fromImage(image), tip.x(), tip.y());
}

void RegisterProgramCursor(int Index, const QCursor& Cursor) {
  TCursorTable& t = Cursors();
  const std::lock_guard<std::mutex> guard(t.Lock);
  t.Cursors.insert_or_assign(Index, Cursor);
}

QCursor ProgramCursor(int Index) {
  TCursorTable& t = Cursors();
  const std::lock_guard<std::mutex> guard(t.Lock);
  const auto it = t.Cursors.find(Index);
  return it != t.Cursors.end() ? it->second : QCursor(Qt::ArrowCursor);
}
