// The report's input files: read whole, told apart by their content (the
// log or a sweep's JSON, see report/logstats.h), refused at once when they
// are mostly something else, and merged when several are given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/costsplit.h"
#include "report/logstats.h"

// What a sweep's JSON says about where it ran; empty or 0 when not given
// (always for the log).
struct SweepContext {
    std::string host;
    std::string date;
    int32_t cpus = 0;  // the machine's processors ("num_cpus")
};

struct InputFile {
    std::string path;
    RunSet runs;
    SweepContext context;
    CostReport cost;  // the resource counters of a JSON's runs (report/costsplit.h)
};

// Reads `path` into `file`. False with a one-line reason (naming the file)
// when it cannot be read, is JSON but not a sweep, holds no run, or holds
// more entries that are not runs than runs (a file that is mostly not a log,
// such as a README).
bool readInputFile(const std::string& path, InputFile* file, std::string* error);

// Adds every run of `from` to `into` (modes matched by name); the groups
// are put in key order again. Both have wall times or neither; skipped
// entries stay with their own file.
void mergeRuns(RunSet* into, const RunSet& from);

// "host, 2026-12-09 04:50" from the context, or the file's path when neither is known.
std::string contextLabel(const InputFile& file);
