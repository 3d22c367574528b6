// Spawn runs whose workers are started with attributes of the user's
// choosing: a stack size, and a CPU for each worker. The run is the same
// as timeDiagRun's (app/diagrun.h); only pthread_create's attributes
// differ, and a bound worker notes the CPU it starts on before it sums.
// Runs with neither go through timeDiagRun itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/diagrun.h"
#include "machine/binding.h"

// A bound worker's start: its arguments and where it notes its CPU.
struct PlacedWorker {
    ThreadArgs* args;
    int32_t* startCpu;
};

struct WorkerStart {
    size_t stackSize = 0;              // bytes; 0: the system's default
    const CpuMasks* masks = nullptr;   // the workers' CPUs; null: unbound
    std::vector<int32_t> startCpus;    // per worker, the CPU it started on (bound runs)
    std::vector<PlacedWorker> placed;  // per worker, the bound start routine's argument
};

// Sizes the start notes for up to `workers` workers, so that nothing is
// allocated for them inside a measured interval.
void reserveWorkerStarts(WorkerStart* start, int32_t workers);

// Starts every worker with the stack size and CPU `start` gives (each
// worker bound as it is created), then joins them in index order. Failures
// as sumDiagonals reports them (the attributes' own failure included).
bool sumDiagonalsStarted(DiagRun* run, WorkerStart* start);

// timeDiagRun with sumDiagonalsStarted: the attributes are made and set
// inside the measured interval, as part of starting the workers.
bool timeStartedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, WorkerStart* start,
                    RunTime* time);
