// The benchmark sweep, the program's entry point.
#pragma once

#include <string>

#include "cli/options.h"

// For every worker count from 1 to 127, performs 50 runs on a 500 x 500
// matrix of ones, appends each run to infoData.csv (with
// generateExecutionData) and prints "T - mean ticks" ("%d - %lf"). out.txt
// keeps the sums of the last run. Returns as runSweep does.
int benchmarkSweep();

// The sweep that `options` describe: per worker count in the order given,
// `warmup` untimed runs (neither printed nor logged), then `runs` timed runs
// whose mean is printed (and flushed) as above. With a JSON file named,
// every timed run is also written there at the end (`executable` names the
// program in it); with a trace file named, each count and variant's run
// nearest its median (export/sweeptrace.h). The outputs are written as outputs/driveroutputs.h
// describes: checked before the first run (returns 1 when one cannot be
// written), failures reported once per file while the sweep goes on.
// Between runs it polls for a stop (a stop signal, or standard output's
// reader gone): the runs completed so far are kept (a worker count cut short
// prints no mean and gets no aggregates in the JSON file, whose context says
// the sweep stopped), and one line on stderr says so. Returns 0; 64
// (usageExitStatus) when two outputs are one file (outputsClash); -1 after
// one line saying why when a part of a run cannot be made, or memory runs
// out for the sums' text, the JSON, the trace or the sweep's bookkeeping (the lines
// already logged stay, and the JSON of the runs measured when it can still
// be built); else 128 + the stop, or 1 when an output failed. With
// --invocations, the runs are made by fresh processes of the program
// started with `argv` (app/invocations.h); without argv, in this one.
int runSweep(const SweepOptions& options, const std::string& executable, char** argv = nullptr);

// diagsum's entry point: parses the command line (exit 64 when it is
// refused, 0 after --help or --version, 1 when that answer could not be
// written), installs the stop handlers, then sweeps; started by a sweep of
// several invocations, it makes its share as a child instead
// (app/invocationchild.h). Stopped, it ends by the stop's signal once its
// files are written (endByStopSignal).
int sweepMain(int argc, char** argv);
