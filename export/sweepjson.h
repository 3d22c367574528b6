// The sweep's runs in Google Benchmark's JSON format, so that its comparison
// tool (compare.py) and anything else that reads that format can compare two
// sweeps worker count by worker count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/diagrun.h"
#include "cli/options.h"

// The six build settings of the program that ran the sweep.
struct BuildSettings {
    bool getInputFromUser;
    bool generateExecutionData;
    bool printInfoProcess;
    int32_t default_M;
    int32_t default_N;
    int32_t default_NumThreads;
};

// One timed run of the sweep.
struct TimedRun {
    size_t countIndex;  // position of its worker count in the sweep's list
    RunMode mode;
    RunTime time;
};

// The JSON text: a "context" describing the machine, the build and the sweep,
// and "benchmarks" with one "iteration" entry per timed run (real_time is
// wall time, cpu_time processor time, both in microseconds) followed, per
// worker count and mode, by the mean, median, stddev and cv aggregates.
// Runs are grouped per worker count in the sweep's order, then per mode.
// Spawn runs are named "diagsum/500x500/threads:8" in every sweep, pool runs
// "diagsum/500x500/pool/threads:8", so one experiment has one name whatever
// else a sweep held.
std::string sweepJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
                      const std::string& executable, const BuildSettings& settings);
