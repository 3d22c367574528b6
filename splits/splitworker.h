// The worker bodies of the splits (splits/split.h): what worker k of T does
// in a run dealt round-robin, in blocks or dynamically. A body is a plain
// call, sumSplitShare(work, k), so that a spawned thread (splitWorkerStart)
// and an OpenMP team member (calling it with its thread number) run the
// same code. Each diagonal is summed by sumDiagonal and stored in its own
// result slot, so every split leaves the slots the document's worker
// leaves; the workers share nothing writable but the dynamic split's
// counter, and joining them (or the team's closing barrier) is the only
// synchronisation the driver needs before it reads the slots.
//
// Runs dealt round-robin normally go through the document's worker itself
// (threadSumFunc, app/diagworker); its body here walks the same diagonals
// for a caller that has only a SplitWork.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "gridstore/gridstore.h"
#include "slotstore/slotstore.h"
#include "splits/split.h"

// What the workers of one run share. Not copied: the workers point at it.
struct SplitWork {
    const Matrix* matrix = nullptr;  // the run's matrix, read only
    Array* results = nullptr;        // at least `diagonals` slots; slot d receives diagonal d
    int32_t workers = 0;             // T
    Split split = defaultSplit;
    std::vector<int64_t> cells;  // dynamic split: per worker, the cells it summed
    // The next diagonal nobody has taken (dynamic split), on a cache line of
    // its own so that taking one does not disturb the fields every worker reads.
    alignas(64) std::atomic<uint32_t> next{0};
};

// Readies `work` for one run of `workers` workers: the counter back to 0 and
// every worker's cell count to 0. Allocates only when `workers` passes what
// an earlier call made room for, so a caller that prepares once with the
// largest count allocates nothing later.
void prepareSplitWork(SplitWork* work, Split split, const Matrix* matrix, Array* results, int32_t workers);

// Worker k's part of the run: sums each diagonal its split gives it (the
// dynamic split: each diagonal it takes from the counter, until none is
// left) and stores each sum in the diagonal's slot; the dynamic split then
// stores in cells[k] how many cells it summed. Copies the matrix record
// once, allocates nothing, takes no lock. Sums nothing for k outside
// 0 ... workers - 1. Returns how many diagonals it summed.
int32_t sumSplitShare(SplitWork* work, int32_t k);

// A spawned worker's argument: the shared work and its index.
struct SplitWorker {
    SplitWork* work;
    int32_t k;
};

// Thread start routine; `worker` is a SplitWorker. Runs sumSplitShare and
// returns null.
void* splitWorkerStart(void* worker);

// The most cells one worker summed in the run `work` describes (its
// elements_max): from the geometry for a static split, from the workers'
// own counts for the dynamic split (read after every worker has ended).
std::optional<int64_t> splitElementsMax(const SplitWork& work);
