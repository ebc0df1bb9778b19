#include "bench/RatioReporter.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace bench {

namespace {

using Run = benchmark::BenchmarkReporter::Run;

// Splits "Load/16MB/ours" into its case and its role; false when the name
// ends in no role.
bool SplitName(const Run& r, std::string& name, std::string& role) {
  const std::string& full = r.run_name.function_name;
  const size_t slash = full.rfind('/');
  if (slash == std::string::npos) return false;
  role = full.substr(slash + 1);
  name = full.substr(0, slash);
  return role == "ours" || role == "baseline" || role.rfind("baseline_", 0) == 0;
}

// The time of a run in milliseconds (a fraction in a coefficient-of-variation row).
double Ms(const Run& r) {
  if (r.run_type == Run::RT_Aggregate && r.aggregate_unit == benchmark::kPercentage)
    return r.real_accumulated_time;
  return r.GetAdjustedRealTime() * 1e3 / benchmark::GetTimeUnitMultiplier(r.time_unit);
}

std::string Stem(const std::string& counter) {
  for (const char* unit : {"_mib", "_ms", "_bytes"}) {
    const size_t n = std::char_traits<char>::length(unit);
    if (counter.size() > n && counter.compare(counter.size() - n, n, unit) == 0)
      return counter.substr(0, counter.size() - n);
  }
  return counter;
}

// The prefixes of a baseline role's counters: "baseline_" and "" for the
// baseline, "<tag>_baseline_" and "<tag>_" for "baseline_<tag>".
void Prefixes(const std::string& role, std::string& value, std::string& ratio) {
  const std::string tag = role == "baseline" ? "" : role.substr(9);
  value = tag.empty() ? "baseline_" : tag + "_baseline_";
  ratio = tag.empty() ? "" : tag + "_";
}

const Run* Match(const std::vector<Run>& runs, const Run& ours) {
  const Run* only = nullptr;
  int iterations = 0;
  for (const Run& b : runs) {
    if (b.run_type != ours.run_type) continue;
    if (b.run_type == Run::RT_Aggregate) {
      if (b.aggregate_name == ours.aggregate_name) return &b;
    } else {
      if (b.repetition_index == ours.repetition_index) return &b;
      only = &b;
      ++iterations;
    }
  }
  return iterations == 1 ? only : nullptr;
}

int Rank(const Run& r) {
  if (r.error_occurred) return 0;
  if (r.run_type == Run::RT_Iteration) return 1;
  if (r.aggregate_name == "mean") return 2;
  if (r.aggregate_name == "median") return 3;
  return -1;
}

std::string Num(double v, const benchmark::Counter* c = nullptr) {
  char buf[32];
  if (c && (c->flags & benchmark::Counter::kIsRate) && c->oneK == benchmark::Counter::kIs1024) {
    std::snprintf(buf, sizeof buf, "%.1f MiB/s", v / (1 << 20));
    return buf;
  }
  const double a = std::fabs(v);
  if (a >= 1e9)
    std::snprintf(buf, sizeof buf, "%.2fG", v / 1e9);
  else if (a >= 1e6)
    std::snprintf(buf, sizeof buf, "%.2fM", v / 1e6);
  else if (a >= 1e4)
    std::snprintf(buf, sizeof buf, "%.0f", v);
  else if (a >= 100)
    std::snprintf(buf, sizeof buf, "%.1f", v);
  else
    std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

}  // namespace

TRatioReporter::TRatioReporter(benchmark::BenchmarkReporter* inner, bool summary)
    : FInner(inner), FSummary(summary) {}

bool TRatioReporter::ReportContext(const Context& context) {
  // The library points this reporter at its stream (stdout or the output
  // file); the wrapped reporter writes there too.
  FInner->SetOutputStream(&GetOutputStream());
  FInner->SetErrorStream(&GetErrorStream());
  return FInner->ReportContext(context);
}

void TRatioReporter::ReportRuns(const std::vector<Run>& runs) {
  std::string name, role;
  if (runs.empty() || !SplitName(runs.front(), name, role)) {
    FInner->ReportRuns(runs);
    return;
  }
  if (!FCases.count(name)) FOrder.push_back(name);
  TCase& c = FCases[name];
  if (role == "ours") {
    if (c.Baselines.empty())
      c.Waiting.push_back(runs);
    else
      EmitOurs(c, runs);
    return;
  }
  std::vector<Run>& kept = c.Baselines[role];
  kept.insert(kept.end(), runs.begin(), runs.end());
  FInner->ReportRuns(runs);
  std::vector<std::vector<Run>> waiting;
  waiting.swap(c.Waiting);
  for (std::vector<Run>& w : waiting) EmitOurs(c, std::move(w));
}

void TRatioReporter::Finalize() {
  for (const std::string& name : FOrder) {
    TCase& c = FCases[name];
    std::vector<std::vector<Run>> waiting;
    waiting.swap(c.Waiting);
    for (std::vector<Run>& w : waiting) EmitOurs(c, std::move(w));
  }
  if (FSummary) PrintSummary();
  FInner->Finalize();
}

void TRatioReporter::EmitOurs(TCase& c, std::vector<Run> runs) {
  for (Run& r : runs) {
    std::vector<std::string> own;
    for (const auto& [key, value] : r.counters) own.push_back(key);
    Attach(c, r);
    // The median if any, else the mean, else the last repetition; of
    // failures, the first (it carries the reason).
    const bool better = !c.HasSummary || Rank(r) > Rank(c.Summary) || (Rank(r) == Rank(c.Summary) && Rank(r) > 0);
    if (Rank(r) >= 0 && better) {
      c.Summary = r;
      c.Own = own;
      c.HasSummary = true;
    }
  }
  FInner->ReportRuns(runs);
}

void TRatioReporter::Attach(TCase& c, Run& ours) const {
  if (ours.error_occurred) return;
  const benchmark::UserCounters own = ours.counters;
  for (const auto& [role, runs] : c.Baselines) {
    const Run* b = Match(runs, ours);
    if (!b || b->error_occurred) continue;
    std::string value, ratio;
    Prefixes(role, value, ratio);
    // A spread (stddev, cv) gets the baseline's spread beside it, no ratio.
    const bool spread = ours.run_type == Run::RT_Aggregate && ours.aggregate_name != "mean" &&
                        ours.aggregate_name != "median";
    const double bm = Ms(*b);
    ours.counters[value + "ms"] = bm;
    if (bm != 0 && !spread) ours.counters[ratio + "ratio"] = Ms(ours) / bm;
    for (const auto& [key, counter] : own) {
      const auto it = b->counters.find(key);
      if (it == b->counters.end()) continue;
      ours.counters[value + key] = benchmark::Counter(it->second.value, it->second.flags, it->second.oneK);
      if (it->second.value != 0 && !spread)
        ours.counters[ratio + Stem(key) + "_ratio"] = counter.value / it->second.value;
    }
  }
}

void TRatioReporter::PrintSummary() {
  std::ostream& out = GetOutputStream();
  char line[256];
  out << "\nEach figure of ours beside its baseline (median of the repetitions when there are several;\n"
         "ratio = ours / baseline):\n";
  auto print = [&](const std::string& name, const std::string& figure, const std::string& ours,
                   const std::string& base, const std::string& ratio) {
    std::snprintf(line, sizeof line, "%-34s %-36s %14s %14s %8s\n", name.c_str(), figure.c_str(), ours.c_str(),
                  base.c_str(), ratio.c_str());
    out << line;
  };
  print("case", "figure", "ours", "baseline", "ratio");
  for (const std::string& name : FOrder) {
    const TCase& c = FCases.at(name);
    if (!c.HasSummary) continue;
    const Run& r = c.Summary;
    std::string title = name;
    if (r.error_occurred) {
      // The baselines' own figures still stand, beside the failure.
      out << title << ": ours FAILED: " << r.error_message << "\n";
      for (const auto& [role, runs] : c.Baselines) {
        const Run* best = nullptr;
        for (const Run& b : runs)
          if (Rank(b) > 0 && (!best || Rank(b) >= Rank(*best))) best = &b;
        if (!best) continue;
        const std::string vs = role == "baseline" ? "" : " (" + role + ")";
        print("", "time_ms" + vs, "-", Num(Ms(*best)), "-");
        for (const auto& [key, counter] : best->counters) print("", key + vs, "-", Num(counter.value, &counter), "-");
      }
      continue;
    }
    auto row = [&](const std::string& figure, const std::string& key, double v, const std::string& baseKey,
                   const std::string& ratioKey) {
      const auto o = r.counters.find(key);
      const benchmark::Counter* counter = o == r.counters.end() ? nullptr : &o->second;
      const auto b = r.counters.find(baseKey);
      const auto q = r.counters.find(ratioKey);
      print(title, figure, Num(v, counter), b == r.counters.end() ? "-" : Num(b->second.value, counter),
            q == r.counters.end() ? "-" : Num(q->second.value));
      title.clear();
    };
    if (c.Baselines.empty()) {
      row("time_ms (no baseline run)", "", Ms(r), "", "");
      continue;
    }
    for (const auto& [role, runs] : c.Baselines) {
      std::string value, ratio;
      Prefixes(role, value, ratio);
      const std::string vs = role == "baseline" ? "" : " vs " + role;
      row("time_ms" + vs, "", Ms(r), value + "ms", ratio + "ratio");
      for (const std::string& key : c.Own)
        row(key + vs, key, r.counters.at(key).value, value + key, ratio + Stem(key) + "_ratio");
    }
    if (!r.report_label.empty()) out << "    (" << r.report_label << ")\n";
  }
  out.flush();
}

}  // namespace bench
