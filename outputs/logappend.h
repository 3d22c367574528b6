// The run log as a driver writes it: opened once before the first run, one
// whole line appended per run (outputs/wholeline: one write, under the
// log's lock, a line that went in only in part taken back), every failure
// reported once, and the log synced to the disk when it is closed.
#pragma once

#include <cstddef>
#include <string>

#include "outputs/outputfile.h"
#include "outputs/wholeline.h"

struct LogAppender {
    OutputFile file;  // name: the log's path
    int fd = -1;
    std::string createAt;     // a missing log, made with its first line here (where its links lead)
    TornLine torn;            // a part of a line still to cut off
    size_t linesGivenUp = 0;  // lines not written: a stop came while another process held the lock
};

// Opens `path` for appending. A missing log is not created yet: a file must
// be creatable where it will be, and the first line creates it, so that a
// program that measures nothing leaves no empty log behind. A pipe is
// waited for until it has a reader or a stop signal comes. When it cannot be
// opened, reports it and returns false.
bool openLogAppender(LogAppender* log, const std::string& path);

// Appends the `length` bytes of `line` (one whole line), creating a missing
// log first (0666 less the umask). A failure is reported; a line given up
// because a stop came while another process held the log's lock is counted
// in `linesGivenUp` instead, for the stop's message to say. A log that is
// not open is left alone.
void appendLogLine(LogAppender* log, const char* line, size_t length);

// Cuts off a torn part still there, syncs the log to the disk and closes
// it; each failure is reported.
void closeLogAppender(LogAppender* log);
