#include "splits/splitworker.h"

#include <algorithm>

#include "splits/diagonalwalk.h"

namespace {

// Sums diagonal d into its slot; false when it has no cell to read (its
// slot is then left alone, as the document's worker leaves it).
bool sumIntoSlot(Matrix matrix, Array* results, uint32_t d) {
    float sum;
    if (!sumDiagonal(matrix, d, &sum)) {
        return false;
    }
    results->data[d].value = sum;
    return true;
}

int32_t sumStaticShare(const SplitWork& work, int32_t k) {
    const Matrix matrix = *work.matrix;
    const DiagonalShare share = staticShare(work.split, matrix.diagonals, work.workers, k);
    int32_t sums = 0;
    for (int64_t d = share.first; d < share.end; d += share.step) {
        sums += sumIntoSlot(matrix, work.results, static_cast<uint32_t>(d)) ? 1 : 0;
    }
    return sums;
}

// The counter only hands out numbers; the slots a worker writes are
// published to the driver by the join, so no ordering is asked of it. It
// stops below 2^32: every worker takes at most one number past the last
// diagonal, and there are fewer than 2^31 diagonals and 2^16 workers.
int32_t sumTakenDiagonals(SplitWork* work, int32_t k) {
    const Matrix matrix = *work->matrix;
    const uint32_t end = matrix.diagonals > 0 ? static_cast<uint32_t>(matrix.diagonals) : 0;
    int32_t sums = 0;
    int64_t cells = 0;
    for (uint32_t d = work->next.fetch_add(1, std::memory_order_relaxed); d < end;
         d = work->next.fetch_add(1, std::memory_order_relaxed)) {
        if (sumIntoSlot(matrix, work->results, d)) {
            sums++;
            cells += diagonalCells(matrix.rows, matrix.columns, d);
        }
    }
    work->cells[static_cast<size_t>(k)] = cells;
    return sums;
}

}  // namespace

void prepareSplitWork(SplitWork* work, Split split, const Matrix* matrix, Array* results, int32_t workers) {
    work->matrix = matrix;
    work->results = results;
    work->workers = workers;
    work->split = split;
    work->cells.assign(static_cast<size_t>(std::max(workers, 0)), 0);
    work->next.store(0, std::memory_order_relaxed);
}

int32_t sumSplitShare(SplitWork* work, int32_t k) {
    if (k < 0 || k >= work->workers) {
        return 0;
    }
    if (work->split == Split::dynamic) {
        return sumTakenDiagonals(work, k);
    }
    return sumStaticShare(*work, k);
}

void* splitWorkerStart(void* worker) {
    const auto* self = static_cast<const SplitWorker*>(worker);
    sumSplitShare(self->work, self->k);
    return nullptr;
}

std::optional<int64_t> splitElementsMax(const SplitWork& work) {
    if (work.split != Split::dynamic) {
        return staticElementsMax(work.split, work.matrix->rows, work.matrix->columns, work.workers);
    }
    if (work.cells.empty()) {
        return std::nullopt;
    }
    return *std::max_element(work.cells.begin(), work.cells.end());
}
