// The benchmark sweep, the program's entry point.
#pragma once

#include <string>

#include "app/options.h"

// For every worker count from 1 to 127, performs 50 runs on a 500 x 500
// matrix of ones, appends each run to infoData.csv (with
// generateExecutionData) and prints "T - mean ticks" ("%d - %lf"). out.txt
// keeps the sums of the last run. Returns 0, or -1 after one line saying why
// when a part of a run cannot be made; the lines already logged stay.
int benchmarkSweep();

// The sweep that `options` describe: per worker count in the order given,
// `warmup` untimed runs (neither printed nor logged), then `runs` timed runs
// whose mean is printed as above. With a JSON file named, every timed run is
// also written there at the end (`executable` names the program in it).
int runSweep(const SweepOptions& options, const std::string& executable);

// diagsum's entry point: parses the command line (exit 64 when it is
// refused, 0 after --help or --version), then sweeps.
int sweepMain(int argc, char** argv);
