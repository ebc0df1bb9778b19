// Loading and saving documents of 1, 16 and 64 MB.
//
// Load: LoadFromFile in the text style (in a child, for its peak memory),
// beside reading the same file into one string and splitting it into a
// std::vector<std::string> at its line ends.  Save: SaveToFile in the text
// and the binary style, beside writing the bytes the save wrote with one
// write() per MB followed by fsync (the save syncs its file too), and beside
// doing that through a new file renamed over the old one, as the save does.
// The files live in a temporary folder and are in the page cache for both
// sides.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
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

std::string gWorkDir;  // made on first use

const std::string& WorkDir() {
  std::string& dir = gWorkDir;
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string d = std::string(tmp && *tmp ? tmp : "/tmp") + "/hotaru-loadsave-XXXXXX";
    if (!::mkdtemp(d.data())) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    dir = d;
  }
  return dir;
}

// The document of `mb` MB, written on first use.
const std::string& DocFile(int mb) {
  static std::map<int, std::string> files;
  std::string& path = files[mb];
  if (path.empty()) {
    const std::string p = WorkDir() + "/doc" + std::to_string(mb) + ".txt";
    WriteWhole(p, MakeText(static_cast<size_t>(mb) << 20), false);
    path = p;
  }
  return path;
}

}  // namespace

const std::string& BenchFile(const std::string& Name, const std::function<std::string()>& Make) {
  static std::map<std::string, std::string> files;
  std::string& path = files[Name];
  if (path.empty()) {
    const std::string p = WorkDir() + "/" + Name;
    WriteWhole(p, Make(), false);
    path = p;
  }
  return path;
}

namespace {

int64_t FileSize(const std::string& path) { return static_cast<int64_t>(std::filesystem::file_size(path)); }

std::string SavedName(int mode) { return WorkDir() + (mode & 1 ? "/saved.bin" : "/saved.txt"); }

void RegisterLoad(int mb) {
  const std::string name = "Load/" + std::to_string(mb) + "MB/";
  AddCase(name + "baseline", [mb](benchmark::State& state) {
    const std::string& path = DocFile(mb);
    RunForked(state, [&](Figures& f) {
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
      f.Ms = NowMs() - t0;
      f.Set("rows", static_cast<double>(rows.size()));
    }, true);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
  });
  AddCase(name + "ours", [mb](benchmark::State& state) {
    const std::string& path = DocFile(mb);
    // The control is made before the fork, so that the widget's own set-up
    // is not counted in the peak memory of the load.
    TAFEdit e;
    e.Loaded();
    RunForked(state, [&](Figures& f) {
      const double t0 = NowMs();
      e.LoadFromFile(path, 0);
      f.Ms = NowMs() - t0;
      f.Set("rows", e.RowCount());
    }, true);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
  });
}

// Save cases run in this process: they measure time only.  The baselines
// write the bytes the control's save writes, made by one save beforehand.
void RegisterSave(int mb, int mode) {
  const std::string name = std::string(mode & 1 ? "SaveBinary/" : "SaveText/") + std::to_string(mb) + "MB/";
  auto saved = [mb, mode] {
    TAFEdit e;
    e.Loaded();
    e.LoadFromFile(DocFile(mb), 0);
    e.SaveToFile(SavedName(mode), mode);
    return ReadWhole(SavedName(mode));
  };
  for (const bool replacing : {false, true}) {
    AddCase(name + (replacing ? "baseline_replace" : "baseline"), [saved, replacing](benchmark::State& state) {
      const std::string data = saved();
      const std::string copy = WorkDir() + "/copy.out";
      for ([[maybe_unused]] auto _ : state) {
        const double t0 = NowMs();
        if (replacing)
          WriteReplacing(copy, data);
        else
          WriteWhole(copy, data, true);
        state.SetIterationTime((NowMs() - t0) / 1000.0);
      }
      state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
    });
  }
  AddCase(name + "ours", [mb, mode](benchmark::State& state) {
    TAFEdit e;
    e.Loaded();
    e.LoadFromFile(DocFile(mb), 0);
    const std::string out = SavedName(mode);
    for ([[maybe_unused]] auto _ : state) {
      const double t0 = NowMs();
      e.SaveToFile(out, mode);
      state.SetIterationTime((NowMs() - t0) / 1000.0);
    }
    state.SetBytesProcessed(state.iterations() * FileSize(out));
  });
}

}  // namespace

void RegisterLoadSaveCases() {
  for (const int mb : {1, 16, 64}) {
    RegisterLoad(mb);
    RegisterSave(mb, 0);
    RegisterSave(mb, 1);
  }
}

void RemoveLoadSaveFiles() {
  if (gWorkDir.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(gWorkDir, ec);
}

}  // namespace bench
