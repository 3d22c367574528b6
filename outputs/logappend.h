// The run log as a driver writes it: opened once before the first run, one
// whole line appended per run (app/runlog: one write, under an exclusive
// lock, a line that went in only in part cut back off), every failure
// reported once.
#pragma once

#include <string>

#include "app/runlog.h"
#include "outputs/outputfile.h"

struct LogAppender {
    OutputFile file;  // name: the log's path
    int fd = -1;
    std::string createAt;  // a missing log, made with its first line here (where its links lead)
};

// Opens `path` for appending. A missing log is not created yet: a file must
// be creatable where it will be, and the first line creates it, so that a
// program that measures nothing leaves no empty log behind. A pipe is
// waited for until it has a reader or a stop signal comes. When it cannot be
// opened, reports it and returns false.
bool openLogAppender(LogAppender* log, const std::string& path);

// Appends the line of `data` (formatExecutionLine), creating a missing log
// first (0666 less the umask). A failure is reported. A log that is not
// open is left alone.
void appendToLog(LogAppender* log, ExecutionData data);

// Closes the log; a failed close is reported.
void closeLogAppender(LogAppender* log);
