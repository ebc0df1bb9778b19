// Re-wrapping a long paragraph, and one keystroke at its start, in a small
// document and at the top of a document of 2 million rows.
#include <cstdio>
#include <string>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

std::string Paragraph(size_t bytes) {
  TextGen gen(7);
  std::string s;
  gen.Prose(s, bytes);
  return s;
}

// A control holding the paragraph as its first row (followed by `extraRows`
// short lines), with the paragraph re-wrapped when `wrap` is set.
void Prepare(TAFEdit& e, const std::string& para, int extraRows) {
  e.Clear();
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  TLineAttr a;
  e.InitLineAttr(true, 0, a, 60);
  e.BeginLoad();
  e.SetRowText(0, para + "\r", false);
  TextGen gen(3);
  TRowPacker packer;
  std::string line;
  for (int i = 0; i < extraRows; ++i) {
    line.clear();
    gen.Prose(line, gen.LineLength());
    e.AppendRow(packer.Pack(line, "\r"), a);
  }
  e.AppendRow(TRowStr(), a);
  e.EndLoad();
  e.UndoBuff().Reset();
  e.OnChange = [](TCustomAFEdit*) {};
}

struct WrapFigures {
  double RewrapMs = 0;
  double InsertMs = 0;
  double UndoBytes = 0;
  int Rows = 0;
};

WrapFigures Measure(const std::string& para, int extraRows) {
  WrapFigures best;
  for (int run = 0; run < 3; ++run) {
    Result r = RunIsolated([&](Result& out) {
      TAFEdit e;
      Prepare(e, para, extraRows);
      const int before = e.RowCount();
      double t0 = NowMs();
      e.NewEditGroup();
      e.RewrapRow(0);
      out.Ms = NowMs() - t0;
      out.Extra = e.RowCount() - before + 1;  // rows of the paragraph
      e.UndoBuff().Reset();
      const long rss = StatusKb("VmRSS");
      t0 = NowMs();
      e.SetRowText(0, "\x82\xA0" + e.RowText(0).str(), true);
      e.RewrapRow(0);
      out.Ms2 = NowMs() - t0;
      out.Extra2 = static_cast<double>(StatusKb("VmRSS") - rss) * 1024.0;
    });
    WrapFigures f;
    f.RewrapMs = r.Ms;
    f.InsertMs = r.Ms2;
    f.Rows = static_cast<int>(r.Extra);
    f.UndoBytes = r.Extra2;
    if (run == 0 || f.RewrapMs < best.RewrapMs) best.RewrapMs = f.RewrapMs;
    if (run == 0 || f.InsertMs < best.InsertMs) best.InsertMs = f.InsertMs;
    best.UndoBytes = f.UndoBytes;
    best.Rows = f.Rows;
  }
  return best;
}

}  // namespace

void WrapBenchmarks() {
  const std::string para = Paragraph(1 << 20);
  const WrapFigures small = Measure(para, 10);
  const WrapFigures big = Measure(para, 2000000);
  std::printf("re-wrap a 1 MiB paragraph at 60 (%d rows): small doc %7.1f ms, top of 2M rows %7.1f ms (ratio %.2f; target < 50 ms)\n",
              small.Rows, small.RewrapMs, big.RewrapMs, big.RewrapMs / small.RewrapMs);
  std::printf("insert one character at its start:              small doc %7.1f ms, top of 2M rows %7.1f ms (ratio %.2f; target < 16 ms)\n",
              small.InsertMs, big.InsertMs, big.InsertMs / small.InsertMs);
  std::printf("  undo history gained by that keystroke: %.1f MiB\n", small.UndoBytes / (1 << 20));
  std::fflush(stdout);
}

}  // namespace bench
