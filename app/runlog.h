// The execution log: one line appended per run to a semicolon-separated
// file (infoData.csv) for spreadsheets that use the decimal comma, and the
// console pause the drivers use when the settings ask for input.
#pragma once

#include <cstdint>

struct ExecutionData {
    double time;  // processor-clock ticks of the run, all threads together
    int32_t rows;
    int32_t columns;
    int32_t diagonals;
    int32_t threads;
};

// Appends "time; rows; columns; diagonals; threads\n" to `fileName`
// (created when missing), the time with two decimals and a decimal comma:
// 12345 ticks on 500 x 500 with one worker gives "12345,00; 500; 500; 999; 1".
// Every time is written whole, however large. An unopenable file is skipped.
void executionDataToCSV(ExecutionData data, const char* fileName);

// Overwrites every `find` in the NUL-terminated `text` with `replacement`.
void replaceChar(char* text, char find, char replacement);

namespace runlog {

// Prints "\nPressione enter para continuar..." and waits for one character
// (the Enter) from standard input.
void pause();

}  // namespace runlog
