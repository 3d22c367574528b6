#include "app/benchmark.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/diagrun.h"
#include "app/poolrun.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "export/sweepjson.h"
#include "i18n/messages.h"
#include "outputs/outfiles.h"

namespace {

constexpr BuildSettings thisBuild{getInputFromUser, generateExecutionData, printInfoProcess, default_M,
                                  default_N,        default_NumThreads};

// One run of `mode` with `workers` workers, timed; a pool run needs the
// count's team to be up. False when the run could not be made.
bool measureRun(const SweepOptions& options, RunMode mode, int32_t workers, DiagRun* run, RunTime* time) {
    if (mode == RunMode::pool) {
        return timePoolRun(run, options.rows, options.columns, workers, time);
    }
    return timeDiagRun(run, options.rows, options.columns, workers, time);
}

// A run whose time is not wanted: it only brings caches, allocator and
// kernel to the state the timed runs meet.
bool warmupRun(const SweepOptions& options, RunMode mode, int32_t workers) {
    DiagRun run;
    RunTime ignored;
    if (!measureRun(options, mode, workers, &run, &ignored)) {
        return false;
    }
    releaseDiagRun(&run);
    return true;
}

// Whether runs of `mode` go to the log: its five fields cannot tell the
// modes apart, so pool runs go only to a log the user named.
bool logsMode(const SweepOptions& options, RunMode mode) {
    return generateExecutionData && options.log && (mode == RunMode::spawn || options.logNamed);
}

// What became of a timed run.
enum class RunEnd {
    measured,        // timed, its sums written (or their failure reported) and logged
    notMade,         // a part of it could not be made (said on stdout)
    sumsOutOfMemory  // timed and logged, but no memory was left to write its sums (said on stderr)
};

// One timed run, its sums written to out.txt and the run logged. A file
// that cannot be written is reported and the sweep goes on: the times are
// still true. A run whose sums' text finds no memory is still logged, its
// time being true, but the sweep cannot go on making runs of that size.
RunEnd timedRun(const SweepOptions& options, DriverOutputs* outputs, RunMode mode, int32_t workers,
                RunTime* time) {
    DiagRun run;
    if (!measureRun(options, mode, workers, &run, time)) {
        return RunEnd::notMade;
    }
    const bool sumsMade = writeRunSums(&outputs->out, run.results, "diagsum");
    releaseDiagRun(&run);
    if (logsMode(options, mode)) {
        appendToLog(&outputs->log, ExecutionData{time->ticks, run.matrix.rows, run.matrix.columns,
                                                 run.matrix.diagonals, workers});
    }
    return sumsMade ? RunEnd::measured : RunEnd::sumsOutOfMemory;
}

bool usesMode(const SweepOptions& options, RunMode wanted) {
    for (RunMode mode : options.modes) {
        if (mode == wanted) {
            return true;
        }
    }
    return false;
}

// Writes the JSON file of the runs timed so far; false when there was not
// memory to build it (said on stderr; the old file stays).
bool writeJson(const SweepOptions& options, DriverOutputs* outputs, const std::vector<TimedRun>& runs,
               const std::string& executable) {
    if (options.jsonPath.empty()) {
        return true;
    }
    try {
        writeWholeFile(&outputs->json, sweepJson(options, runs, executable, thisBuild));
        return true;
    } catch (const std::bad_alloc&) {
        fprintf(stderr, _("diagsum: not enough memory to build %s; it is not written\n"),
                outputs->json.name.c_str());
        return false;
    }
}

// What ends a sweep early: a run that could not be made, or a stop signal.
enum class SweepEnd { finished, runFailed, stopped };

// Warmup and timed runs of one worker count, the modes alternating run by
// run so that drift on the machine hits them alike; `totals` gets each
// mode's sum of ticks. A stop signal is honoured between runs.
SweepEnd sweepCount(const SweepOptions& options, DriverOutputs* outputs, size_t countIndex,
                    std::vector<double>* totals, std::vector<TimedRun>* timed) {
    const int32_t workers = options.threadCounts[countIndex];
    for (int32_t i = 0; i < options.warmup; i++) {
        for (RunMode mode : options.modes) {
            if (stopSignal() != 0) {
                return SweepEnd::stopped;
            }
            if (!warmupRun(options, mode, workers)) {
                return SweepEnd::runFailed;
            }
        }
    }
    for (int32_t i = 0; i < options.runs; i++) {
        for (size_t m = 0; m < options.modes.size(); m++) {
            if (getInputFromUser) {
                runlog::pause();  // a signal while waiting stops before the run
            }
            if (stopSignal() != 0) {
                return SweepEnd::stopped;
            }
            RunTime time;
            const RunEnd run = timedRun(options, outputs, options.modes[m], workers, &time);
            if (run == RunEnd::notMade) {
                return SweepEnd::runFailed;
            }
            (*totals)[m] += time.ticks;
            if (!options.jsonPath.empty()) {
                timed->push_back(TimedRun{countIndex, options.modes[m], time});
            }
            if (run == RunEnd::sumsOutOfMemory) {
                return SweepEnd::runFailed;
            }
        }
    }
    return SweepEnd::finished;
}

// Every worker count in turn, each count's means printed once all its runs
// are timed.
SweepEnd sweepCounts(const SweepOptions& options, DriverOutputs* outputs, std::vector<TimedRun>* timed) {
    const bool pool = usesMode(options, RunMode::pool);
    for (size_t countIndex = 0; countIndex < options.threadCounts.size(); countIndex++) {
        const int32_t workers = options.threadCounts[countIndex];
        std::vector<double> totals(options.modes.size(), 0.0);
        if (pool && !startPoolTeam(workers)) {
            return SweepEnd::runFailed;
        }
        const SweepEnd end = sweepCount(options, outputs, countIndex, &totals, timed);
        if (pool) {
            endPoolTeam();
        }
        if (end != SweepEnd::finished) {
            return end;
        }
        for (size_t m = 0; m < options.modes.size(); m++) {
            printMeanLine(&outputs->console, stdout, workers, totals[m] / options.runs,
                          options.modesNamed ? runModeName(options.modes[m]) : nullptr);
        }
    }
    return SweepEnd::finished;
}

}  // namespace

int benchmarkSweep() {
    return runSweep(defaultSweepOptions(), "diagsum");
}

int runSweep(const SweepOptions& options, const std::string& executable) {
    DriverOutputs outputs;
    bool logged = false;  // the log is opened only when a run will go there
    for (RunMode mode : options.modes) {
        logged = logged || logsMode(options, mode);
    }
    const std::string logPath = logged ? options.logPath : "";
    if (outputsClash("diagsum", logPath, options.outPath, options.jsonPath)) {
        return usageExitStatus;
    }
    if (!openDriverOutputs(&outputs, logPath, options.outPath, options.jsonPath)) {
        closeDriverOutputs(&outputs);
        return 1;
    }
    std::vector<TimedRun> timed;
    SweepEnd end;
    try {
        end = sweepCounts(options, &outputs, &timed);
    } catch (const std::bad_alloc&) {
        // The bookkeeping outside the C allocations (the list of timed runs,
        // a log line, a file's name) found no memory: a part of a run that
        // could not be made, like the others.
        fprintf(stderr, _("diagsum: not enough memory to go on; the sweep stopped\n"));
        end = SweepEnd::runFailed;
    }
    // The runs completed so far are kept whatever ended the sweep.
    const bool jsonBuilt = writeJson(options, &outputs, timed, executable);
    closeDriverOutputs(&outputs);
    return end == SweepEnd::runFailed || !jsonBuilt ? -1 : driverExitStatus(outputs);
}

int sweepMain(int argc, char** argv) try {
    holdStandardDescriptors();
    SweepOptions options = defaultSweepOptions();
    const int ended = commandLineExitStatus(parseSweepOptions(argc, argv, &options));
    if (ended >= 0) {
        return ended;
    }
    installStopHandlers();
    return runSweep(options, argc > 0 ? argv[0] : "diagsum");
} catch (const std::bad_alloc&) {
    fprintf(stderr, _("diagsum: not enough memory\n"));
    return -1;
}

#ifndef DIAGSUM_NO_ENTRY_POINT
int main(int argc, char** argv) {
    initMessages();
    return sweepMain(argc, argv);
}
#endif
