// The matrix store: an M x N matrix of single-precision floats, the bounds
// tests and element access the diagonal walk needs, and the numbering of the
// diagonals that run down and to the right.
//
// Diagonal d (0 <= d < rows + columns - 1) holds the cells whose
// column - row equals d - (rows - 1): diagonal 0 is the bottom-left cell, the
// main diagonal is number rows - 1 and the last one is the top-right cell.
//
// Every operation except createMatrix and deleteMatrix takes the record by
// value, so copies of one record share the same rows.
#pragma once

#include <cstdint>

struct Coord {
    int32_t row;
    int32_t column;
};

struct Matrix {
    float** values;  // table of `rows` row pointers, each row `columns` floats
    int32_t rows;
    int32_t columns;
    int32_t diagonals;  // rows + columns - 1, fixed at creation
};

// Sets the sizes, then allocates the row table and every row; cells are left
// unset. On an allocation failure prints "Erro 1 ao alocar matriz" (table) or
// "Erro 2 ao alocar matriz" (a row), waits for Enter, releases whatever it had
// allocated, leaves `values` null and returns false. Sizes whose rows,
// columns or diagonals do not fit a signed 32-bit value are refused with false
// before anything is allocated (the record is then an empty 0 x 0 matrix).
bool createMatrix(Matrix* matrix, uint32_t rows, uint32_t columns);

// True when 0 <= row < rows and 0 <= column < columns.
inline bool coordIsInsideMatrix(Matrix matrix, Coord coord);

// Moves the coordinate one cell down and to the right and returns true; when
// that cell lies outside the matrix, leaves the coordinate as it was and
// returns false.
inline bool getNextElementPositionMdiags(Matrix matrix, Coord* coord);

// Copies the cell into `value` and returns true; outside the matrix stores
// the marker -500.0 and returns false.
inline bool getElement(Matrix matrix, Coord coord, float* value);

// Writes the cell and returns true; outside the matrix changes nothing and
// returns false.
inline bool setElement(Matrix matrix, Coord coord, float value);

// Puts the first (top-left) cell of diagonal `diagonal` into `coord` and
// returns true; a number past the last diagonal, or any number when the
// matrix has no diagonals, returns false and leaves `coord` alone.
inline bool digaNumToCoord(Matrix matrix, uint32_t diagonal, Coord* coord);

// Stores `value` into every cell.
void fillMatrix(Matrix matrix, float value);

// Releases the rows and the row table and sets `values` to null; the sizes
// stay readable. A record whose `values` is null is left alone.
void deleteMatrix(Matrix* matrix);

// Stores one rand() result per cell, converted to float, in row-major order:
// the same seed gives the same matrix.
void fillMatrixWithRandom(Matrix matrix);

// Prints every row as "[%.1f] " per cell followed by a newline.
void printMatrix(Matrix matrix);

#include "gridstore/gridstore_inline.h"
