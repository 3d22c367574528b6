// report/export: what the report found, as JSON for scripts and CI
// (--export-json). Drawn from the same findings as the tables:
//   "inputs":  per input its path, kind, runs, skipped entries, its sweeps
//              (their numbers), whether it was stopped and how far it got
//              (runs_made of runs_planned, stop_signal);
//   "sweeps":  per sweep read its number, input, where it lies and its
//              label when it is reported apart;
//   "series":  per series its one name (report/sweep/seriesname.h), size,
//              mode, settings and sweep label, and per count "workers",
//              "runs", "invocations" (distinct invocation values),
//              "median_wall_us" and "median_cpu_us" (each {"value",
//              "ci_low", "ci_high"}), "speedup" with "speedup_ci_low" and
//              "speedup_ci_high" (a seeded bootstrap of the ratio of the
//              medians, report/stats/stats.h; from the levels above the
//              runs when they have one, report/analysis/bounds.h),
//              "ideal_speedup" (min(T, P) / min(base, P)), and "flags":
//              the names of what checks found ("short_count",
//              "cold_start", "drift", "impossible_speedup", "few_ticks");
//              and from a traced sweep its trace figures;
//   "models":  per series the fits of its throughput (report/export/explainjson.h);
//   "comparison" (with --compare): per row "series", "workers", "side",
//              "runs", each measure's median, ratio with its interval,
//              p-value, the levels' p-value ("wall_level_p", null without
//              a level above the runs) and "wall_verdict" / "cpu_verdict"
//              (faster, slower, same, untested), the summaries, and
//              "back_to_back": the inputs whose runs of a count were made
//              back to back in one process (their verdicts untested).
// A value the data cannot give is null.
#pragma once

#include <string>

#include "report/analysis/scaling.h"
#include "report/compare/compare.h"

// The document; `comparison` may be null.
std::string findingsJson(const ScalingReport& report, const CompareReport* comparison);

// Writes `text` whole to `path` (a temporary beside it, then a rename;
// outputs/replace.h), making its missing folders first. False after one
// line on stderr.
bool writeFindings(const std::string& path, const std::string& text);

// "faster", "slower", "same", "untested": a verdict as the export names it.
inline const char* verdictName(Verdict verdict) {
    return nameOf(verdict, verdictNames);
}
