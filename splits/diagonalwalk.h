// The walk of one diagonal: the one place that says how a diagonal is
// summed, for the document's worker (app/diagworker) and for every split
// alike, so that any split leaves the same sums to the bit. Inline, like the
// cell operations it calls, so that a worker's loop compiles into plain
// loads and adds.
#pragma once

#include <algorithm>
#include <cstdint>

#include "gridstore/gridstore.h"

// Sums diagonal `diagonal` as 32-bit float additions, one cell at a time
// from its top-left end to its bottom-right end, into `sum`. False, with
// `sum` left alone, when the diagonal has no first cell to read.
inline bool sumDiagonal(Matrix matrix, uint32_t diagonal, float* sum) {
    Coord cell;
    if (!digaNumToCoord(matrix, diagonal, &cell)) {
        return false;
    }
    float value;
    if (!getElement(matrix, cell, &value)) {
        return false;
    }
    float total = value;
    while (getNextElementPositionMdiags(matrix, &cell)) {
        if (!getElement(matrix, cell, &value)) {
            break;
        }
        total += value;
    }
    *sum = total;
    return true;
}

// How many cells diagonal `diagonal` of a rows x columns matrix holds (the
// cells sumDiagonal adds); 0 for a number past the last diagonal.
inline int64_t diagonalCells(int32_t rows, int32_t columns, int64_t diagonal) {
    const int64_t diagonals = int64_t{rows} + columns - 1;
    if (rows < 1 || columns < 1 || diagonal < 0 || diagonal >= diagonals) {
        return 0;
    }
    return std::min({diagonal + 1, int64_t{rows}, int64_t{columns}, diagonals - diagonal});
}
