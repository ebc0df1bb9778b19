// What the mouse is doing: the pressed button's mode, margin drags,
// autoscroll and the pointer's shape.
#pragma once

#include <cstdint>

#include "AFEdit/platform/ScreenCursor.h"
#include "AFEdit/platform/Timer.h"

struct TMouseState {
  uint8_t FMouseMode = 0;  // what the pressed left button is doing (mm*)
  int32_t FLastDragRow = -1;  // row last reached by a margin drag
  int32_t FClickBias = 3;     // pixels added to a pointer x before it becomes a column
  TScreenCursor FPointer;
  // Autoscroll: direction (1 down, -1 up, 0 none), the pointer's client
  // position when it began (a vertical move ends it), and the step timer.
  int FAutoScrollDir = 0;
  int FAutoScrollX = 0;
  int FAutoScrollY = 0;
  TTimer FAutoScrollTimer;
};
