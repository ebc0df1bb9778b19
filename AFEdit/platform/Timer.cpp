#include "AFEdit/platform/Timer.h"

#include <QTimer>

TTimer::TTimer() = default;
TTimer::~TTimer() = default;

void TTimer::Start(int Interval) {
  if (!FTimer) {
    FTimer = std::make_unique<QTimer>();
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
      if (OnTimeout) OnTimeout();
    });
  }
  FTimer->start(Interval);
}

void TTimer::Stop() {
  if (FTimer) FTimer->stop();
}

bool TTimer::Active() const noexcept { return FTimer && FTimer->isActive(); }

bool TTimer::Fire() {
  if (!Active()) return false;
  FTimer->start();  // the next timeout is a whole interval away again
  if (OnTimeout) OnTimeout();
  return true;
}
