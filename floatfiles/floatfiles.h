// Float text files: the diagonal sums written out one per line, and a matrix
// read from (or random floats written to) a whitespace-separated text file.
// Each call opens, works on and closes its file; a file that cannot be
// opened is skipped without a message.
#pragma once

#include <cstdint>
#include <string>

#include "gridstore/gridstore.h"
#include "slotstore/slotstore.h"

// The float of every slot in use, slot 0 first, as "%f\n": the bytes
// arrayFloatToFile writes.
std::string floatLines(Array array);

// Creates or truncates `fileName` and writes floatLines(array) to it.
void arrayFloatToFile(Array array, const char* fileName);

// Reads whitespace-separated floats ("%f" syntax) from `fileName` into the
// matrix in row-major order. Reading stops at the end of the file, at the
// first text that is not a number, or when every cell is set: cells from
// there on keep their contents, and values beyond the last cell are ignored.
// A missing file changes nothing.
void fileToMatrix(Matrix matrix, const char* fileName);

// Writes `count` pseudo-random values (rand() % 60, times 0.5: 0.0 to 29.5)
// as "%f " on one line with no newline; a count of 0 or less gives an empty
// file.
void generateRandomFloatFile(const char* fileName, int32_t count);
