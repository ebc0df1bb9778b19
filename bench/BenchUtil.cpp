#include "bench/BenchUtil.h"

#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace bench {

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

long StatusKb(const char* field) {
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

void ResetPeak() {
  // Writing 5 to clear_refs resets VmHWM to the current RSS.
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

void TrimHeap() { malloc_trim(0); }

void Figures::Set(const char* name, double value) {
  for (int i = 0; i < Count; ++i) {
    if (std::strcmp(Names[i], name) == 0) {
      Values[i] = value;
      return;
    }
  }
  if (Count == kMax) std::abort();
  std::snprintf(Names[Count], sizeof Names[Count], "%s", name);
  Values[Count++] = value;
}

namespace {

struct ChildReport {
  bool Ok = false;
  char Message[200] = {};
  Figures F;
};

// Reads n bytes from fd unless the deadline passes first; returns the bytes read,
// or -1 on timeout.
long ReadUntil(int fd, void* buf, size_t n, double deadlineMs) {
  size_t got = 0;
  while (got < n) {
    const double left = deadlineMs - NowMs();
    if (left <= 0) return -1;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return -1;
    const ssize_t k = ::read(fd, static_cast<char*>(buf) + got, n - got);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) break;
    got += static_cast<size_t>(k);
  }
  return static_cast<long>(got);
}

[[noreturn]] void ChildMain(int out, const std::function<void(Figures&)>& body, const ChildLimits& limits) {
  ChildReport rep;
  if (limits.AddressSpaceMiB > 0) {
    const rlim_t now = static_cast<rlim_t>(StatusKb("VmSize")) * 1024;
    const rlimit rl{now + (static_cast<rlim_t>(limits.AddressSpaceMiB) << 20),
                    now + (static_cast<rlim_t>(limits.AddressSpaceMiB) << 20)};
    ::setrlimit(RLIMIT_AS, &rl);
  }
  try {
    // Free pages the parent's heap still holds would be reused without
    // showing in the resident size: hand them back first.
    TrimHeap();
    ResetPeak();
    const long before = StatusKb("VmRSS");
    body(rep.F);
    rep.F.PeakMiB = static_cast<double>(StatusKb("VmHWM") - before) / 1024.0;
    rep.Ok = true;
  } catch (const std::bad_alloc&) {
    std::snprintf(rep.Message, sizeof rep.Message, "out of memory (address-space limit: %ld MiB more)",
                  limits.AddressSpaceMiB);
  } catch (const std::exception& e) {
    std::snprintf(rep.Message, sizeof rep.Message, "exception: %s", e.what());
  }
  const bool sent = ::write(out, &rep, sizeof rep) == static_cast<ssize_t>(sizeof rep);
  ::_exit(sent ? 0 : 1);
}

}  // namespace

ChildResult RunIsolated(const std::function<void(Figures&)>& body, const ChildLimits& limits) {
  ChildResult result;
  int fds[2];
  if (::pipe(fds) != 0) {
    result.Error = "pipe failed";
    return result;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    result.Error = "fork failed";
    return result;
  }
  if (pid == 0) {
    ::close(fds[0]);
    ChildMain(fds[1], body, limits);
  }
  ::close(fds[1]);
  ChildReport rep;
  const long n = ReadUntil(fds[0], &rep, sizeof rep, NowMs() + limits.TimeoutSec * 1000.0);
  ::close(fds[0]);
  if (n < 0) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  char why[256];
  if (n < 0) {
    std::snprintf(why, sizeof why, "stopped after its time limit of %d s", limits.TimeoutSec);
  } else if (WIFSIGNALED(status)) {
    std::snprintf(why, sizeof why, "child died of signal %d (%s)%s", WTERMSIG(status),
                  strsignal(WTERMSIG(status)),
                  limits.AddressSpaceMiB > 0 ? ", most likely out of its address-space limit" : "");
  } else if (n != static_cast<long>(sizeof rep) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::snprintf(why, sizeof why, "child failed (exit status %d)", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  } else if (!rep.Ok) {
    std::snprintf(why, sizeof why, "%s", rep.Message);
  } else {
    result.Ok = true;
    result.F = rep.F;
    return result;
  }
  result.Error = why;
  return result;
}

benchmark::internal::Benchmark* AddCase(const std::string& name,
                                        std::function<void(benchmark::State&)> fn) {
  return benchmark::RegisterBenchmark(name.c_str(), std::move(fn))
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
}

std::string RunForked(benchmark::State& state, const std::function<void(Figures&)>& body, bool peak,
                      const ChildLimits& limits) {
  for ([[maybe_unused]] auto _ : state) {
    const ChildResult r = RunIsolated(body, limits);
    if (!r.Ok) {
      state.SkipWithError(r.Error.c_str());
      return r.Error;
    }
    state.SetIterationTime(r.F.Ms / 1000.0);
    for (int i = 0; i < r.F.Count; ++i) state.counters[r.F.Names[i]] = r.F.Values[i];
    if (peak) state.counters["peak_mib"] = r.F.PeakMiB;
  }
  return {};
}

bool WriteBenchFile(const std::string& Path, const std::string& Data) {
  FILE* out = std::fopen(Path.c_str(), "wb");
  bool ok = out && std::fwrite(Data.data(), 1, Data.size(), out) == Data.size();
  if (out && std::fclose(out) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "hotaru_bench: cannot write %s\n", Path.c_str());
  return ok;
}

}  // namespace bench
