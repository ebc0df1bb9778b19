// Find and replace over 64 MiB of CP932 prose: find next with no match beside
// memmem over the same bytes, the regular-expression path beside
// QRegularExpression over the decoded text, and Replace all of 100,000
// matches beside a plain replace into a new string.
#include <QRegularExpression>
#include <QString>

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "bench/BenchUtil.h"
#include "bench/Cases.h"
#include "bench/TextGen.h"

namespace bench {

namespace {

constexpr size_t kBytes = size_t{64} << 20;
constexpr int kMatches = 100000;
// ミント: 0x83 is a common lead byte, and the generator never writes 0x83 0x7E.
const std::string kAbsent = "\x83\x7E\x83\x93\x83\x67";
const char* const kAbsentRegex = "ミン[トド][0-9]*";
const std::string kMarker = "QQ";  // the generator writes lower-case letters only
const std::string kReplacement = "\x94\x4C\x94\x4C\x94\x4C";  // 猫猫猫: the rows grow and re-wrap

// Lines of prose ended by CR LF; with Markers, kMatches lines spread evenly
// begin with kMarker.
std::string Prose(bool Markers) {
  TextGen gen(7);
  std::string t;
  t.reserve(kBytes + (64 << 10));
  std::string line;
  while (t.size() < kBytes) {
    line.clear();
    gen.Prose(line, gen.LineLength());
    t += line;
    t += "\r\n";
  }
  if (!Markers) return t;
  // Every step-th line start gets the marker.
  std::string out;
  out.reserve(t.size() + kMatches * kMarker.size());
  const size_t step = t.size() / kMatches;
  size_t next = 0, at = 0;
  int n = 0;
  while (at < t.size()) {
    const size_t end = t.find('\n', at) + 1;
    if (at >= next && n < kMatches) {
      out += kMarker;
      ++n;
      next += step;
    }
    out.append(t, at, end - at);
    at = end;
  }
  return out;
}

const std::string& PlainText() {
  static const std::string t = Prose(false);
  return t;
}

void Load(TAFEdit& E, const std::string& Text) {
  std::istringstream in(Text);
  E.LoadFromStream(in, 0);
}

}  // namespace

void RegisterFindCases() {
  AddCase("Find/64MiB_no_match/baseline", [](benchmark::State& state) {
    const std::string& t = PlainText();
    for (auto _ : state) {
      const double t0 = NowMs();
      const void* p = memmem(t.data(), t.size(), kAbsent.data(), kAbsent.size());
      state.SetIterationTime((NowMs() - t0) / 1000);
      benchmark::DoNotOptimize(p);
    }
  });
  AddCase("Find/64MiB_no_match/ours", [](benchmark::State& state) {
    TAFEdit e;
    Load(e, PlainText());
    for (auto _ : state) {
      const double t0 = NowMs();
      const TFindResult r = e.FindText(kAbsent, {0, 0}, {});
      state.SetIterationTime((NowMs() - t0) / 1000);
      if (r.Found) state.SkipWithError("found what is not there");
    }
  });

  AddCase("FindRegex/64MiB_no_match/baseline", [](benchmark::State& state) {
    const QString decoded = Cp932ToQString(PlainText());
    QRegularExpression re(QString::fromUtf8(kAbsentRegex), QRegularExpression::CaseInsensitiveOption);
    re.optimize();
    for (auto _ : state) {
      const double t0 = NowMs();
      const bool found = re.match(decoded).hasMatch();
      state.SetIterationTime((NowMs() - t0) / 1000);
      if (found) state.SkipWithError("found what is not there");
    }
  });
  AddCase("FindRegex/64MiB_no_match/ours", [](benchmark::State& state) {
    TAFEdit e;
    Load(e, PlainText());
    std::string pattern;
    QStringToCp932(QString::fromUtf8(kAbsentRegex), pattern);
    for (auto _ : state) {
      const double t0 = NowMs();
      const TFindResult r = e.FindText(pattern, {0, 0}, {.Regex = true});
      state.SetIterationTime((NowMs() - t0) / 1000);
      if (r.Found || !r.Error.empty()) state.SkipWithError("found what is not there");
    }
  });

  AddCase("ReplaceAll/100k_in_64MiB/baseline", [](benchmark::State& state) {
    const std::string text = Prose(true);
    RunForked(state, [&](Figures& f) {
      const double t0 = NowMs();
      std::string out;
      out.reserve(text.size() + kMatches * kReplacement.size());
      size_t at = 0, n = 0;
      for (size_t p; (p = text.find(kMarker, at)) != std::string::npos; at = p + kMarker.size(), ++n) {
        out.append(text, at, p - at);
        out += kReplacement;
      }
      out.append(text, at);
      f.Ms = NowMs() - t0;
      f.Set("matches", static_cast<double>(n));
    }, true);
  });
  AddCase("ReplaceAll/100k_in_64MiB/ours", [](benchmark::State& state) {
    const std::string text = Prose(true);
    RunForked(state, [&](Figures& f) {
      TAFEdit e;
      Load(e, text);
      e.UndoBuff().Reset();
      const std::string before = e.Text();
      const size_t heldBefore = e.UndoBuff().HeldBytes();
      const double t0 = NowMs();
      const TReplaceResult r = e.ReplaceAll(kMarker, kReplacement, {.MatchCase = true}, false);
      f.Ms = NowMs() - t0;
      const double held = static_cast<double>(e.UndoBuff().HeldBytes() - heldBefore);
      f.Set("matches", r.Count);
      f.Set("history_mib", held / (1 << 20));
      f.Set("history_b_per_match", held / std::max(1, r.Count));
      const double u0 = NowMs();
      e.Undo();
      f.Set("undo_ms", NowMs() - u0);
      if (r.Count != kMatches || e.Text() != before) throw std::runtime_error("undo did not restore the bytes");
    }, true);
  });
}

}  // namespace bench
