// The drawing surface of the control: a thin layer over a QImage that offers
// what the editor draws with — fonts, opaque clipped text on the byte-cell
// grid (CP932 bytes turned into glyphs at the edge), rectangle fills, pen
// lines with a copy or inverting mode, bitmaps drawn and stretched, flood
// fills, and moving pixels for scrolling.  Rectangles are TRect (right and
// bottom exclusive); colours are TColor, system colours resolved through a
// palette.
//
// Coordinates are logical pixels.  The image may hold more device pixels
// than that (its device pixel ratio, as on a scaled screen): the canvas then
// draws text, fills, lines and bitmaps at the device's resolution, logical
// pixel x covering device pixels [round(x * ratio), round((x + 1) * ratio)).
//
// Every drawing call records the logical rectangle it touched (its damage);
// the damage is handed to the sink when the outermost batch closes, or right
// after a call made outside a batch.
#pragma once

#include <QCursor>
#include <QPainter>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>

#include <climits>
#include <functional>
#include <memory>
#include <string_view>

#include "AFEdit/platform/Types.h"

// A font as the control describes it.  Height follows the usual convention of
// the control's properties: a negative value is the character height in
// pixels, a positive one the cell height.
struct TFont {
  QString Name = QStringLiteral("ＭＳ ゴシック");
  int Height = -12;
  TColor Color = clWindowText;
  TFontStyles Style;
  friend bool operator==(const TFont&, const TFont&) = default;
};

// The Qt font for a TFont ("ＭＳ ゴシック" resolves through the substitution
// installed by InstallFontSubstitutions).
QFont ToQFont(const TFont& F);
// Maps the control's Japanese font names to fonts present on this system
// (IPAGothic); call once at start-up.
void InstallFontSubstitutions();

// The RGB colour of a TColor; system colours come from the palette:
// clWindow Base, clWindowText Text, clBtnFace Button, clHighlight Highlight,
// clHighlightText HighlightedText.
QColor ToQColor(TColor C, const QPalette& Palette);
// The TColor (0x00BBGGRR) of an RGB colour.
TColor FromQColor(const QColor& C);
// The same pixels as a Qt rectangle (whose right and bottom are inclusive).
inline QRect ToQRect(const TRect& R) { return QRect(R.Left, R.Top, R.Width(), R.Height()); }

enum TPenMode { pmCopy, pmNot };

class TCanvas {
public:
  TCanvas() = default;
  explicit TCanvas(QImage* Image, QPalette Palette = QPalette()) : FImage(Image), FPalette(Palette) {}

  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  ~TCanvas();

  void SetImage(QImage* Image);
  QImage* Image() const noexcept { return FImage; }
  // Device pixels per logical pixel: the image's ratio.
  qreal Ratio() const noexcept { return FImage ? FImage->devicePixelRatio() : 1.0; }
  // The device pixels that logical rectangle R covers (not clipped).
  QRect DeviceRect(const TRect& R) const noexcept;
  void SetPalette(const QPalette& P) { FPalette = P; }
  const QPalette& Palette() const noexcept { return FPalette; }

  // Font, text and background colours used by text output.
  void SetFont(const TFont& F);
  const TFont& Font() const noexcept { return FFont; }
  // Height of text in the current font: the font's ascent plus descent.
  int TextHeight() const;
  // Width of CP932 text in the current font, glyph by glyph.
  int TextWidth(std::string_view Bytes) const;

  TColor BrushColor = clWindow;  // fills and text background
  TColor PenColor = clBlack;
  TPenMode PenMode = pmCopy;

  void FillRect(const TRect& R);
  // Draws CP932 bytes at (X, Y): byte i advances Advances[i] pixels, a
  // two-byte character is one glyph spanning both its cells.  With Opaque the
  // clip rectangle is first filled with BrushColor.  Nothing is drawn outside
  // Clip.  Bytes without a glyph draw nothing (their cells stay filled).  A
  // null Advances steps by each glyph's own width, as TextWidth measures it.
  void ExtTextOut(int X, int Y, const TRect& Clip, std::string_view Bytes, const int* Advances,
                  bool Opaque = true);

  TPoint PenPos{0, 0};
  void MoveTo(int X, int Y) noexcept { PenPos = {X, Y}; }
  // A one-pixel line from PenPos to (X, Y), the end point excluded; with
  // pmNot every pixel on it is inverted.  PenPos becomes (X, Y).
  void LineTo(int X, int Y);

  // Draws a bitmap with its top-left corner at (X, Y), clipped to Clip.  A
  // bitmap of the image's ratio is copied pixel for pixel; any other is
  // stretched over its logical size.
  void Draw(int X, int Y, const QImage& Bitmap, const TRect& Clip);
  void Draw(int X, int Y, const QImage& Bitmap) { Draw(X, Y, Bitmap, {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2}); }
  // Nearest-neighbour stretch of Bitmap over the device pixels of R.
  void StretchDraw(const TRect& R, const QImage& Bitmap);

  // Moves the pixels of R by (Dx, Dy), clipped to R; the uncovered strip
  // keeps its old pixels (the caller repaints it).  Returns false, moving
  // nothing, when the move is not a whole number of device pixels (a
  // fractional ratio): the caller then repaints all of R.
  bool ScrollRect(int Dx, int Dy, const TRect& R);
  // Whether a move by (Dx, Dy) logical pixels is a whole number of device
  // pixels.
  bool CanScrollExactly(int Dx, int Dy) const noexcept;

  // The logical rectangle touched since the damage was last taken (the
  // bounding box of every drawing call's rectangle), and the sink it goes to.
  const TRect& Damage() const noexcept { return FDamage; }
  TRect TakeDamage() noexcept;
  void SetDamageSink(std::function<void(const TRect&)> Sink) { FDamageSink = std::move(Sink); }

  // Between BeginBatch and the matching EndBatch the drawing calls share one
  // painter on the image instead of opening one each; calls that touch the
  // pixels directly close it first.  Batches nest.
  void BeginBatch() noexcept { ++FBatchDepth; }
  void EndBatch();

private:
  // The painter for one drawing call, in device pixels: the batch's (state
  // reset) or a fresh one.
  QPainter& Painter();
  // Ends a drawing call that touched R (logical).
  void DonePainting(const TRect& R);
  void AddDamage(const TRect& R) noexcept;
  TRect LogicalClip(const TRect& R) const noexcept;
  QRect DeviceClip(const TRect& R) const noexcept;
  void FlushDamage();
  void ClosePainter();

  // Per-font data (Qt font, metrics, glyphs by CP932 code) for the last few
  // fonts set; built on first use.
  struct TFontEntry;
  struct TFontCache;
  TFontEntry& CurrentFont() const;

  QImage* FImage = nullptr;
  QPalette FPalette;
  TFont FFont;
  mutable std::shared_ptr<TFontCache> FFontCache;
  QImage FDeviceView;  // FImage's pixels at ratio 1, what the painter paints on
  std::unique_ptr<QPainter> FPainter;
  int FBatchDepth = 0;
  TRect FDamage;
  std::function<void(const TRect&)> FDamageSink;
};

// Flood fills on an image (24- or 32-bit).
// Surface fill: replaces the 4-connected area of the colour at (X, Y) by Fill.
void FloodFillSurface(QImage& Image, int X, int Y, const QColor& Fill);
// Border fill: fills the 4-connected area around (X, Y) bounded by pixels of
// colour Border.
void FloodFillBorder(QImage& Image, int X, int Y, const QColor& Border, const QColor& Fill);

// The "CR" line-end glyph bitmap (16 x 16) from the resources; throws
// std::runtime_error when the resource is missing.
QImage LoadCrBitmap();
// Source stretched (nearest neighbour) to a square of Size logical pixels
// at the device pixel ratio Ratio.
QImage StretchedBitmap(const QImage& Source, int Size, qreal Ratio);
// The "RevCursor" cursor from the resources: a right-pointing arrow with its
// hot spot at the tip.
QCursor LoadRevCursor();
// The program's numbered screen cursors: the control registers RevCursor as
// number 5.  An unregistered number gives the arrow cursor.
void RegisterProgramCursor(int Index, const QCursor& Cursor);
QCursor ProgramCursor(int Index);
constexpr int crRevCursor = 5;
// The toolkit's own screen cursors by their numbers: the arrow, the I-beam
// and the horizontal resize arrows.
constexpr int crDefault = 0;
constexpr int crIBeam = -4;
constexpr int crSizeWE = -9;
