// The sweep's runs in Google Benchmark's JSON format, so that its comparison
// tool (compare.py) and anything else that reads that format can compare two
// sweeps worker count by worker count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "counters/runclock.h"
#include "export/factsjson.h"
#include "splits/split.h"
#include "trace/runtrace.h"

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
    size_t stack = 0;              // index into SweepOptions::stackSizes
    uint64_t sequence = 0;         // its place among the sweep's timed runs, from 0
    int32_t cpusUsed = -1;         // bound workers only: distinct CPUs they started on
    int32_t placementMisses = -1;  // bound workers only: how many started off their planned CPU
    int32_t invocation = 0;        // the process that made it (--invocations), from 0
    Split split = defaultSplit;    // how its diagonals were dealt
    int64_t elementsMax = -1;      // the most cells one worker summed; -1: not known
    std::optional<RunTrace> trace{};  // with --trace: when each worker started and ended, and more
};

// What the sweep decided before its first run, for the context.
struct SweepRecord {
    uint64_t seed = 0;              // random order only
    std::vector<int32_t> bindCpus;  // bound workers only: the CPUs dealt to workers 0, 1, ...
    int stopSignal = 0;             // the signal that stopped the sweep, or 0
    std::vector<uint64_t> invocationSeeds;  // random order with --invocations: each invocation's seed
};

// The settings a run's name carries after the matrix, in this order: the
// mode when it is pool, the stack size unless it is the default
// ("stack:64k"), the placement unless it is none ("bind:compact") and the
// split unless it is round-robin ("split:blocks"). Empty for a run of the
// defaults.
std::vector<std::string> runSettings(const SweepOptions& options, RunMode mode, size_t stack, Split split);

// The JSON text: a "context" describing the machine, the build and the sweep
// (with `facts`, see export/factsjson.h), and "benchmarks" with one
// "iteration" entry per timed run (real_time is wall time, cpu_time
// processor time, both in microseconds, then the run's resource use and
// perf counts) followed, per worker count and mode, by the mean, median,
// stddev and cv aggregates of each when all its runs were made.
// Runs are grouped per worker count in the sweep's order, then per stack
// size, split and mode; each iteration records its "sequence" (across the
// whole sweep), the "invocation" that made it (from 0), its own figures
// (export/runfigures.h: "elements_max" and, for traced runs, the trace's
// five) and, for bound workers, "cpus_used" and "placement_misses". Spawn
// runs are named "diagsum/500x500/threads:8" in every sweep, pool runs
// "diagsum/500x500/pool/threads:8"; after the mode come the stack size
// unless it is the default ("stack:64k"), the placement unless it is none
// ("bind:compact") and the split unless it is round-robin
// ("split:blocks"), so that runs of the same settings carry the same name
// whatever else a sweep held. The context records the stack sizes, the
// placement, the splits, the order and, for a random order, its seed, the
// "invocations" and, for a random order made by several, each one's seed
// ("invocation_seeds").
// It also says how many timed runs were planned ("runs_planned") and made
// ("runs_made"), and whether the sweep was stopped ("stopped"; with
// "stop_signal" and "stop_signal_number" when the record's stopSignal is
// not 0). A worker count and variant cut short keeps its run entries but
// gets no aggregates: they would describe a sample the sweep did not plan.
std::string sweepJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
                      const std::string& executable, const BuildSettings& settings, const SweepFacts& facts,
                      const SweepRecord& record = {});
