// Loading and saving documents of 1, 16 and 64 MB.
//
// Load: LoadFromFile in the text style, beside reading the same file into
// one string and splitting it into a std::vector<std::string> at its line
// ends.  Save: SaveToFile in the text and the binary style, beside writing
// the same bytes with one write() per MB followed by fsync (the save syncs
// its file too), and beside doing that through a new file renamed over the
// old one, as the save does.  The files live in a temporary folder and are
// in the page cache for both sides.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

std::string ReadWhole(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::abort();
  struct stat st{};
  if (::fstat(fd, &st) != 0) std::abort();
  std::string data(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n <= 0) std::abort();
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return data;
}

void WriteWhole(const std::string& path, const std::string& data, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  constexpr size_t kMB = size_t{1} << 20;
  for (size_t at = 0; at < data.size(); at += kMB) {
    const size_t n = std::min(kMB, data.size() - at);
    if (::write(fd, data.data() + at, n) != static_cast<ssize_t>(n)) std::abort();
  }
  if (sync && ::fsync(fd) != 0) std::abort();
  ::close(fd);
}

// The same bytes written the way a save replaces a file: a new file beside
// the target, fsync, rename over the target, fsync of the folder.
void WriteReplacing(const std::string& path, const std::string& data) {
  const std::string temp = path + ".new";
  WriteWhole(temp, data, true);
  if (::rename(temp.c_str(), path.c_str()) != 0) std::abort();
  const int dir = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) std::abort();
  ::close(dir);
}

// About `bytes` of prose, long paragraphs and short lines, each ended by CR LF.
std::string MakeText(size_t bytes) {
  TextGen gen;
  std::string s;
  s.reserve(bytes + 256);
  while (s.size() < bytes) {
    gen.Prose(s, gen.LineLength());
    s += "\r\n";
  }
  return s;
}

// Each case gets its control from the parent, made before the fork, so that
// the widget's own set-up is not counted in the peak memory of the load.
void LoadCase(const std::string& name, const std::string& path, TAFEdit& e) {
  const Result ours = Best(3, [&](Result& r) {
    const double t0 = NowMs();
    e.LoadFromFile(path, 0);
    r.Ms = NowMs() - t0;
    r.Extra = e.RowCount();
  });
  const Result base = Best(3, [&](Result& r) {
    const double t0 = NowMs();
    const std::string data = ReadWhole(path);
    std::vector<std::string> rows;
    const char* p = data.data();
    const char* end = p + data.size();
    while (p < end) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      const char* stop = lf ? lf : end;
      const char* text = (lf && stop > p && stop[-1] == '\r') ? stop - 1 : stop;
      rows.emplace_back(p, text);
      p = lf ? lf + 1 : end;
    }
    r.Ms = NowMs() - t0;
    r.Extra = static_cast<double>(rows.size());
  });
  Report(name.c_str(), ours, base, true);
}

void SaveCase(const std::string& name, const std::string& path, const std::string& dir, int mode,
              TAFEdit& e) {
  const std::string out = dir + (mode & 1 ? "/saved.bin" : "/saved.txt");
  const std::string copy = dir + "/copy.out";
  const Result ours = Best(5, [&](Result& r) {
    e.LoadFromFile(path, 0);
    const double t0 = NowMs();
    e.SaveToFile(out, mode);
    r.Ms = NowMs() - t0;
  });
  // The same bytes the save wrote, written plainly.
  const Result base = Best(5, [&](Result& r) {
    const std::string data = ReadWhole(out);
    const double t0 = NowMs();
    WriteWhole(copy, data, true);
    r.Ms = NowMs() - t0;
  });
  Report(name.c_str(), ours, base, false);
  // The fixed part of replacing a file safely, apart from writing the bytes.
  const Result replacing = Best(5, [&](Result& r) {
    const std::string data = ReadWhole(out);
    const double t0 = NowMs();
    WriteReplacing(copy, data);
    r.Ms = NowMs() - t0;
  });
  Report("  same bytes, replacing the file the same way", ours, replacing, false);
}

}  // namespace

void LoadSaveBench(const char* only) {
  auto want = [&](const std::string& name) { return !only || name.find(only) != std::string::npos; };
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/hotaru-loadsave-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    std::perror("mkdtemp");
    return;
  }
  TAFEdit e;
  e.Loaded();
  for (const int mb : {1, 16, 64}) {
    const std::string size = std::to_string(mb) + " MB";
    const std::string load = "load text " + size;
    const std::string saveText = "save text " + size;
    const std::string saveBinary = "save binary " + size;
    if (!want(load) && !want(saveText) && !want(saveBinary)) continue;
    const std::string path = dir + "/doc" + std::to_string(mb) + ".txt";
    const std::string text = MakeText(static_cast<size_t>(mb) << 20);
    WriteWhole(path, text, false);
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    std::printf("  (%s file: %zu lines, %.1f MiB)\n", size.c_str(), lines,
                static_cast<double>(text.size()) / (1 << 20));
    if (want(load)) LoadCase(load, path, e);
    if (want(saveText)) SaveCase(saveText, path, dir, 0, e);
    if (want(saveBinary)) SaveCase(saveBinary, path, dir, 1, e);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace bench
