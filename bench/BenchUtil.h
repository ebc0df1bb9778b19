// Measuring helpers: each case runs in a child process of its own, so its
// peak memory is its own and the cases do not disturb each other.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace bench {

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
inline long StatusKb(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long v = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
      v = std::atol(line + n + 1);
      break;
    }
  }
  std::fclose(f);
  return v;
}

inline void ResetPeak() {
  // Writing 5 to clear_refs resets VmHWM to the current RSS.
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

struct Result {
  double Ms = 0;        // time of the measured part
  double PeakMiB = 0;   // peak resident memory added during the measured part
  double Ms2 = 0;       // time of a second measured part, where a case has one
  double Extra = 0;     // figures of the case's own
  double Extra2 = 0;
};

// Runs body in a forked child: body(result) fills Ms (and Extra); the child
// measures the peak memory added while body ran.
inline Result RunIsolated(const std::function<void(Result&)>& body) {
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Result r;
    ResetPeak();
    const long before = StatusKb("VmRSS");
    body(r);
    r.PeakMiB = static_cast<double>(StatusKb("VmHWM") - before) / 1024.0;
    if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Result r;
  const ssize_t n = read(fds[0], &r, sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (n != static_cast<ssize_t>(sizeof r) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "benchmark child failed\n");
    std::exit(1);
  }
  return r;
}

// The best (smallest time) of several isolated runs.
inline Result Best(int runs, const std::function<void(Result&)>& body) {
  Result best;
  for (int i = 0; i < runs; ++i) {
    Result r = RunIsolated(body);
    if (i == 0 || r.Ms < best.Ms) best = r;
  }
  return best;
}

inline void Report(const char* name, const Result& ours, const Result& base, bool memory) {
  std::printf("%-46s %9.1f ms  (baseline %9.1f ms, ratio %.2f)", name, ours.Ms, base.Ms,
              base.Ms > 0 ? ours.Ms / base.Ms : 0.0);
  if (memory)
    std::printf("  peak %7.1f MiB (baseline %7.1f MiB, ratio %.2f)", ours.PeakMiB, base.PeakMiB,
                base.PeakMiB > 0 ? ours.PeakMiB / base.PeakMiB : 0.0);
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace bench
