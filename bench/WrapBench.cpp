// Re-wrapping a long paragraph, and one keystroke at its start, at the top of
// a document of 2 million rows beside the same in a small document; and the
// paragraph as the document's last row (no line end after it) beside the same
// paragraph followed by a CR and another row.
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
  e.UndoBuff().SealRecent();  // as the end of an edit does
  f.Ms = NowMs() - t0;
  f.Set("undo_mib", static_cast<double>(StatusKb("VmRSS") - rss) / 1024.0);
}

// The paragraph set into row 0 of an empty control and re-wrapped: as the
// last row (ours), or followed by a CR and another row (baseline).  Timed:
// SetRowText and RewrapRow.  Figures: the rows it became; history_mib, the
// resident memory the two calls added (the history with the rows whose texts
// it shares, measured as the keystroke's undo_mib); history_x_para, that
// divided by the paragraph's bytes; history_release_mib, what clearing the
// history alone gives back afterwards.
void LastRow(Figures& f, const std::string& para, bool last) {
  TAFEdit e;
  e.Clear();
  e.SetOptions({aoAutoFormat, aoJpnBanBreak});
  if (!last) {
    TLineAttr a;
    e.InitLineAttr(true, 0, a, e.DefWrapPos());
    e.BeginLoad();
    e.SetRowText(0, "\r", false);
    e.AppendRow(TRowStr("\x82\xA0\x82\xA2\x82\xA4"), a);
    e.EndLoad();
    e.UndoBuff().Reset();
  }
  const TRowStr row(last ? para : para + "\r");
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const double t0 = NowMs();
  e.SetRowText(0, row, false);
  e.RewrapRow(0);
  f.Ms = NowMs() - t0;
  const long after = StatusKb("VmRSS");
  const double added = static_cast<double>(after - before) * 1024.0;
  f.Set("rows", e.RowCount());
  f.Set("history_mib", added / (1 << 20));
  f.Set("history_x_para", added / static_cast<double>(para.size()));
  e.UndoBuff().Clear();
  TrimHeap();
  f.Set("history_release_mib", static_cast<double>(after - StatusKb("VmRSS")) / 1024.0);
}

}  // namespace

void RegisterWrapCases(size_t lastRowBytes) {
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

  // The child may add 256 MiB plus 32 times the paragraph to its address
  // space and run 60 s; past that it is stopped and the case fails.  After
  // one failure the remaining repetitions fail at once.
  const ChildLimits limits{256 + static_cast<long>((32 * lastRowBytes) >> 20), 60};
  const std::string name = "RewrapLastRow/" + std::to_string(lastRowBytes >> 10) + "KiB_paragraph/";
  for (const bool last : {false, true}) {
    AddCase(name + (last ? "ours" : "baseline"), [last, lastRowBytes, limits](benchmark::State& state) {
      state.SetLabel(last ? "the paragraph is the last row" : "a CR and another row follow");
      static std::string failed[2];
      std::string& why = failed[last ? 1 : 0];
      if (!why.empty()) {
        state.SkipWithError(why.c_str());
        return;
      }
      const std::string para = Paragraph(lastRowBytes);
      const std::string error = RunForked(state, [&](Figures& f) { LastRow(f, para, last); }, false, limits);
      if (!error.empty()) why = error + " (in an earlier repetition)";
    });
  }
}

}  // namespace bench
