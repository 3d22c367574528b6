// One run of the diagonal summation as both drivers perform it: the matrix
// of ones, the result and handle arrays, the worker argument table, and the
// workers started and joined. timeDiagRun is the interval the program
// measures.
#pragma once

#include <cstdint>

#include "app/diagworker.h"
#include "gridstore/gridstore.h"
#include "slotstore/slotstore.h"

struct DiagRun {
    Matrix matrix;
    Array results;     // one slot per diagonal, marked full
    Array handles;     // slot i holds worker i's thread handle
    ThreadArgs* args;  // one entry per worker
    int32_t numThreads;
};

// Creates the rows x columns matrix filled with 1.0, the result array of one
// slot per diagonal (top set to the last one), the handle array and the
// argument table of `numThreads` (1 ... maxWorkers) entries. On a failure prints one line that
// says what could not be made ("Erro ao alocar", with no newline, for the
// argument table), releases everything made so far and returns false.
bool prepareDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads);

// Starts every worker with default attributes, then joins them in index
// order. When a worker cannot be started, joins those already running,
// prints "Erro ao criar thread" and returns false; the run stays prepared.
bool sumDiagonals(DiagRun* run);

// Prepares the run and sums every diagonal, timed by the processor clock
// from before the first allocation to after the last join; `elapsed` gets
// the clock ticks between. On a failure (reported as above) releases
// everything and returns false.
bool timeDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, double* elapsed);

// Releases the matrix, the result array, the handle array and the argument
// table, in that order; parts already released are skipped.
void releaseDiagRun(DiagRun* run);
