// The worker every summing thread runs. With T workers, worker k sums
// diagonals k, k + T, k + 2T, ... of the shared matrix and stores each sum in
// the result slot of that diagonal, so no two workers touch the same slot and
// nothing needs a lock: joining the workers is the only synchronisation.
#pragma once

#include <cstdint>
#include <limits>

#include "gridstore/gridstore.h"
#include "plan/workers.h"
#include "slotstore/slotstore.h"

struct ThreadArgs {
    Matrix* matrix;      // the run's matrix, read only
    uint16_t id;         // worker index k, also its first diagonal
    int32_t numThreads;  // T, the step between its diagonals
    Array* results;      // at least `diagonals` slots; slot d receives diagonal d
};

// maxWorkers (plan/workers.h) is as many workers as `id` can number.
static_assert(maxWorkers - 1 == std::numeric_limits<decltype(ThreadArgs::id)>::max());

// The body of a worker, shared by every way of running one: sums the cells
// of each of its diagonals as 32-bit floats from the top-left end to the
// bottom-right end, in that order, and stores each sum in the diagonal's
// slot. A worker whose index is past the last diagonal, or that is told of
// fewer than one worker, sums nothing. With printInfoProcess, prints a start
// line, a line per diagonal and an end line. Returns how many diagonals it
// summed.
int32_t sumWorkerDiagonals(const ThreadArgs* args);

// Thread start routine; `args` is the worker's ThreadArgs. Runs
// sumWorkerDiagonals, then ends with pthread_exit(nullptr).
void* threadSumFunc(void* args);
