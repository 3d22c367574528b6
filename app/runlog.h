// The execution log: one line appended per run to a semicolon-separated
// file (infoData.csv) for spreadsheets that use the decimal comma, and the
// console pause the drivers use when the settings ask for input. The lines
// go in whole (outputs/wholeline); the drivers append through their open
// log (outputs/logappend).
#pragma once

#include <cstddef>
#include <cstdint>

#include "outputs/logappend.h"

struct ExecutionData {
    double time;  // processor-clock ticks of the run, all threads together
    int32_t rows;
    int32_t columns;
    int32_t diagonals;
    int32_t threads;
};

// One log line: "time; rows; columns; diagonals; threads\n", the time with
// two decimals and a decimal comma: 12345 ticks on 500 x 500 with one worker
// gives "12345,00; 500; 500; 999; 1\n". Every time is written whole, however
// large.
struct ExecutionLine {
    char text[384];
    size_t length;
};
ExecutionLine formatExecutionLine(ExecutionData data);

// Appends the line of `data` to `fileName` (created when missing) in one
// write on an O_APPEND descriptor, whole (appendWholeLine). An unopenable
// file is skipped, and a failed write is not reported.
void executionDataToCSV(ExecutionData data, const char* fileName);

// Appends the line of `data` to a driver's open log (appendLogLine): a
// failure is reported there.
void appendToLog(LogAppender* log, ExecutionData data);

// Overwrites every `find` in the NUL-terminated `text` with `replacement`.
void replaceChar(char* text, char find, char replacement);

namespace runlog {

// Prints "\nPressione enter para continuar..." and waits for one character
// (the Enter) from standard input.
void pause();

}  // namespace runlog
