// Hotaru benchmarks, on Google Benchmark: each figure beside a baseline
// measured in the same run, and their ratio.
//
// Design
// - Every case is a pair of sibling benchmarks, "<case>/baseline" and
//   "<case>/ours" (the saves have a second baseline, "<case>/baseline_replace").
//   The baseline is registered first, so it runs and is reported first.  Both
//   sides work on the same deterministic data (TextGen.h), made before timing.
// - Timing is manual (UseManualTime): the body times its operation only, never
//   the set-up (making data, building the document).  One iteration per
//   repetition; by default 5 repetitions, of which only the statistics are
//   reported.  Read the median.  --benchmark_repetitions=N and
//   --benchmark_report_aggregates_only=false override these defaults.
// - Memory: the cases whose memory matters (undo, append, load, re-wrap,
//   keystroke, last row) run their body in a forked child (BenchUtil.h).  The
//   child resets its VmHWM, runs the body and sends back the time and the
//   peak it added (peak_mib) or the resident memory the operation added, so
//   no case's allocations count in another's.  For these cases the CPU column
//   is the parent's waiting and means nothing; Time is the child's measure.
//   Saves run in this process and report time only.
// - Ratios: TRatioReporter (RatioReporter.h) passes every run on to the
//   reporter the flags choose, after giving each run of "<case>/ours" its
//   baseline's figures and the ratios (ours / baseline) as counters:
//   baseline_ms and ratio for the time, baseline_<c> and <stem>_ratio for
//   each counter c (peak_mib: baseline_peak_mib, peak_ratio).  Each side is
//   measured once, as its own benchmark, and the ratio is made from the very
//   figures reported for the baseline: no figure appears twice with two
//   values.  On the console a table of all the ratios ends the run.
//   --benchmark_format=json gives the machine-readable report, as does
//   --benchmark_out=FILE (--benchmark_out_format=json or console; the
//   library's own CSV reporter, deprecated, goes without the ratios).
// - Filtering: filter on cases, not sides ("--benchmark_filter=Load/16MB"),
//   so both siblings run; an "ours" run without its baseline is reported
//   without ratios.
//
// Cases
//   Undo/record_group_of_100k_changes  one group of 100,000 row changes;
//                                      bytes_per_change (RSS growth); baseline:
//                                      the same into a vector with an undo log
//   Undo/undo_group_of_100k_changes    undoing that group; baseline: the log
//                                      played back
//   Append/2M_rows                     AppendRow of 2,000,000 rows; peak_mib;
//                                      baseline: a std::vector<std::string>
//   Load/{1,16,64}MB                   LoadFromFile, text style; peak_mib;
//                                      baseline: read the file, split it into a
//                                      std::vector<std::string>
//   SaveText/…, SaveBinary/…           SaveToFile; baselines: the same bytes
//                                      written and fsynced, and written through
//                                      a new file renamed over the old one
//   Rewrap/1MiB_paragraph              re-wrap a 1 MiB paragraph at 60 columns
//                                      at the top of 2,000,000 rows; baseline:
//                                      the same in a 10-row document
//   Keystroke/1MiB_paragraph           one character typed at its start, and
//                                      the re-wrap; undo_mib (RSS growth);
//                                      baseline: the same in a 10-row document
//   RewrapLastRow/<n>KiB_paragraph     SetRowText(0, P) and RewrapRow(0) on an
//                                      empty control, P its last row;
//                                      history_mib (RSS the two calls added:
//                                      history and the rows it shares texts
//                                      with), history_x_para (that divided by
//                                      P's bytes), history_release_mib (RSS
//                                      given back by clearing the history);
//                                      baseline: P followed by CR and a row.
//                                      The child may add 256 MiB + 32 x P of
//                                      address space and run 60 s; past that
//                                      the case is reported as failed.
//
//   RowBytes/{64MB,10M_rows}           LoadFromFile of 64 MB of prose and of
//                                      10,000,000 short rows; resident bytes
//                                      per row beyond the file's bytes;
//                                      baseline: the file read whole and a
//                                      std::vector<std::string_view> of its rows
//   History/{1,16}MiB_paragraph        10 characters typed at the start of a
//                                      paragraph (automatic format, Japanese
//                                      line-break rules, unlimited history);
//                                      history_kib_per_key (RSS growth);
//                                      baseline: the paragraph as a string and
//                                      a log of the inserted bytes
//
//   Find/64MiB_no_match                FindText of a word that is not there in
//                                      64 MiB of prose; baseline: memmem over
//                                      the same bytes
//   FindRegex/64MiB_no_match           the same as a regular expression;
//                                      baseline: QRegularExpression over the
//                                      text decoded beforehand
//   ReplaceAll/100k_in_64MiB           ReplaceAll of 100,000 matches; matches,
//                                      history_mib, history_b_per_match,
//                                      undo_ms (the undo must give back the
//                                      bytes); baseline: the same replacement
//                                      into a new std::string
//
// Options of our own: --lastrow_kib=N (or HOTARU_BENCH_LASTROW_KIB=N) sets P,
// 1024 KiB by default.  --write_row_files=DIR writes the RowBytes cases' files
// (prose64.txt, short10m.txt) into DIR and exits, running no case.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/Cases.h"
#include "bench/RatioReporter.h"

namespace {

// The value of "--name=value" in arg, or nullptr.
const char* FlagValue(const char* arg, const char* name) {
  const size_t n = std::strlen(name);
  return std::strncmp(arg, name, n) == 0 && arg[n] == '=' ? arg + n + 1 : nullptr;
}

size_t ParseKiB(const char* text) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!end || *end || v <= 0) {
    std::fprintf(stderr, "hotaru_bench: --lastrow_kib wants a positive number, not '%s'\n", text);
    std::exit(1);
  }
  return static_cast<size_t>(v) << 10;
}

void PrintHelp() {
  benchmark::PrintDefaultHelp();
  std::fprintf(stdout,
               "  [--lastrow_kib=<n>]  the paragraph of RewrapLastRow in KiB (default 1024;\n"
               "                       also HOTARU_BENCH_LASTROW_KIB)\n"
               "  [--write_row_files=<dir>]  write the RowBytes and FirstKey cases' files into <dir> and exit\n"
               "Defaults here: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true\n");
}

std::unique_ptr<benchmark::BenchmarkReporter> FileReporter(const std::string& format) {
  if (format == "console") return std::make_unique<benchmark::ConsoleReporter>(benchmark::ConsoleReporter::OO_None);
  return std::make_unique<benchmark::JSONReporter>();
}

}  // namespace

int main(int argc, char** argv) {
  // --write_row_files=DIR: only write the RowBytes cases' files, for
  // measuring another program on the same bytes (bench/compare-editor.sh).
  for (int i = 1; i < argc; ++i) {
    if (const char* dir = FlagValue(argv[i], "--write_row_files"))
      return bench::WriteRowFiles(dir) && bench::WriteFirstKeyFiles(dir) ? 0 : 1;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qgetenv("XDG_RUNTIME_DIR").isEmpty()) {
    char dir[] = "/tmp/hotaru-bench-XXXXXX";
    if (mkdtemp(dir)) qputenv("XDG_RUNTIME_DIR", dir);
  }
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  // Our defaults first, so that the same flags given on the command line win.
  std::vector<char*> args{argv[0], const_cast<char*>("--benchmark_repetitions=5"),
                          const_cast<char*>("--benchmark_report_aggregates_only=true")};
  size_t lastRowBytes = size_t{1024} << 10;
  if (const char* env = std::getenv("HOTARU_BENCH_LASTROW_KIB"); env && *env) lastRowBytes = ParseKiB(env);
  bool toFile = false;
  std::string outFormat = "json";
  for (int i = 1; i < argc; ++i) {
    if (const char* v = FlagValue(argv[i], "--lastrow_kib")) {
      lastRowBytes = ParseKiB(v);
      continue;
    }
    if (const char* v = FlagValue(argv[i], "--benchmark_out")) toFile = *v != '\0';
    if (const char* v = FlagValue(argv[i], "--benchmark_out_format")) outFormat = v;
    args.push_back(argv[i]);
  }
  int benchArgc = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&benchArgc, args.data(), PrintHelp);
  if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data())) return 1;

  bench::RegisterEditCases();
  bench::RegisterLoadSaveCases();
  bench::RegisterWrapCases(lastRowBytes);
  bench::RegisterPaintCases();
  bench::RegisterTypingCases();
  bench::RegisterMemoryCases();
  bench::RegisterFindCases();
  bench::RegisterFirstKeyCases();

  benchmark::BenchmarkReporter* shown = benchmark::CreateDefaultDisplayReporter();
  bench::TRatioReporter display(shown, dynamic_cast<benchmark::ConsoleReporter*>(shown) != nullptr);
  if (toFile && outFormat != "csv") {
    const std::unique_ptr<benchmark::BenchmarkReporter> written = FileReporter(outFormat);
    bench::TRatioReporter file(written.get(), outFormat == "console");
    benchmark::RunSpecifiedBenchmarks(&display, &file);
  } else {
    benchmark::RunSpecifiedBenchmarks(&display);
  }
  bench::RemoveLoadSaveFiles();
  benchmark::Shutdown();
  return 0;
}
