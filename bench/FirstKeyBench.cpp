// The first key typed into a one-line file of 1, 16 or 64 MiB (a minified
// data file, a log without line ends, a novel pasted as one paragraph): the
// file is loaded as the main window loads it (wrapped at 60 columns,
// automatic format and Japanese line-break rules, unlimited history), then
// one character is typed at its start, which wraps the whole line.  Figures:
// the key's time and the resident memory it added (rss_growth_mib).  Beside
// it, what a terminal editor does: the line as one string, copied whole into
// the undo history before the character is inserted.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

const std::string kChar = "\x82\xA0";  // あ

std::string OneLine(size_t Bytes) {
  TextGen gen(23);
  std::string s;
  s.reserve(Bytes + 8);
  gen.Prose(s, Bytes);
  return s;
}

std::string LineFileName(size_t MiB) { return "oneline" + std::to_string(MiB) + ".txt"; }

const std::string& LineFile(size_t MiB) {
  return BenchFile(LineFileName(MiB), [MiB] { return OneLine(MiB << 20); });
}

std::string ReadFile(const std::string& Path) {
  FILE* in = std::fopen(Path.c_str(), "rb");
  if (!in) throw std::runtime_error("cannot open " + Path);
  std::fseek(in, 0, SEEK_END);
  std::string data(static_cast<size_t>(std::ftell(in)), '\0');
  std::fseek(in, 0, SEEK_SET);
  const size_t got = std::fread(data.data(), 1, data.size(), in);
  std::fclose(in);
  data.resize(got);
  return data;
}

void Baseline(Figures& f, const std::string& Path) {
  std::string line = ReadFile(Path);
  std::vector<std::string> history;
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  history.push_back(line);
  line.insert(0, kChar);
  f.Ms = NowMs() - t0;
  TrimHeap();
  f.Set("rss_growth_mib", static_cast<double>(StatusKb("VmRSS") - before) / 1024.0);
  f.Set("bytes", static_cast<double>(line.size()));
}

void Ours(Figures& f, const std::string& Path) {
  TAFEdit e;
  e.Loaded();
  e.SetDefWrapPos(60);
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  e.SetUndoMax(-1);
  e.LoadFromFile(Path, 0);
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  e.SetCaretPos({0, 0});
  e.InsertText(kChar);
  f.Ms = NowMs() - t0;
  TrimHeap();
  f.Set("rss_growth_mib", static_cast<double>(StatusKb("VmRSS") - before) / 1024.0);
  f.Set("rows", e.RowCount());
  f.Set("history_kib", static_cast<double>(e.UndoBuff().HeldBytes()) / 1024.0);
}

}  // namespace

bool WriteFirstKeyFiles(const std::string& Dir) {
  for (const size_t mib : {size_t{16}, size_t{64}}) {
    const std::string path = Dir + "/" + LineFileName(mib);
    const std::string data = OneLine(mib << 20);
    if (!WriteBenchFile(path, data)) return false;
  }
  return true;
}

void RegisterFirstKeyCases() {
  for (const size_t mib : {size_t{1}, size_t{16}, size_t{64}}) {
    const std::string name = "FirstKey/" + std::to_string(mib) + "MiB_line/";
    AddCase(name + "baseline", [mib](benchmark::State& state) {
      const std::string& path = LineFile(mib);
      RunForked(state, [&](Figures& f) { Baseline(f, path); }, true);
    });
    AddCase(name + "ours", [mib](benchmark::State& state) {
      const std::string& path = LineFile(mib);
      RunForked(state, [&](Figures& f) { Ours(f, path); }, true);
      state.SetLabel("one key at the start of a one-line file; target <= the terminal editor's time");
    });
  }
}

}  // namespace bench
