// The editor's text size: the steps Ctrl+plus and Ctrl+minus go through,
// in points, and applying one to the control.
#pragma once

class TCustomAFEdit;

constexpr int kMinPoints = 8;
constexpr int kMaxPoints = 48;
// The design's 12-pixel text.
constexpr int kDefaultPoints = 9;

// The next size from Points one step up (Direction > 0) or down, kept in
// 8..48; a size between steps goes to the neighbouring step.
int ZoomStep(int Points, int Direction);
// A size read from the settings, brought into 8..48 (the default for none).
int ValidPoints(int Points);
// Pixels of a point size on a 96-dpi logical grid (9 points: 12 pixels).
constexpr int PixelsOfPoints(int Points) { return (Points * 96 + 36) / 72; }

// Sets the control's font to Points; the cell grid, the ruler, the row
// numbers' margin (six cells: "%5d:") follow, and the caret's row stays
// in view.
void ApplyFontPoints(TCustomAFEdit& Edit, int Points);
// The control's font size in points.
int FontPointsOf(const TCustomAFEdit& Edit);
