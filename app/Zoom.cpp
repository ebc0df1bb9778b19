#include "app/Zoom.h"

#include <algorithm>
#include <iterator>

#include "AFEdit/AFEdit.h"

namespace {

constexpr int kSteps[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40, 44, 48};

}  // namespace

int ValidPoints(int Points) { return Points <= 0 ? kDefaultPoints : std::clamp(Points, kMinPoints, kMaxPoints); }

int ZoomStep(int Points, int Direction) {
  Points = ValidPoints(Points);
  if (Direction > 0) {
    const auto* next = std::upper_bound(std::begin(kSteps), std::end(kSteps), Points);
    return next == std::end(kSteps) ? kMaxPoints : *next;
  }
  const auto* at = std::lower_bound(std::begin(kSteps), std::end(kSteps), Points);
  return at == std::begin(kSteps) ? kMinPoints : *(at - 1);
}

void ApplyFontPoints(TCustomAFEdit& Edit, int Points) {
  TFont font = Edit.Font();
  font.Height = -PixelsOfPoints(ValidPoints(Points));
  if (font == Edit.Font()) return;
  Edit.SetFont(font);
  Edit.SetLeftMgn(6 * Edit.CellWidth());
  Edit.ScrollToCaret();
  Edit.Paint();
}

int FontPointsOf(const TCustomAFEdit& Edit) {
  const int px = Edit.Font().Height < 0 ? -Edit.Font().Height : Edit.Font().Height;
  return (px * 72 + 48) / 96;
}
