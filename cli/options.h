// The command lines of diagsum (the sweep) and diagsum-single (one run):
// what each option sets in the driver's options record. Every value is
// parsed whole: no trailing text, no silent wrap-around, and nothing is
// created or written before the whole command line is accepted. The parse
// loop, --help and --version are cli/commandline.h's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/commandline.h"
#include "cli/sweepshape.h"
#include "cli/values.h"
#include "progress/progress.h"

struct SweepOptions {
    int32_t rows = 500;
    int32_t columns = 500;
    std::vector<int32_t> threadCounts;  // in the order swept; 1 ... 127 by default
    int32_t runs = 50;                  // timed runs per worker count
    int32_t warmup = 0;                 // untimed runs before each count's timed runs
    bool log = true;
    bool logNamed = false;  // --log named the file
    std::string logPath = "infoData.csv";
    std::string outPath = "out.txt";
    std::string jsonPath;  // empty: no JSON file
    std::string tracePath;  // empty: nothing recorded of each worker, no trace file
    std::vector<RunMode> modes{RunMode::spawn};
    bool modesNamed = false;  // --mode was given: outputs name each run's mode
    std::vector<size_t> stackSizes{
        0};               // the workers' stack, bytes (0: the system's default); several alternate
    Placement placement;  // where the workers run
    OrderOption order;    // the order of the runs
    int32_t invocations = 1;  // fresh processes the timed runs are shared among, one after another
    std::vector<Split> splits{defaultSplit};  // how the diagonals are dealt; several alternate
    std::vector<size_t> perfEvents;  // --perf: counters/perfcounters.h events, in the order asked
    std::vector<std::pair<std::string, std::string>> userContext;  // --context KEY=VALUE, in order
    ProgressChoice progress = ProgressChoice::automatic;  // the progress line on stderr
};

// The sweep of the program with no option: 1 to 127 workers, 50 runs each
// on 500 x 500.
SweepOptions defaultSweepOptions();

// Whether the sweep makes runs of `mode`.
bool usesMode(const SweepOptions& options, RunMode mode);

struct SingleOptions {
    bool sizeGiven = false;  // --size was given; otherwise the settings (or the prompt) decide
    int32_t rows = 0;
    int32_t columns = 0;
    bool threadsGiven = false;
    int32_t threads = 0;
    bool log = true;
    bool logNamed = false;  // --log named the file
    std::string logPath = "infoData.csv";
    std::string outPath = "out.txt";
};

// Parses diagsum's options into `options` (which starts from the default
// sweep). Several stack sizes are refused with pool runs: OpenMP gives
// every team thread of the process one stack size.
CommandLine parseSweepOptions(int argc, char** argv, SweepOptions* options);

// Parses diagsum-single's options into `options`.
CommandLine parseSingleOptions(int argc, char** argv, SingleOptions* options);
