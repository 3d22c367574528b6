// Microbenchmarks of one run and of the worker, against a plain loop that
// sums the same diagonals, in the same order, over one contiguous block.
#include <benchmark/benchmark.h>
#include <pthread.h>

#include <cstdint>
#include <ctime>
#include <vector>

#include "app/diagrun.h"
#include "app/diagworker.h"
#include "floatfiles/floatfiles.h"
#include "gridstore/gridstore.h"
#include "slotstore/slotstore.h"

namespace {

constexpr int32_t side = 500;

// One whole run as the sweep times it: create and fill, start and join T
// workers, release.
void WholeRun(benchmark::State& state) {
    const auto workers = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        DiagRun run;
        if (!prepareDiagRun(&run, side, side, workers) || !sumDiagonals(&run)) {
            state.SkipWithError("run could not be made");
            break;
        }
        releaseDiagRun(&run);
    }
}
BENCHMARK(WholeRun)
    ->Name("WholeRun/cpu")
    ->RangeMultiplier(2)
    ->Range(1, 64)
    ->Arg(127)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeRun)
    ->Name("WholeRun/real")
    ->RangeMultiplier(2)
    ->Range(1, 64)
    ->Arg(127)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct TimedWorker {
    ThreadArgs args;
    double start;
    double end;
};

void stopClock(void* worker) {
    static_cast<TimedWorker*>(worker)->end = now();
}

// Runs the worker and notes when it ends; the worker leaves through
// pthread_exit, which runs the cleanup handler.
void* timedWorker(void* raw) {
    auto* worker = static_cast<TimedWorker*>(raw);
    void* result = nullptr;
    pthread_cleanup_push(stopClock, worker);
    worker->start = now();
    result = threadSumFunc(&worker->args);
    pthread_cleanup_pop(1);
    return result;
}

// One worker summing all 999 diagonals; the thread's start-up is not timed.
void WorkerAllDiagonals(benchmark::State& state) {
    DiagRun run;
    if (!prepareDiagRun(&run, side, side, 1)) {
        state.SkipWithError("run could not be made");
        return;
    }
    for (auto _ : state) {
        TimedWorker worker{ThreadArgs{&run.matrix, 0, 1, &run.results}, 0, 0};
        pthread_t thread;
        pthread_create(&thread, nullptr, timedWorker, &worker);
        pthread_join(thread, nullptr);
        state.SetIterationTime(worker.end - worker.start);
    }
    benchmark::DoNotOptimize(run.results.data[side - 1].value);
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * side * side,
                                                   benchmark::Counter::kIsRate);
    releaseDiagRun(&run);
}
BENCHMARK(WorkerAllDiagonals)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same sums as plain loops over one block, cells added in the same order.
void PlainLoopBaseline(benchmark::State& state) {
    std::vector<float> block(static_cast<size_t>(side) * side, 1.0f);
    std::vector<float> sums(2 * side - 1);
    for (auto _ : state) {
        for (int32_t d = 0; d < 2 * side - 1; d++) {
            int32_t row = d < side ? side - 1 - d : 0;
            int32_t column = d < side ? 0 : d - side + 1;
            float sum = block[static_cast<size_t>(row) * side + column];
            for (row++, column++; row < side && column < side; row++, column++) {
                sum += block[static_cast<size_t>(row) * side + column];
            }
            sums[d] = sum;
        }
        benchmark::DoNotOptimize(sums.data());
        benchmark::ClobberMemory();
    }
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * side * side,
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(PlainLoopBaseline)->Unit(benchmark::kMicrosecond);

// Writing the 999 sums of a run to out.txt.
void ResultFile(benchmark::State& state) {
    DiagRun run;
    if (!prepareDiagRun(&run, side, side, 1) || !sumDiagonals(&run)) {
        state.SkipWithError("run could not be made");
        return;
    }
    const char* path = "/tmp/diagsum-bench-out.txt";
    for (auto _ : state) {
        arrayFloatToFile(run.results, path);
    }
    std::remove(path);
    releaseDiagRun(&run);
}
BENCHMARK(ResultFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
