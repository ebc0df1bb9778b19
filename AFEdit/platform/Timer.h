// A repeating timer of the control: Start runs OnTimeout every Interval
// milliseconds from the event loop until Stop.  Fire runs a due timeout at
// once, so tests step autoscroll and the caret's blink without waiting.
#pragma once

#include <functional>
#include <memory>

class QTimer;

class TTimer {
public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  std::function<void()> OnTimeout;
  // Starts the timer, or restarts it with the new interval.
  void Start(int Interval);
  void Stop();
  bool Active() const noexcept;
  // Runs the timeout the event loop would run next, as if the interval had
  // passed; false (and nothing runs) while the timer is stopped.
  bool Fire();

private:
  std::unique_ptr<QTimer> FTimer;  // created on the first start
};
