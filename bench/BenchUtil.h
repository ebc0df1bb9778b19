// Measuring helpers.  A case whose memory matters runs its measured body in a
// forked child: the child's peak and resident memory are its own, so one case
// cannot pollute another's figures, and a child that runs away is stopped
// (address-space limit, time limit) and reported as a failed case.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace bench {

double NowMs();

// Writes Data to Path; false, after a message on stderr, when it cannot.
bool WriteBenchFile(const std::string& Path, const std::string& Data);

// A field of /proc/self/status in KiB (VmRSS, VmHWM, VmSize); -1 if absent.
long StatusKb(const char* field);

// Resets VmHWM to the current resident size.
void ResetPeak();

// Hands freed heap pages back to the system, so that a drop in VmRSS shows
// what a release really freed.
void TrimHeap();

// What a child reports back through its pipe: plain data only.
struct Figures {
  static constexpr int kMax = 8;
  double Ms = 0;       // time of the measured part, set by the body
  double PeakMiB = 0;  // peak resident memory the body added, set by the runner
  int Count = 0;
  char Names[kMax][32] = {};
  double Values[kMax] = {};

  // Adds a figure of the case's own; it becomes a counter of that name.
  void Set(const char* name, double value);
};

struct ChildLimits {
  long AddressSpaceMiB = 0;  // address space the child may add; 0: no limit
  int TimeoutSec = 600;      // the child is killed past this
};

struct ChildResult {
  bool Ok = false;
  std::string Error;  // why the child failed, when it did
  Figures F;
};

// Runs body in a forked child and returns its figures.  A body that throws,
// dies of a signal or outlives its time limit gives Ok == false and a reason.
ChildResult RunIsolated(const std::function<void(Figures&)>& body, const ChildLimits& limits = {});

// Registers a case timed by hand (the body reports the time of its measured
// part only), in milliseconds, one iteration per repetition.
benchmark::internal::Benchmark* AddCase(const std::string& name,
                                        std::function<void(benchmark::State&)> fn);

// The loop of a forked case: one child per iteration; its time becomes the
// iteration time and its figures counters ("peak_mib" too when `peak` is set).
// A failed child skips the case with the child's reason, which is returned
// (empty when every child succeeded).
std::string RunForked(benchmark::State& state, const std::function<void(Figures&)>& body, bool peak,
               const ChildLimits& limits = {});

}  // namespace bench
