// Definitions of the per-cell operations. They live in a header so that the
// worker's loop over a diagonal compiles into plain loads and compares
// instead of a call per cell; gridstore.h is their manual.
#pragma once

#include <cstdint>

inline constexpr float gridstoreOutsideMarker = -500.0f;

inline bool coordIsInsideMatrix(Matrix matrix, Coord coord) {
    return coord.row >= 0 && coord.column >= 0 && coord.row < matrix.rows && coord.column < matrix.columns;
}

inline bool getNextElementPositionMdiags(Matrix matrix, Coord* coord) {
    // Computed in 64 bits so that a coordinate at the edge of the int32 range
    // cannot overflow; such a step always leaves the matrix.
    const int64_t row = int64_t{coord->row} + 1;
    const int64_t column = int64_t{coord->column} + 1;
    if (row < 0 || column < 0 || row >= matrix.rows || column >= matrix.columns) {
        return false;
    }
    coord->row = static_cast<int32_t>(row);
    coord->column = static_cast<int32_t>(column);
    return true;
}

inline bool getElement(Matrix matrix, Coord coord, float* value) {
    if (!coordIsInsideMatrix(matrix, coord)) {
        *value = gridstoreOutsideMarker;
        return false;
    }
    *value = matrix.values[coord.row][coord.column];
    return true;
}

inline bool setElement(Matrix matrix, Coord coord, float value) {
    if (!coordIsInsideMatrix(matrix, coord)) {
        return false;
    }
    matrix.values[coord.row][coord.column] = value;
    return true;
}

inline bool digaNumToCoord(Matrix matrix, uint32_t diagonal, Coord* coord) {
    // A 0 x 0 matrix has -1 diagonals; as an unsigned bound that would accept
    // every number.
    if (matrix.diagonals <= 0 || diagonal > static_cast<uint32_t>(matrix.diagonals - 1)) {
        return false;
    }
    if (diagonal <= static_cast<uint32_t>(matrix.rows - 1)) {
        coord->row = static_cast<int32_t>(static_cast<uint32_t>(matrix.rows - 1) - diagonal);
        coord->column = 0;
    } else {
        coord->row = 0;
        coord->column = static_cast<int32_t>(diagonal - static_cast<uint32_t>(matrix.rows - 1));
    }
    return true;
}
