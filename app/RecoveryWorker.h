// The thread that writes a window's recovery copies and journal.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs jobs one after another on a thread of its own, in the order given.
class TRecoveryWorker {
public:
  TRecoveryWorker() : FThread([this] { Run(); }) {}
  ~TRecoveryWorker() {
    {
      const std::lock_guard lock(FMutex);
      FStop = true;
    }
    FWake.notify_all();
    FThread.join();
  }
  void Post(std::function<void()> Job) {
    {
      const std::lock_guard lock(FMutex);
      FJobs.push_back(std::move(Job));
      ++FOpen;
    }
    FWake.notify_all();
  }
  void WaitIdle() {
    std::unique_lock lock(FMutex);
    FIdle.wait(lock, [this] { return FOpen == 0; });
  }

private:
  void Run() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(FMutex);
        FWake.wait(lock, [this] { return FStop || !FJobs.empty(); });
        if (FJobs.empty()) return;
        job = std::move(FJobs.front());
        FJobs.pop_front();
      }
      job();
      {
        const std::lock_guard lock(FMutex);
        --FOpen;
      }
      FIdle.notify_all();
    }
  }

  std::mutex FMutex;
  std::condition_variable FWake;
  std::condition_variable FIdle;
  std::deque<std::function<void()>> FJobs;
  int FOpen = 0;  // jobs posted and not yet finished
  bool FStop = false;
  std::thread FThread;  // last: starts once the rest is in place
};
