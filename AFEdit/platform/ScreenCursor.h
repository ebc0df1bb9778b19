// The pointer's shape over a widget: crDefault, crIBeam, crSizeWE or one of
// the program's own cursors (crRevCursor).
#pragma once

class QWidget;

class TScreenCursor {
public:
  void Attach(QWidget* Target) noexcept { FTarget = Target; }
  // The shape last set (crDefault at first).
  int Shape() const noexcept { return FShape; }
  void Set(int Shape);

private:
  QWidget* FTarget = nullptr;
  int FShape = 0;  // crDefault
};
