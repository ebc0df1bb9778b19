// Re-wrapping a long paragraph, and one keystroke at its start, at the top of
// a document of 2 million rows beside the same in a small document.
#include <cstdio>
#include <string>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr size_t kParagraph = size_t{1} << 20;
constexpr int kBigRows = 2000000;
constexpr int kSmallRows = 10;

std::string Paragraph(size_t bytes) {
  TextGen gen(7);
  std::string s;
  gen.Prose(s, bytes);
  return s;
}

const std::string& MiBParagraph() {
  static const std::string p = Paragraph(kParagraph);
  return p;
}

// A control holding the paragraph as its first row (followed by `extraRows`
// short lines), not yet re-wrapped, its history empty.
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

// Re-wrapping the paragraph at 60 columns; figure: the rows it became.
void Rewrap(Figures& f, int extraRows) {
  TAFEdit e;
  Prepare(e, MiBParagraph(), extraRows);
  const int before = e.RowCount();
  const double t0 = NowMs();
  e.NewEditGroup();
  e.RewrapRow(0);
  f.Ms = NowMs() - t0;
  f.Set("rows", e.RowCount() - before + 1);
}

// One character typed at the start of the wrapped paragraph, and the row
// re-wrapped; figure: the resident memory it added (the history's share).
void Keystroke(Figures& f, int extraRows) {
  TAFEdit e;
  Prepare(e, MiBParagraph(), extraRows);
  e.NewEditGroup();
  e.RewrapRow(0);
  e.UndoBuff().Reset();
  const long rss = StatusKb("VmRSS");
  const double t0 = NowMs();
  e.SetRowText(0, "\x82\xA0" + e.RowText(0).str(), true);
  e.RewrapRow(0);
  f.Ms = NowMs() - t0;
  f.Set("undo_mib", static_cast<double>(StatusKb("VmRSS") - rss) / 1024.0);
}

}  // namespace

void RegisterWrapCases() {
  AddCase("Rewrap/1MiB_paragraph/baseline", [](benchmark::State& state) {
    RunForked(state, [](Figures& f) { Rewrap(f, kSmallRows); }, false);
    state.SetLabel("in a 10-row document");
  });
  AddCase("Rewrap/1MiB_paragraph/ours", [](benchmark::State& state) {
    RunForked(state, [](Figures& f) { Rewrap(f, kBigRows); }, false);
    state.SetLabel("at the top of 2,000,000 rows; target < 50 ms");
  });
  AddCase("Keystroke/1MiB_paragraph/baseline", [](benchmark::State& state) {
    RunForked(state, [](Figures& f) { Keystroke(f, kSmallRows); }, false);
    state.SetLabel("in a 10-row document");
  });
  AddCase("Keystroke/1MiB_paragraph/ours", [](benchmark::State& state) {
    RunForked(state, [](Figures& f) { Keystroke(f, kBigRows); }, false);
    state.SetLabel("at the top of 2,000,000 rows; target < 16 ms");
  });

}

}  // namespace bench
