// Fonts and colours of the drawing layer: the Qt font of a TFont, system
// colours, and the canvas's per-font glyph tables.
#include <QFontMetrics>
#include <QList>

#include <algorithm>
#include <mutex>

#include "AFEdit/platform/CanvasFonts.h"
#include "AFEdit/platform/Cp932.h"

using namespace CanvasDetail;

namespace {

constexpr int kDefaultPixelSize = 12;
constexpr int kMaxPixelSize = 1000;
// Up to this size (in device pixels) text is drawn without antialiasing:
// crisp strokes on the cell grid, the way small Japanese screen fonts are
// meant to look.  Larger text, such as the same font on a scaled screen, is
// smoothed.
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

// What a CP932 code draws: single bytes are codes 0-0xFF, two-byte
// characters lead << 8 | trail (lead bytes start at 0x81, so the ranges never
// meet).  Returns kNoUnicode for bytes that draw nothing.
char32_t DrawableChar(unsigned Code) {
  const char32_t u = Code > 0xFF ? Cp932CharToUnicode(Code >> 8, Code & 0xFF)
                                 : Cp932ByteToUnicode(static_cast<unsigned char>(Code));
  if (u == kNoUnicode || u < 0x20 || (u >= 0x7F && u < 0xA0)) return kNoUnicode;
  return u;
}

inline unsigned ByteAt(std::string_view s, size_t i) noexcept { return static_cast<unsigned char>(s[i]); }

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

TCanvas::TFontEntry::TFontEntry(const TFont& F, qreal R) : Key(F), Ratio(R), Font(ToQFont(F)) {
  Plain = Font;
  Plain.setUnderline(false);
  Plain.setStrikeOut(false);
  Raw = QRawFont::fromFont(Plain);
  if (Ratio == 1) {
    DevicePlain = Plain;
    DeviceRaw = Raw;
  } else {
    TFont plain = F;
    plain.Style = F.Style - TFontStyles{fsUnderline, fsStrikeOut};
    DevicePlain = MakeFont(plain, std::max(1, qRound(Font.pixelSize() * Ratio)));
    DeviceRaw = QRawFont::fromFont(DevicePlain);
  }
  const QFontMetrics m(Font);
  Ascent = m.ascent();
  Descent = m.descent();
  UnderlinePos = m.underlinePos();
  StrikeOutPos = m.strikeOutPos();
  LineWidth = std::max(1, m.lineWidth());
  Reach = Font.pixelSize() + 1;
}

QString TCanvas::TFontEntry::Text(unsigned Code) {
  const char32_t u = DrawableChar(Code);
  return QString::fromUcs4(&u, 1);
}

void TCanvas::TFontEntry::LookUp(unsigned Code, TGlyph& g) {
  g = {kGlyphNone, 0};
  if (DrawableChar(Code) == kNoUnicode) return;
  const QString text = Text(Code);
  const QList<quint32> glyphs = DeviceRaw.glyphIndexesForString(text);
  if (glyphs.size() == 1 && glyphs[0] != 0) {
    g.Index = glyphs[0];
    const QList<quint32> logical = Ratio == 1 ? glyphs : Raw.glyphIndexesForString(text);
    g.Width = qRound(Raw.advancesForGlyphIndexes(logical).value(0).x());
  } else {
    g.Index = kGlyphFallback;
    g.Width = QFontMetrics(Plain).horizontalAdvance(text);
  }
}

TCanvas::TFontEntry& TCanvas::CurrentFont() const {
  if (!FFontCache) FFontCache = std::make_shared<TFontCache>();
  auto& entries = FFontCache->Entries;
  const qreal ratio = Ratio();
  // Glyphs do not depend on the colour: one entry serves every colour.
  auto sameFace = [&](const TFontEntry& e) {
    return e.Key.Height == FFont.Height && e.Key.Style == FFont.Style && e.Ratio == ratio &&
           (e.Key.Name.constData() == FFont.Name.constData() || e.Key.Name == FFont.Name);
  };
  if (!entries.empty() && sameFace(*entries.front())) return *entries.front();
  auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return sameFace(*e); });
  if (it == entries.end()) {
    if (entries.size() >= TFontCache::kCapacity) entries.pop_back();
    entries.push_back(std::make_unique<TFontEntry>(FFont, ratio));
    it = entries.end() - 1;
  }
  std::rotate(entries.begin(), it, it + 1);
  return *entries.front();
}

void TCanvas::SetFont(const TFont& F) { FFont = F; }

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
