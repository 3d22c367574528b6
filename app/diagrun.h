// One run of the diagonal summation as both drivers perform it: the matrix
// of ones, the result and handle arrays, the worker argument table, and the
// workers started and joined. timeDiagRun is the interval the program
// measures, read with the clocks of counters/runclock.h.
#pragma once

#include <cstdint>
#include <string>

#include "app/diagworker.h"
#include "counters/runclock.h"
#include "gridstore/gridstore.h"
#include "outputs/replace.h"
#include "slotstore/slotstore.h"

struct DiagRun {
    Matrix matrix;
    Array results;     // one slot per diagonal, marked full
    Array handles;     // slot i holds worker i's thread handle
    ThreadArgs* args;  // one entry per worker
    int32_t numThreads;
};

// Creates the rows x columns matrix (both at least 1) filled with 1.0, the result array of one
// slot per diagonal (top set to the last one), the handle array and the
// argument table of `numThreads` (1 ... maxWorkers) entries. On a failure prints one line that
// says what could not be made ("Erro ao alocar", with no newline, for the
// argument table), releases everything made so far and returns false.
bool prepareDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads);

// Starts every worker with default attributes, then joins them in index
// order. When a worker cannot be started, joins those already running,
// prints which one of how many and why ("diagsum: Could not create thread 2
// of 40000: Resource temporarily unavailable", the program's name as
// reportingProgram gives it, and the strerror of pthread_create's result)
// and returns false; the run stays prepared.
bool sumDiagonals(DiagRun* run);

// Joins workers 0 ... count - 1, in index order.
void joinWorkers(DiagRun* run, int32_t count);

// Worker `started` could not be started (`error`, pthread's result): joins
// the workers before it, prints "Could not create thread ..." as
// sumDiagonals does and returns false.
bool failWorkerStart(DiagRun* run, int32_t started, int error);

// One way of summing a prepared run's diagonals (sumDiagonals, or workers
// started with attributes, or a pool team), told `how` by its caller.
// False after one line saying why.
using DiagonalSummer = bool (*)(DiagRun* run, void* how);

// Prepares the run and sums it with `sum`, timed from before the first
// allocation to after the last worker is done, so every way of making a
// run is measured alike. On a failure (reported as above) releases
// everything and returns false.
bool timeSummedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, DiagonalSummer sum,
                   void* how, RunTime* time);

// timeSummedRun with sumDiagonals: timed from before the first allocation
// to after the last join.
bool timeDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, RunTime* time);
// The same run where only the processor-clock ticks are wanted.
bool timeDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, double* elapsed);

// The text of the run's sums (floatLines) into `text`. False after one line
// on stderr, starting with `program`, when there was not memory for it
// (about 12 bytes a diagonal): the file `outName` is then not written.
bool runSumsText(Array results, const char* program, const std::string& outName, std::string* text);

// Writes the run's sums to `out` (floatLines, whole-file replacement; a
// failure to write is reported there). False after one line on stderr,
// starting with `program`, when there was not memory for the text of the
// sums (about 12 bytes a diagonal, on top of the run's own parts): `out`
// then stays as it was.
bool writeRunSums(OutputFile* out, Array results, const char* program);

// Releases the matrix, the result array, the handle array and the argument
// table, in that order; parts already released are skipped.
void releaseDiagRun(DiagRun* run);
