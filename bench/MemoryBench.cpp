// Memory per row and per keystroke.
//
// RowBytes: a document loaded from a file, and the resident memory it added
// beyond the file's bytes, per row; beside the file read into one string
// with a std::vector<std::string_view> of its rows.
// History: 30 characters typed one by one at the start of a paragraph of
// 1 MiB or 16 MiB after 10 warm-up keys (wrapped at 60 columns, automatic
// format and unlimited history as the main window sets them, with and
// without the Japanese line-break rules); the resident memory the keys added
// (rss_kib_per_key), the resident memory the history gives back when it is
// cleared (history_kib_per_key), and the heap bytes its items count (held),
// per keystroke, beside the bytes a keystroke inserted (the baseline keeps
// the paragraph as one string and logs each insertion).
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr int kKeys = 30;
constexpr int kWarmKeys = 10;
const std::string kChar = "\x82\xA0";  // あ

std::string ProseFile(size_t Bytes) {
  TextGen gen;
  std::string s;
  s.reserve(Bytes + 256);
  while (s.size() < Bytes) {
    gen.Prose(s, gen.LineLength());
    s += "\r\n";
  }
  return s;
}

std::string ShortRowsFile(size_t Rows) {
  TextGen gen(5);
  std::string s;
  s.reserve(Rows * 7);
  for (size_t i = 0; i < Rows; ++i) {
    gen.Prose(s, 1 + gen.Next() % 8);
    s += "\r\n";
  }
  return s;
}

void RowsBaseline(Figures& f, const std::string& Path) {
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  std::string data;
  {
    FILE* in = std::fopen(Path.c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + Path);
    std::fseek(in, 0, SEEK_END);
    data.resize(static_cast<size_t>(std::ftell(in)));
    std::fseek(in, 0, SEEK_SET);
    const size_t got = std::fread(data.data(), 1, data.size(), in);
    std::fclose(in);
    data.resize(got);
  }
  std::vector<std::string_view> rows;
  for (size_t p = 0; p < data.size();) {
    const auto* lf = static_cast<const char*>(std::memchr(data.data() + p, '\n', data.size() - p));
    const size_t stop = lf ? static_cast<size_t>(lf - data.data()) : data.size();
    rows.emplace_back(data.data() + p, stop - p - (stop > p && data[stop - 1] == '\r'));
    p = stop + 1;
  }
  f.Ms = NowMs() - t0;
  const double added = static_cast<double>(StatusKb("VmRSS") - before) * 1024.0;
  f.Set("rows", static_cast<double>(rows.size()));
  f.Set("bytes_per_row", (added - static_cast<double>(data.size())) / static_cast<double>(rows.size()));
}

void RowsOurs(Figures& f, TAFEdit& e, const std::string& Path, size_t FileBytes) {
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  e.LoadFromFile(Path, 0);
  f.Ms = NowMs() - t0;
  TrimHeap();
  const double added = static_cast<double>(StatusKb("VmRSS") - before) * 1024.0;
  f.Set("rows", e.RowCount());
  f.Set("bytes_per_row", (added - static_cast<double>(FileBytes)) / e.RowCount());
}

std::string Paragraph(size_t Bytes) {
  TextGen gen(11);
  std::string s;
  gen.Prose(s, Bytes);
  return s;
}

void HistoryBaseline(Figures& f, size_t Bytes) {
  std::string para = Paragraph(Bytes);
  std::vector<std::pair<size_t, std::string>> log;
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  for (int i = 0; i < kKeys; ++i) {
    para.insert(0, kChar);
    log.emplace_back(0, kChar);
  }
  f.Ms = (NowMs() - t0) / kKeys;
  TrimHeap();
  f.Set("history_kib_per_key", static_cast<double>(StatusKb("VmRSS") - before) / kKeys);
  f.Set("inserted_bytes_per_key", static_cast<double>(kChar.size()));
}

void HistoryOurs(Figures& f, size_t Bytes, bool Rules) {
  TAFEdit e;
  e.Loaded();
  e.SetDefWrapPos(60);
  if (Rules)
    e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  else
    e.SetOptions({aoAutoFormat});
  e.SetUndoMax(-1);
  e.SetText(Paragraph(Bytes) + "\r\nend");
  e.RewrapRow(0);
  e.UndoBuff().StartNewHistory();
  // Keys first: the first re-wrap after loading gives every row a text of
  // the re-wrap's and frees what loading left, and the blocks settle.
  for (int i = 0; i < kWarmKeys; ++i) {
    e.SetCaretPos({0, 0});
    e.InsertText(kChar);
  }
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const auto held = static_cast<double>(e.UndoBuff().HeldBytes());
  const double t0 = NowMs();
  for (int i = 0; i < kKeys; ++i) {
    e.SetCaretPos({0, 0});
    e.InsertText(kChar);
  }
  f.Ms = (NowMs() - t0) / kKeys;
  TrimHeap();
  const long after = StatusKb("VmRSS");
  f.Set("rss_kib_per_key", static_cast<double>(after - before) / kKeys);
  f.Set("held_kib_per_key", (static_cast<double>(e.UndoBuff().HeldBytes()) - held) / 1024.0 / kKeys);
  f.Set("inserted_bytes_per_key", static_cast<double>(kChar.size()));
  f.Set("rows", e.RowCount());
  // What the history holds resident: given back when it is cleared.
  e.UndoBuff().Clear();
  TrimHeap();
  f.Set("history_kib_per_key", static_cast<double>(after - StatusKb("VmRSS")) / kKeys);
}

// The files of the RowBytes cases, which WriteRowFiles also writes for
// measuring other programs on the very same bytes.
struct TLoad {
  const char* Name;
  const char* File;
  std::string (*Make)();
};
const TLoad kLoads[] = {
    {"RowBytes/64MB/", "prose64.txt", [] { return ProseFile(size_t{64} << 20); }},
    {"RowBytes/10M_rows/", "short10m.txt", [] { return ShortRowsFile(10'000'000); }},
};

}  // namespace

bool WriteRowFiles(const std::string& Dir) {
  for (const TLoad& l : kLoads) {
    const std::string path = Dir + "/" + l.File;
    const std::string data = l.Make();
    if (!WriteBenchFile(path, data)) return false;
  }
  return true;
}

void RegisterMemoryCases() {
  for (const TLoad& l : kLoads) {
    AddCase(std::string(l.Name) + "baseline", [&l](benchmark::State& state) {
      const std::string& path = BenchFile(l.File, l.Make);
      RunForked(state, [&](Figures& f) { RowsBaseline(f, path); }, false);
    });
    AddCase(std::string(l.Name) + "ours", [&l](benchmark::State& state) {
      const std::string& path = BenchFile(l.File, l.Make);
      TAFEdit e;  // made before the fork: the widget's own set-up is not counted
      e.Loaded();
      size_t bytes = 0;
      if (FILE* in = std::fopen(path.c_str(), "rb")) {
        std::fseek(in, 0, SEEK_END);
        bytes = static_cast<size_t>(std::ftell(in));
        std::fclose(in);
      }
      RunForked(state, [&](Figures& f) { RowsOurs(f, e, path, bytes); }, false);
      state.SetLabel("bytes per row beyond the file's bytes; target <= 6");
    });
  }
  for (const bool rules : {true, false})
    for (const size_t mib : {size_t{1}, size_t{16}}) {
      const std::string name =
          "History/" + std::to_string(mib) + "MiB_paragraph" + (rules ? "_kinsoku" : "") + "/";
      AddCase(name + "baseline", [mib](benchmark::State& state) {
        RunForked(state, [mib](Figures& f) { HistoryBaseline(f, mib << 20); }, false);
      });
      AddCase(name + "ours", [mib, rules](benchmark::State& state) {
        RunForked(state, [mib, rules](Figures& f) { HistoryOurs(f, mib << 20, rules); }, false);
        state.SetLabel(mib == 1 ? "30 keys at the start after 10; target <= 32 KiB per key"
                                : "30 keys at the start after 10; target <= 128 KiB per key");
      });
    }
}

}  // namespace bench
