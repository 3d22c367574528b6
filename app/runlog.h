// The execution log: one line appended per run to a semicolon-separated
// file (infoData.csv) for spreadsheets that use the decimal comma, and the
// console pause the drivers use when the settings ask for input.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Appends `length` bytes to the file open on `fd` (opened with O_APPEND) in
// one write(2), so lines of processes appending at the same time never mix.
// When only part of the line goes in, the file is cut back to where the line
// began. The write and the cut are made under an exclusive flock(2) of the
// file, so the cut never takes a line another appender wrote meanwhile. Returns 0, or the errno of the failure (for a short write, EFBIG
// past the file-size limit, ENOSPC on a full file system, else EIO).
int appendWholeLine(int fd, const char* text, size_t length);

// Appends the line of `data` to `fileName` (created when missing) in one
// write on an O_APPEND descriptor, as appendWholeLine does. An unopenable
// file is skipped, and a failed write is not reported.
void executionDataToCSV(ExecutionData data, const char* fileName);

// Overwrites every `find` in the NUL-terminated `text` with `replacement`.
void replaceChar(char* text, char find, char replacement);

namespace runlog {

// Prints "\nPressione enter para continuar..." and waits for one character
// (the Enter) from standard input.
void pause();

}  // namespace runlog
