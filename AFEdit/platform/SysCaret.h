// The system caret: the control's own, created hidden with a size, shown
// when every hide has been balanced by a show, drawn over the window
// surface by the paint event (never into it) and blinking at the platform's
// cursor flash time while shown.  Each change reports the rectangle to show
// again through OnInvalidate.
#pragma once

#include <functional>

#include "AFEdit/platform/Timer.h"
#include "AFEdit/platform/Types.h"

class QPainter;

class TSysCaret {
public:
  TSysCaret();

  std::function<void(const TRect&)> OnInvalidate;

  void Create(int Width, int Height);
  void Destroy();
  void Hide();
  void Show();
  void SetPos(int X, int Y);
  TPoint Pos() const noexcept { return FPos; }
  int Width() const noexcept { return FWidth; }  // 0 while there is none
  int Height() const noexcept { return FHeight; }
  bool Visible() const noexcept { return FWidth > 0 && FHides == 0; }
  // Whether the blink is in its shown phase.
  bool BlinkOn() const noexcept { return FBlinkOn; }
  TRect Rect() const noexcept { return {FPos.X, FPos.Y, FPos.X + FWidth, FPos.Y + FHeight}; }
  // Inverts the pixels under the caret when it is visible and in its shown
  // phase.
  void Draw(QPainter& P) const;
  // The blink's timer (tests fire it).
  TTimer& BlinkTimer() noexcept { return FBlink; }

private:
  void Invalidate() const;
  void Blink();

  TPoint FPos{0, 0};
  int FWidth = 0;
  int FHeight = 0;
  int FHides = 1;  // hides not yet balanced by shows
  bool FBlinkOn = true;
  TTimer FBlink;
};
