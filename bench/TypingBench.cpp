// Typing 200 characters one by one with InsertText, in a control set up as
// the main window sets it up (its change handler repaints the view) and
// shown as a 120 x 50-cell view: (a) in the middle of a short paragraph,
// (b) at the start of a 1 MiB paragraph wrapped at 60 columns.  Figures:
// the median time of a keystroke and the resident memory a keystroke adds
// (the undo history's share).  Beside each, the same keystrokes applied to
// a plain model: the paragraph as one std::string, split again into 60-byte
// rows after every keystroke.
#include <QApplication>
#include <QFrame>

#include <algorithm>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr int kKeys = 200;
constexpr int kWrap = 60;
const std::string kChar = "\x82\xA0";  // あ

// Prose of two-byte characters only: every wrapped row is full, so a
// character typed at the start moves text through every row after it.
std::string Prose(size_t Bytes, uint64_t Seed) {
  TextGen gen(Seed);
  std::string s;
  gen.Prose(s, Bytes + Bytes / 8);
  std::string out;
  out.reserve(Bytes);
  for (size_t i = 0; i < s.size() && out.size() + 1 < Bytes; ++i) {
    if (static_cast<unsigned char>(s[i]) < 0x80) continue;
    out.append(s, i, 2);
    ++i;
  }
  return out;
}

// The document: the paragraph first, then short lines.
std::string Document(size_t ParagraphBytes) {
  std::string text = Prose(ParagraphBytes, 7) + "\r\n";
  TextGen gen(3);
  for (int i = 0; i < 60; ++i) {
    gen.Prose(text, gen.LineLength());
    text += "\r\n";
  }
  return text;
}

void Configure(TAFEdit& e) {
  e.setFrameStyle(QFrame::NoFrame);
  e.BeginFormLoad();
  e.SetViewOpt(TViewOptions::FromBits((1u << (voFoldMark + 1)) - 1));
  e.SetAccelRate(2);
  e.SetDefWrapPos(kWrap);
  e.SetLeftMgn(36);
  e.SetOptions({aoAutoFormat});
  e.SetUndoMax(-1);
  e.Loaded();
  e.OnChange = [](TCustomAFEdit* Sender) { Sender->Paint(); };
  e.resize(e.LeftMgn() + 120 * e.CellWidth() + 20, e.TextRect().Top + 50 * e.RowHeight() + 20);
  e.show();
  QApplication::setActiveWindow(&e);
  e.setFocus();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Ours(Figures& f, size_t ParagraphBytes, int CaretByte) {
  TAFEdit e;
  Configure(e);
  e.SetText(Document(ParagraphBytes));
  e.RewrapRow(0);
  e.UndoBuff().StartNewHistory();
  // The caret at the wanted byte of the paragraph.
  int row = 0, left = CaretByte;
  while (left > static_cast<int>(e.RowText(row).size())) left -= static_cast<int>(e.RowText(row++).size());
  e.SetCaretPos(e.ByteToDisplayPos({left, row}));
  e.ScrollToCaret();
  QApplication::processEvents();
  TrimHeap();
  const long before = StatusKb("VmRSS");
  const int items = e.UndoBuff().Pos();
  std::vector<double> times;
  for (int i = 0; i < kKeys; ++i) {
    const double t0 = NowMs();
    e.InsertText(kChar);
    times.push_back(NowMs() - t0);
  }
  f.Ms = Median(times);
  f.Set("mib_per_key", static_cast<double>(StatusKb("VmRSS") - before) / 1024.0 / kKeys);
  f.Set("rows", e.RowCount());
  f.Set("undo_items_per_key", static_cast<double>(e.UndoBuff().Pos() - items) / kKeys);
}

void Baseline(Figures& f, size_t ParagraphBytes, int CaretByte) {
  std::string para = Prose(ParagraphBytes, 7);
  std::vector<std::string> rows;
  TrimHeap();
  const long before = StatusKb("VmRSS");
  std::vector<double> times;
  size_t at = static_cast<size_t>(CaretByte);
  for (int i = 0; i < kKeys; ++i) {
    const double t0 = NowMs();
    para.insert(at, kChar);
    at += kChar.size();
    rows.clear();
    for (size_t p = 0; p < para.size(); p += kWrap) rows.push_back(para.substr(p, kWrap));
    times.push_back(NowMs() - t0);
  }
  f.Ms = Median(times);
  f.Set("mib_per_key", static_cast<double>(StatusKb("VmRSS") - before) / 1024.0 / kKeys);
  f.Set("rows", static_cast<double>(rows.size()));
}

}  // namespace

void RegisterTypingCases() {
  struct TCase {
    const char* Name;
    size_t Bytes;
    int Caret;
    const char* Label;
  };
  static const TCase cases[] = {
      {"Typing/short_paragraph/", 400, 200, "200 keys mid-paragraph; target < 0.5 ms per key"},
      {"Typing/1MiB_paragraph/", size_t{1} << 20, 0,
       "200 keys at the start, wrapped at 60; targets < 10 ms and <= 1.5 MiB per key"},
  };
  for (const TCase& c : cases) {
    AddCase(std::string(c.Name) + "baseline", [&c](benchmark::State& state) {
      RunForked(state, [&c](Figures& f) { Baseline(f, c.Bytes, c.Caret); }, false);
    });
    AddCase(std::string(c.Name) + "ours", [&c](benchmark::State& state) {
      RunForked(state, [&c](Figures& f) { Ours(f, c.Bytes, c.Caret); }, false);
      state.SetLabel(c.Label);
    });
  }
}

}  // namespace bench
