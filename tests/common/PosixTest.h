// Helpers for tests of files: running a step as an ordinary user, a guard
// that frees a reader left waiting on a FIFO, and a disk that fills up.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace TestUtil {

// Runs Step as an ordinary user and returns what it returns.  Permission
// bits do not bind root, so under root Step runs in a child process as the
// user "nobody"; a failure of the child comes back as a text beginning
// with "child:".  Step must not use the test framework's assertions.
inline std::string AsOrdinaryUser(const std::function<std::string()>& Step) {
  if (::geteuid() != 0) return Step();
  const passwd* nobody = ::getpwnam("nobody");
  const uid_t uid = nobody ? nobody->pw_uid : 65534;
  const gid_t gid = nobody ? nobody->pw_gid : 65534;
  int fds[2];
  if (::pipe(fds) != 0) return "child: no pipe";
  const pid_t pid = ::fork();
  if (pid < 0) return "child: no fork";
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
      out = "child: cannot become nobody";
    } else {
      try {
        out = Step();
      } catch (const std::exception& e) {
        out = std::string("child: ") + e.what();
      }
    }
    for (size_t at = 0; at < out.size();) {
      const ssize_t n = ::write(fds[1], out.data() + at, out.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return out;
}

// Should a reader of the FIFO Path still wait for a writer after three
// seconds, opens it for writing once, so that the reader goes on (and the
// test fails) instead of hanging.
// A fresh folder (mode 0700) for one test, removed with everything in it at
// the end of the test.
class TTempDir {
public:
  TTempDir() {
    std::string dir = (std::filesystem::temp_directory_path() / "hotaru-test-XXXXXX").string();
    if (::mkdtemp(dir.data())) FPath = dir;
  }
  ~TTempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  bool isValid() const { return !FPath.empty(); }
  const std::string& path() const { return FPath; }
  std::string filePath(const std::string& Name) const { return FPath + "/" + Name; }

private:
  std::string FPath;
};

class TFifoUnblocker {
public:
  explicit TFifoUnblocker(std::string Path)
      : FThread([this, P = std::move(Path)] {
          for (int i = 0; i < 300 && !FDone; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
          if (FDone) return;
          const int fd = ::open(P.c_str(), O_WRONLY | O_NONBLOCK);
          if (fd >= 0) ::close(fd);
        }) {}
  TFifoUnblocker(const TFifoUnblocker&) = delete;
  TFifoUnblocker& operator=(const TFifoUnblocker&) = delete;
  ~TFifoUnblocker() {
    FDone = true;
    FThread.join();
  }

private:
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

// For its lifetime, this process may write files of at most Bytes bytes: a
// write beyond fails with EFBIG, as on a disk that has filled up.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t Bytes) : FPrevious(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    rlimit small = FSaved;
    small.rlim_cur = Bytes;
    FSet = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FPrevious);
  }
  bool Set() const noexcept { return FSet; }

private:
  void (*FPrevious)(int);
  rlimit FSaved{};
  bool FSet = false;
};

}  // namespace TestUtil
