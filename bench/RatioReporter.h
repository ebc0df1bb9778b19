// A reporter that puts every figure of a case beside its baseline.
//
// Cases come as siblings: "<case>/ours" and "<case>/baseline" (and possibly
// more baselines, "<case>/baseline_<tag>").  Every run is passed on unchanged
// to the reporter chosen by the flags (console, JSON, CSV), except that each
// run of "<case>/ours" first gets the matching run of each baseline attached
// as counters, matched by repetition or by statistic (mean with mean, median
// with median...):
//   baseline_ms, ratio                 the baseline's time; ours / baseline
//   baseline_<c>, <stem>_ratio         for each counter c both runs have; the
//                                      stem is c without a unit suffix
//                                      (_mib, _ms, _bytes): peak_mib gives
//                                      baseline_peak_mib and peak_ratio
// A baseline "baseline_<tag>" gives the same names prefixed with "<tag>_".
// In a "_cv" row every value is a coefficient of variation, as the library
// does with its own counters.  A run of ours whose baseline has not been
// reported yet waits for it; one whose baseline never runs (filtered out)
// goes out without these counters.  With the console, a table of the ratios
// follows the runs.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class TRatioReporter : public benchmark::BenchmarkReporter {
public:
  // inner: the reporter runs are passed on to; it must outlive this one.
  TRatioReporter(benchmark::BenchmarkReporter* inner, bool summary);

  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

private:
  struct TCase {
    std::map<std::string, std::vector<Run>> Baselines;  // by role: baseline, baseline_<tag>
    std::vector<std::vector<Run>> Waiting;              // runs of ours waiting for a baseline
    bool HasSummary = false;
    Run Summary;                     // the run of ours shown in the table
    std::vector<std::string> Own;    // its own counters (before attaching)
  };

  void EmitOurs(TCase& c, std::vector<Run> runs);
  void Attach(TCase& c, Run& ours) const;
  void PrintSummary();

  benchmark::BenchmarkReporter* FInner;
  bool FSummary;
  std::map<std::string, TCase> FCases;
  std::vector<std::string> FOrder;  // cases in the order they were first reported
};

}  // namespace bench
