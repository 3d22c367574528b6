// Where diagsum-report's text goes: the report to standard output, its
// warnings and notes to standard error, one line each.
#pragma once

#include <string>
#include <vector>

#include "report/program/options.h"
#include "report/sweep/model.h"

// Writes the report to standard output. A reader that went away (a closed
// pipe: "diagsum-report x.json | head -1") is no error: the rest is dropped
// quietly and true returned. False after one line on stderr for any other
// failure (a full disk, a closed descriptor).
bool writeReport(const std::string& text);

// "diagsum-report: warning: <line>".
void warn(const std::string& line);

// The entries a file's reading skipped: the first few, then how many more
// (all with Verbosity::verbose, none with quiet).
void reportSkipped(const InputFile& file, Verbosity verbosity);

// One line naming the sweeps told apart (report/sweep/sweepsplit.h) and
// how to pool them; nothing when none are, or when quiet.
void reportSweepsApart(const SweepModel& model, const std::vector<int32_t>& apart, Verbosity verbosity);
