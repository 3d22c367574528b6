// The standard descriptors: held open so that no output takes their place,
// and standard output written so that the means already computed are out
// even if the program is then killed. A standard output whose reader is
// gone (a closed pipe: `diagsum | head -1`) is no failure to report: it
// stops the sweep (outputs/stopsignals), which then ends as a pipe death.
#pragma once

#include <cstdint>
#include <cstdio>

#include "outputs/outputfile.h"

// Opens /dev/null for reading on each of descriptors 0, 1 and 2 that is
// closed, so that no file the program opens takes the place of one: the
// means written to a closed standard output then fail (EBADF) and are
// reported instead of landing in the log.
void holdStandardDescriptors();

// Flushes `stream`; when it fails (or a write to it failed earlier),
// reports `file` and returns false. Standard output whose reader is gone is
// not reported but records the stop instead.
bool flushOutput(OutputFile* file, FILE* stream);

// Prints the sweep's mean line, "%d - %lf\n" ("%d - %lf %s\n" with the
// mode's name when `mode` is given), and flushes it. Failures are handled
// as flushOutput does.
void printMeanLine(OutputFile* file, FILE* stream, int32_t workers, double mean, const char* mode = nullptr);
