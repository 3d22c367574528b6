#include "app/benchmark.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/diagrun.h"
#include "app/poolrun.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "app/sweepjson.h"
#include "floatfiles/floatfiles.h"

namespace {

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

// One timed run; false when it could not be made. The log's five fields
// cannot tell the modes apart, so pool runs go only to a log the user named.
bool timedRun(const SweepOptions& options, RunMode mode, int32_t workers, RunTime* time) {
    if (getInputFromUser) {
        runlog::pause();
    }
    DiagRun run;
    if (!measureRun(options, mode, workers, &run, time)) {
        return false;
    }
    arrayFloatToFile(run.results, options.outPath.c_str());
    releaseDiagRun(&run);
    const bool logged = options.log && (mode == RunMode::spawn || options.logNamed);
    if (generateExecutionData && logged) {
        executionDataToCSV(
            ExecutionData{time->ticks, run.matrix.rows, run.matrix.columns, run.matrix.diagonals, workers},
            options.logPath.c_str());
    }
    return true;
}

bool usesPool(const SweepOptions& options) {
    for (RunMode mode : options.modes) {
        if (mode == RunMode::pool) {
            return true;
        }
    }
    return false;
}

// Warmup and timed runs of one worker count, the modes alternating run by
// run so that drift on the machine hits them alike; `totals` gets each
// mode's sum of ticks.
bool sweepCount(const SweepOptions& options, size_t countIndex, std::vector<double>* totals,
                std::vector<TimedRun>* timed) {
    const int32_t workers = options.threadCounts[countIndex];
    for (int32_t i = 0; i < options.warmup; i++) {
        for (RunMode mode : options.modes) {
            if (!warmupRun(options, mode, workers)) {
                return false;
            }
        }
    }
    for (int32_t i = 0; i < options.runs; i++) {
        for (size_t m = 0; m < options.modes.size(); m++) {
            RunTime time;
            if (!timedRun(options, options.modes[m], workers, &time)) {
                return false;
            }
            (*totals)[m] += time.ticks;
            if (!options.jsonPath.empty()) {
                timed->push_back(TimedRun{countIndex, options.modes[m], time});
            }
        }
    }
    return true;
}

// Writes `text` to a new file beside `path`, then renames it over `path`,
// so a reader sees the old file or the whole new one.
bool replaceWholeFile(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool closed = close(fd) == 0;
    if (written != text.size() || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void writeJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
               const std::string& executable) {
    if (options.jsonPath.empty()) {
        return;
    }
    if (!replaceWholeFile(options.jsonPath, sweepJson(options, runs, executable))) {
        fprintf(stderr, "Erro ao gravar %s: %s\n", options.jsonPath.c_str(), strerror(errno));
    }
}

}  // namespace

int benchmarkSweep() {
    return runSweep(defaultSweepOptions(), "diagsum");
}

int runSweep(const SweepOptions& options, const std::string& executable) {
    std::vector<TimedRun> timed;
    const bool pool = usesPool(options);
    for (size_t countIndex = 0; countIndex < options.threadCounts.size(); countIndex++) {
        const int32_t workers = options.threadCounts[countIndex];
        std::vector<double> totals(options.modes.size(), 0.0);
        if (pool && !startPoolTeam(workers)) {
            writeJson(options, timed, executable);
            return -1;
        }
        const bool swept = sweepCount(options, countIndex, &totals, &timed);
        if (pool) {
            endPoolTeam();
        }
        if (!swept) {
            writeJson(options, timed, executable);
            return -1;
        }
        for (size_t m = 0; m < options.modes.size(); m++) {
            if (options.modesNamed) {
                printf("%d - %lf %s\n", workers, totals[m] / options.runs, runModeName(options.modes[m]));
            } else {
                printf("%d - %lf\n", workers, totals[m] / options.runs);
            }
        }
    }
    writeJson(options, timed, executable);
    return 0;
}

int sweepMain(int argc, char** argv) {
    SweepOptions options = defaultSweepOptions();
    switch (parseSweepOptions(argc, argv, &options)) {
        case CommandLine::done:
            return 0;
        case CommandLine::refused:
            return usageExitStatus;
        case CommandLine::run:
            break;
    }
    return runSweep(options, argc > 0 ? argv[0] : "diagsum");
}

#ifndef DIAGSUM_NO_ENTRY_POINT
int main(int argc, char** argv) {
    return sweepMain(argc, argv);
}
#endif
