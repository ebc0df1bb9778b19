// Hotaru benchmarks: each figure beside a baseline measured in the same run.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/TextGen.h"

using namespace bench;

namespace bench {
void LoadSaveBench(const char* only);  // LoadSaveBench.cpp
}

namespace bench {
void WrapBenchmarks();
}

namespace {

constexpr int kUndoRows = 100000;
constexpr int kAppendRows = 2000000;

// Recording one group of 100,000 row changes of 60-byte rows, then undoing it.
// Baseline: the same texts assigned into a std::vector<std::string> while the
// old ones are kept in a second vector (a plain undo log).
void UndoGroup() {
  TextGen gen;
  std::vector<std::string> texts;
  for (int i = 0; i < kUndoRows; ++i) {
    std::string s;
    gen.Prose(s, 60);
    texts.push_back(s);
  }
  const Result ours = Best(3, [&](Result& r) {
    TAFEdit e;
    e.Clear();
    e.BeginLoad();
    for (int i = 0; i < kUndoRows; ++i) e.AppendLine(texts[static_cast<size_t>(i)]);
    e.EndLoad();
    e.UndoBuff().Reset();
    std::vector<TRowStr> fresh(texts.begin(), texts.end());  // new texts ready to store
    const long before = StatusKb("VmRSS");
    const double t0 = NowMs();
    e.NewEditGroup();
    for (int i = 0; i < kUndoRows; ++i) e.SetRowText(i, fresh[static_cast<size_t>(kUndoRows - 1 - i)], false);
    r.Ms = NowMs() - t0;
    r.Extra = static_cast<double>(StatusKb("VmRSS") - before) * 1024.0 / kUndoRows;
    const double t1 = NowMs();
    e.Undo();
    r.Ms2 = NowMs() - t1;
  });
  const Result base = Best(3, [&](Result& r) {
    std::vector<std::string> rows(texts.begin(), texts.end());
    std::vector<std::string> fresh(texts.begin(), texts.end());
    std::vector<std::string> log;
    const double t0 = NowMs();
    log.reserve(rows.size());
    for (int i = 0; i < kUndoRows; ++i) {
      log.push_back(rows[static_cast<size_t>(i)]);
      rows[static_cast<size_t>(i)] = fresh[static_cast<size_t>(kUndoRows - 1 - i)];
    }
    r.Ms = NowMs() - t0;
    const double t1 = NowMs();
    for (int i = kUndoRows; i-- > 0;) rows[static_cast<size_t>(i)] = log[static_cast<size_t>(i)];
    r.Ms2 = NowMs() - t1;
  });
  Result o = ours, b = base;
  Report("record a group of 100,000 row changes", o, b, false);
  Result ou, bu;
  ou.Ms = ours.Ms2;
  bu.Ms = base.Ms2;
  Report("undo that group", ou, bu, false);
  std::printf("%-46s %9.1f bytes per recorded change (undo item %zu bytes)\n", "  memory added by recording",
              ours.Extra, sizeof(TUndoBuffItem));
}

// Generated once in the parent: kAppendRows lines, each ended by CR.
struct Corpus {
  std::string Text;
  std::vector<uint32_t> Ends;  // end offset of each line, after its CR
};

const Corpus& AppendCorpus() {
  static Corpus c = [] {
    Corpus k;
    TextGen gen;
    k.Text.reserve(static_cast<size_t>(kAppendRows) * 40);
    for (int i = 0; i < kAppendRows; ++i) {
      gen.Prose(k.Text, gen.LineLength());
      k.Text.push_back('\r');
      k.Ends.push_back(static_cast<uint32_t>(k.Text.size()));
    }
    return k;
  }();
  return c;
}

// Appending 2 million rows of Japanese-like text as the loader does, beside
// the same rows pushed into a std::vector<std::string>.
void AppendRows() {
  const Corpus& c = AppendCorpus();
  auto line = [&](int i) {
    const size_t b = i ? c.Ends[static_cast<size_t>(i) - 1] : 0;
    return std::string_view(c.Text).substr(b, c.Ends[static_cast<size_t>(i)] - b);
  };
  const Result ours = Best(3, [&](Result& r) {
    const double t0 = NowMs();
    TAFEdit e;
    e.Clear();
    TLineAttr a;
    e.InitLineAttr(false, 0, a, e.DefWrapPos());
    TRowPacker packer;
    e.BeginLoad();
    for (int i = 0; i < kAppendRows; ++i) e.AppendRow(packer.Pack(line(i)), a);
    e.EndLoad();
    r.Ms = NowMs() - t0;
    r.Extra = e.RowCount();
  });
  const Result base = Best(3, [&](Result& r) {
    const double t0 = NowMs();
    std::vector<std::string> rows;
    for (int i = 0; i < kAppendRows; ++i) rows.emplace_back(line(i));
    r.Ms = NowMs() - t0;
    r.Extra = static_cast<double>(rows.size());
  });
  std::printf("  (%d rows, %.1f MiB of text)\n", kAppendRows, static_cast<double>(c.Text.size()) / (1 << 20));
  Report("append 2,000,000 rows", ours, base, true);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qgetenv("XDG_RUNTIME_DIR").isEmpty()) {
    char dir[] = "/tmp/hotaru-bench-XXXXXX";
    if (mkdtemp(dir)) qputenv("XDG_RUNTIME_DIR", dir);
  }
  QApplication app(argc, argv);
  const char* only = argc > 1 ? argv[1] : nullptr;
  auto want = [&](const char* name) { return !only || std::strstr(name, only); };
  std::printf("Hotaru benchmarks (best of 3; ratio = ours / baseline)\n");
  if (want("undo")) UndoGroup();
  if (want("append")) AppendRows();
  LoadSaveBench(only);  // picks its cases by the same rule
  if (want("wrap")) WrapBenchmarks();
  return 0;
}
