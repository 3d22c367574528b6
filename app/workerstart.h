// Spawn runs whose workers are started with something of the user's
// choosing: a stack size, a CPU for each worker, a split other than the
// round-robin of threadSumFunc (splits/splitworker.h), or a record of each
// worker's start and end (trace/runtrace.h). The run is the same as
// timeDiagRun's (app/diagrun.h); only pthread_create's attributes and the
// start routine differ. A bound worker notes the CPU it starts on before it
// sums; a recorded worker runs its routine, unchanged, inside
// tracedWorkerStart, and the driver marks each create and each join. Runs
// with none of these go through timeDiagRun itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/diagrun.h"
#include "machine/binding.h"
#include "splits/splitworker.h"
#include "trace/runtrace.h"

// A bound worker's start: the routine it runs once it has noted its CPU.
struct PlacedWorker {
    void* (*routine)(void*);
    void* argument;
    int32_t* startCpu;
};

struct WorkerStart {
    size_t stackSize = 0;              // bytes; 0: the system's default
    const CpuMasks* masks = nullptr;   // the workers' CPUs; null: unbound
    SplitWork* split = nullptr;        // the split's shared work; null: threadSumFunc
    RunTrace* trace = nullptr;         // where the run is recorded; null: nothing is
    std::vector<int32_t> startCpus;    // per worker, the CPU it started on (bound runs)
    std::vector<PlacedWorker> placed;  // per worker, the bound start routine's argument
    std::vector<SplitWorker> shares;   // per worker, the split's start routine's argument
    std::vector<TracedWorker> traced;  // per worker, the recorder's argument
};

// Sizes the start notes for up to `workers` workers, and the slots of the
// split's and the recorder's arguments where `start` has a split or a
// trace (set them first), so that nothing is allocated for them inside a
// measured interval.
void reserveWorkerStarts(WorkerStart* start, int32_t workers);

// Starts every worker with the stack size and CPU `start` gives (each
// worker bound as it is created), running the split's worker body when
// there is a split, recorded when there is a trace, then joins them in
// index order. The split's work is prepared for this run by the caller,
// before the interval. Failures as sumDiagonals reports them (the
// attributes' own failure included).
bool sumDiagonalsStarted(DiagRun* run, WorkerStart* start);

// timeDiagRun with sumDiagonalsStarted: the attributes are made and set
// inside the measured interval, as part of starting the workers.
bool timeStartedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, WorkerStart* start,
                    RunTime* time);
