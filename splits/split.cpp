#include "splits/split.h"

#include <algorithm>

#include "splits/diagonalwalk.h"

namespace {

constexpr DiagonalShare noShare{0, 0, 1};

// OpenMP's static schedule without a chunk: D / T diagonals each, and one
// more for each of the first D mod T workers.
DiagonalShare blockShare(int64_t diagonals, int32_t workers, int32_t k) {
    const int64_t base = diagonals / workers;
    const int64_t extra = diagonals % workers;
    const int64_t first = k * base + std::min<int64_t>(k, extra);
    return DiagonalShare{first, first + base + (k < extra ? 1 : 0), 1};
}

}  // namespace

DiagonalShare staticShare(Split split, int64_t diagonals, int32_t workers, int32_t k) {
    if (diagonals < 1 || workers < 1 || k < 0 || k >= workers) {
        return noShare;
    }
    switch (split) {
        case Split::roundRobin:
            return DiagonalShare{k, diagonals, workers};
        case Split::blocks:
            return blockShare(diagonals, workers, k);
        case Split::dynamic:
            break;
    }
    return noShare;
}

int64_t shareCells(Split split, int32_t rows, int32_t columns, int32_t workers, int32_t k) {
    const DiagonalShare share = staticShare(split, int64_t{rows} + columns - 1, workers, k);
    int64_t cells = 0;
    for (int64_t d = share.first; d < share.end; d += share.step) {
        cells += diagonalCells(rows, columns, d);
    }
    return cells;
}

std::optional<int64_t> staticElementsMax(Split split, int32_t rows, int32_t columns, int32_t workers) {
    if (split == Split::dynamic) {
        return std::nullopt;
    }
    int64_t most = 0;
    for (int32_t k = 0; k < workers; k++) {
        most = std::max(most, shareCells(split, rows, columns, workers, k));
    }
    return most;
}

std::optional<double> cellBalance(int32_t rows, int32_t columns, int32_t workers, int64_t elementsMax) {
    if (workers < 1 || elementsMax < 1 || rows < 1 || columns < 1) {
        return std::nullopt;
    }
    const double mean = static_cast<double>(int64_t{rows} * columns) / workers;
    return mean / static_cast<double>(elementsMax);
}
