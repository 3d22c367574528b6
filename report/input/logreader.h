// Reading the execution log (infoData.csv) into the model. The log holds
// lines as the program writes them ("12345,67; 500; 500; 999; 4": ticks with
// a decimal comma, rows, columns, diagonals, workers), with any number of
// sweeps appended; report/sweep/sweepsplit.h says where each begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "report/sweep/model.h"

struct LogRow {
    double ticks;
    int32_t rows;
    int32_t columns;
    int32_t diagonals;
    int32_t threads;
};

// Parses one log line (a trailing '\r' is allowed). False, with a short
// reason, when it is not a line the program writes.
bool parseLogLine(std::string_view line, LogRow* row, std::string* reason);

// Reads every line of a log as input `file` of `model` (model->files[file]
// exists), freeing the text once its lines are read: spawn runs of the default settings, numbered in line order, in
// the sweeps the lines hold. Lines of nothing but spaces and tabs (and a
// CRLF's '\r') are skipped quietly; other lines that do not parse are listed
// in the file's problems with their 1-based line number and skipped. The
// groups are left unfinished (finishRuns).
void readLog(std::string text, SweepModel* model, size_t file);
