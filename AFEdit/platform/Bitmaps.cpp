// Bitmaps and screen cursors: the flood fills, the "CR" line-end glyph and
// the "RevCursor" cursor from the resources, and the table of the program's
// numbered cursors.
#include <QCoreApplication>
#include <QCursor>
#include <QImage>
#include <QPixmap>

#include <map>
#include <mutex>
#include <stdexcept>

#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/Pixels.h"

// The image resources live in the static AFEdit library; referencing the
// generated initializer keeps the linker from dropping them.  Q_INIT_RESOURCE
// has to be used outside any namespace.
static void InitCanvasResources() {
  static std::once_flag once;
  std::call_once(once, [] { Q_INIT_RESOURCE(resources); });
}

using CanvasDetail::ScanFill;
using CanvasDetail::TPixels;

namespace {

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

QImage StretchedBitmap(const QImage& Source, int Size, qreal Ratio) {
  const int device = std::max(1, qRound(Size * Ratio));
  QImage out(device, device, QImage::Format_RGB32);
  out.setDevicePixelRatio(Ratio);
  TCanvas(&out).StretchDraw({0, 0, Size, Size}, Source);
  return out;
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
