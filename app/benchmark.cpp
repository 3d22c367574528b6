#include "app/benchmark.h"

#include <cstdint>
#include <cstdio>

#include "app/diagrun.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "floatfiles/floatfiles.h"

namespace {

constexpr int32_t runsPerCount = 50;
constexpr int32_t workerCountEnd = 128;  // counts 1 ... 127
constexpr int32_t sweepRows = 500;
constexpr int32_t sweepColumns = 500;

// One timed run with `workers` workers; false when it could not be made.
bool timedRun(int32_t workers, double* elapsed) {
    if (getInputFromUser) {
        runlog::pause();
    }
    DiagRun run;
    if (!timeDiagRun(&run, sweepRows, sweepColumns, workers, elapsed)) {
        return false;
    }
    arrayFloatToFile(run.results, "out.txt");
    releaseDiagRun(&run);
    if (generateExecutionData) {
        executionDataToCSV(
            ExecutionData{*elapsed, run.matrix.rows, run.matrix.columns, run.matrix.diagonals, workers},
            "infoData.csv");
    }
    return true;
}

}  // namespace

int benchmarkSweep() {
    for (int32_t workers = 1; workers < workerCountEnd; workers++) {
        double total = 0.0;
        for (int32_t i = 0; i < runsPerCount; i++) {
            double elapsed;
            if (!timedRun(workers, &elapsed)) {
                return -1;
            }
            total += elapsed;
        }
        printf("%d - %lf\n", workers, total / runsPerCount);
    }
    return 0;
}

#ifndef DIAGSUM_NO_ENTRY_POINT
int main() {
    return benchmarkSweep();
}
#endif
