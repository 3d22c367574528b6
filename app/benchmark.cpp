#include "app/benchmark.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/diagrun.h"
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

// One timed run with `workers` workers; false when it could not be made.
bool timedRun(const SweepOptions& options, int32_t workers, RunTime* time) {
    if (getInputFromUser) {
        runlog::pause();
    }
    DiagRun run;
    if (!timeDiagRun(&run, options.rows, options.columns, workers, time)) {
        return false;
    }
    arrayFloatToFile(run.results, options.outPath.c_str());
    releaseDiagRun(&run);
    if (generateExecutionData && options.log) {
        executionDataToCSV(
            ExecutionData{time->ticks, run.matrix.rows, run.matrix.columns, run.matrix.diagonals, workers},
            options.logPath.c_str());
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
    const bool keepRuns = !options.jsonPath.empty();
    for (size_t countIndex = 0; countIndex < options.threadCounts.size(); countIndex++) {
        const int32_t workers = options.threadCounts[countIndex];
        for (int32_t i = 0; i < options.warmup; i++) {
            if (!warmupRun(options, workers)) {
                writeJson(options, timed, executable);
                return -1;
            }
        }
        double total = 0.0;
        for (int32_t i = 0; i < options.runs; i++) {
            RunTime time;
            if (!timedRun(options, workers, &time)) {
                writeJson(options, timed, executable);
                return -1;
            }
            total += time.ticks;
            if (keepRuns) {
                timed.push_back(TimedRun{countIndex, RunMode::spawn, time});
            }
        }
        printf("%d - %lf\n", workers, total / options.runs);
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
