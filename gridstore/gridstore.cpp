#include "gridstore/gridstore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Tells the user, then waits for Enter so the message is seen before the
// caller carries on.
void reportAllocationFailure(const char* message) {
    puts(message);
    getchar();
}

void freeRows(float** table, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) {
        free(table[i]);
    }
}

}  // namespace

bool createMatrix(Matrix* matrix, uint32_t rows, uint32_t columns) {
    matrix->values = nullptr;
    const int64_t diagonals = int64_t{rows} + int64_t{columns} - 1;
    if (rows > INT32_MAX || columns > INT32_MAX || diagonals > INT32_MAX) {
        matrix->rows = 0;
        matrix->columns = 0;
        matrix->diagonals = -1;
        return false;
    }
    matrix->rows = static_cast<int32_t>(rows);
    matrix->columns = static_cast<int32_t>(columns);
    matrix->diagonals = static_cast<int32_t>(diagonals);

    // The allocator may answer a request for zero bytes with null; only a
    // null for a real request is a failure.
    auto** table = static_cast<float**>(malloc(sizeof(float*) * rows));
    if (table == nullptr && rows > 0) {
        reportAllocationFailure("Erro 1 ao alocar matriz");
        return false;
    }
    for (uint32_t i = 0; i < rows; i++) {
        table[i] = static_cast<float*>(malloc(sizeof(float) * columns));
        if (table[i] == nullptr && columns > 0) {
            freeRows(table, i);
            free(table);
            reportAllocationFailure("Erro 2 ao alocar matriz");
            return false;
        }
    }
    matrix->values = table;
    return true;
}

void fillMatrix(Matrix matrix, float value) {
    for (int32_t i = 0; i < matrix.rows; i++) {
        for (int32_t j = 0; j < matrix.columns; j++) {
            matrix.values[i][j] = value;
        }
    }
}

void deleteMatrix(Matrix* matrix) {
    if (matrix->values == nullptr) {
        return;
    }
    freeRows(matrix->values, static_cast<uint32_t>(matrix->rows));
    free(matrix->values);
    matrix->values = nullptr;
}

void fillMatrixWithRandom(Matrix matrix) {
    for (int32_t i = 0; i < matrix.rows; i++) {
        for (int32_t j = 0; j < matrix.columns; j++) {
            matrix.values[i][j] = static_cast<float>(rand());
        }
    }
}

void printMatrix(Matrix matrix) {
    for (int32_t i = 0; i < matrix.rows; i++) {
        for (int32_t j = 0; j < matrix.columns; j++) {
            printf("[%.1f] ", static_cast<double>(matrix.values[i][j]));
        }
        putchar('\n');
    }
}
