#include "app/benchmark.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/diagrun.h"
#include "app/outfiles.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "app/sweepjson.h"
#include "floatfiles/floatfiles.h"

namespace {

// A run whose time is not wanted: it only brings caches, allocator and
// kernel to the state the timed runs meet.
bool warmupRun(const SweepOptions& options, int32_t workers) {
    DiagRun run;
    double ignored;
    if (!timeDiagRun(&run, options.rows, options.columns, workers, &ignored)) {
        return false;
    }
    releaseDiagRun(&run);
    return true;
}

// One timed run with `workers` workers, its sums written to out.txt and
// the run logged; false when it could not be made. A file that cannot be
// written is reported and the sweep goes on: the times are still true.
bool timedRun(const SweepOptions& options, DriverOutputs* outputs, int32_t workers, RunTime* time) {
    DiagRun run;
    if (!timeDiagRun(&run, options.rows, options.columns, workers, time)) {
        return false;
    }
    writeWholeFile(&outputs->out, floatLines(run.results));
    releaseDiagRun(&run);
    appendToLog(&outputs->log, ExecutionData{time->ticks, run.matrix.rows, run.matrix.columns,
                                             run.matrix.diagonals, workers});
    return true;
}

void writeJson(const SweepOptions& options, DriverOutputs* outputs, const std::vector<TimedRun>& runs,
               const std::string& executable) {
    if (!options.jsonPath.empty()) {
        writeWholeFile(&outputs->json, sweepJson(options, runs, executable));
    }
}

// What ends a sweep early: a run that could not be made, or a stop signal.
enum class SweepEnd { finished, runFailed, stopped };

// The runs of one worker count, the mean printed once all are timed.
SweepEnd sweepCount(const SweepOptions& options, DriverOutputs* outputs, size_t countIndex,
                    std::vector<TimedRun>* timed) {
    const int32_t workers = options.threadCounts[countIndex];
    for (int32_t i = 0; i < options.warmup; i++) {
        if (stopSignal() != 0) {
            return SweepEnd::stopped;
        }
        if (!warmupRun(options, workers)) {
            return SweepEnd::runFailed;
        }
    }
    double total = 0.0;
    for (int32_t i = 0; i < options.runs; i++) {
        if (getInputFromUser) {
            runlog::pause();  // a signal while waiting stops before the run
        }
        if (stopSignal() != 0) {
            return SweepEnd::stopped;
        }
        RunTime time;
        if (!timedRun(options, outputs, workers, &time)) {
            return SweepEnd::runFailed;
        }
        total += time.ticks;
        if (!options.jsonPath.empty()) {
            timed->push_back(TimedRun{countIndex, RunMode::spawn, time});
        }
    }
    printMeanLine(&outputs->console, stdout, workers, total / options.runs);
    return SweepEnd::finished;
}

}  // namespace

int benchmarkSweep() {
    return runSweep(defaultSweepOptions(), "diagsum");
}

int runSweep(const SweepOptions& options, const std::string& executable) {
    DriverOutputs outputs;
    const bool logging = generateExecutionData && options.log;
    if (!openDriverOutputs(&outputs, logging ? options.logPath : "", options.outPath, options.jsonPath)) {
        closeDriverOutputs(&outputs);
        return 1;
    }
    std::vector<TimedRun> timed;
    SweepEnd end = SweepEnd::finished;
    for (size_t countIndex = 0; countIndex < options.threadCounts.size() && end == SweepEnd::finished;
         countIndex++) {
        end = sweepCount(options, &outputs, countIndex, &timed);
    }
    // The runs completed so far are kept whatever ended the sweep.
    writeJson(options, &outputs, timed, executable);
    closeDriverOutputs(&outputs);
    return end == SweepEnd::runFailed ? -1 : driverExitStatus(outputs);
}

int sweepMain(int argc, char** argv) {
    SweepOptions options = defaultSweepOptions();
    switch (parseSweepOptions(argc, argv, &options)) {
        case CommandLine::done: {
            OutputFile console{standardOutputName};
            return flushOutput(&console, stdout) ? 0 : 1;
        }
        case CommandLine::refused:
            return usageExitStatus;
        case CommandLine::run:
            break;
    }
    installStopHandlers();
    return runSweep(options, argc > 0 ? argv[0] : "diagsum");
}

#ifndef DIAGSUM_NO_ENTRY_POINT
int main(int argc, char** argv) {
    return sweepMain(argc, argv);
}
#endif
