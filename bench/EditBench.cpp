// Recording and undoing one group of 100,000 row changes, and appending
// 2,000,000 rows as the loader does.
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr int kUndoRows = 100000;
constexpr int kAppendRows = 2000000;

std::vector<std::string> UndoTexts() {
  TextGen gen;
  std::vector<std::string> texts;
  for (int i = 0; i < kUndoRows; ++i) {
    std::string s;
    gen.Prose(s, 60);
    texts.push_back(s);
  }
  return texts;
}

// A control of kUndoRows rows, its history empty, then one group of changes
// giving every row another row's text (texts made beforehand, so that only
// the recording is measured).  Figures: the time of the group and the
// resident memory it added per change, or the time of its undo.
void OursUndo(Figures& f, const std::vector<std::string>& texts, bool undo) {
  TAFEdit e;
  e.Clear();
  e.BeginLoad();
  for (const std::string& t : texts) e.AppendLine(t);
  e.EndLoad();
  e.UndoBuff().Reset();
  const std::vector<TRowStr> fresh(texts.begin(), texts.end());
  const long before = StatusKb("VmRSS");
  double t0 = NowMs();
  e.NewEditGroup();
  for (int i = 0; i < kUndoRows; ++i) e.SetRowText(i, fresh[static_cast<size_t>(kUndoRows - 1 - i)], false);
  f.Ms = NowMs() - t0;
  if (!undo) f.Set("bytes_per_change", static_cast<double>(StatusKb("VmRSS") - before) * 1024.0 / kUndoRows);
  if (undo) {
    t0 = NowMs();
    e.Undo();
    f.Ms = NowMs() - t0;
  }
}

// The same texts assigned into a std::vector<std::string> while the old ones
// go to a second vector (a plain undo log), and the log played back.
void BaselineUndo(Figures& f, const std::vector<std::string>& texts, bool undo) {
  std::vector<std::string> rows(texts.begin(), texts.end());
  const std::vector<std::string> fresh(texts.begin(), texts.end());
  std::vector<std::string> log;
  const long before = StatusKb("VmRSS");
  double t0 = NowMs();
  log.reserve(rows.size());
  for (int i = 0; i < kUndoRows; ++i) {
    log.push_back(rows[static_cast<size_t>(i)]);
    rows[static_cast<size_t>(i)] = fresh[static_cast<size_t>(kUndoRows - 1 - i)];
  }
  f.Ms = NowMs() - t0;
  if (!undo) f.Set("bytes_per_change", static_cast<double>(StatusKb("VmRSS") - before) * 1024.0 / kUndoRows);
  if (undo) {
    t0 = NowMs();
    for (int i = kUndoRows; i-- > 0;) rows[static_cast<size_t>(i)] = log[static_cast<size_t>(i)];
    f.Ms = NowMs() - t0;
  }
}

// kAppendRows lines, each ended by CR, made once in the parent.
struct Corpus {
  std::string Text;
  std::vector<uint32_t> Ends;  // end offset of each line, after its CR

  std::string_view Line(int i) const {
    const size_t b = i ? Ends[static_cast<size_t>(i) - 1] : 0;
    return std::string_view(Text).substr(b, Ends[static_cast<size_t>(i)] - b);
  }
};

const Corpus& AppendCorpus() {
  static const Corpus c = [] {
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

}  // namespace

void RegisterEditCases() {
  for (const bool undo : {false, true}) {
    const std::string name = undo ? "Undo/undo_group_of_100k_changes/" : "Undo/record_group_of_100k_changes/";
    AddCase(name + "baseline", [undo](benchmark::State& state) {
      const std::vector<std::string> texts = UndoTexts();
      RunForked(state, [&](Figures& f) { BaselineUndo(f, texts, undo); }, false);
    });
    AddCase(name + "ours", [undo](benchmark::State& state) {
      const std::vector<std::string> texts = UndoTexts();
      RunForked(state, [&](Figures& f) { OursUndo(f, texts, undo); }, false);
    });
  }

  // Appending kAppendRows rows (the control made and filled), beside the same
  // rows pushed into a std::vector<std::string>.
  AddCase("Append/2M_rows/baseline", [](benchmark::State& state) {
    const Corpus& c = AppendCorpus();
    RunForked(state, [&](Figures& f) {
      const double t0 = NowMs();
      std::vector<std::string> rows;
      for (int i = 0; i < kAppendRows; ++i) rows.emplace_back(c.Line(i));
      f.Ms = NowMs() - t0;
      f.Set("rows", static_cast<double>(rows.size()));
    }, true);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(c.Text.size()));
  });
  AddCase("Append/2M_rows/ours", [](benchmark::State& state) {
    const Corpus& c = AppendCorpus();
    RunForked(state, [&](Figures& f) {
      const double t0 = NowMs();
      TAFEdit e;
      e.Clear();
      TLineAttr a;
      e.InitLineAttr(false, 0, a, e.DefWrapPos());
      TRowPacker packer;
      e.BeginLoad();
      for (int i = 0; i < kAppendRows; ++i) e.AppendRow(packer.Pack(c.Line(i)), a);
      e.EndLoad();
      f.Ms = NowMs() - t0;
      f.Set("rows", e.RowCount());
    }, true);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(c.Text.size()));
  });
}

}  // namespace bench
