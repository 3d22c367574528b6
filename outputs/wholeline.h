// Whole lines appended to a file that others may append to at the same
// time: each line in one write(2) on an O_APPEND descriptor, so lines of
// processes appending together never mix, under an exclusive flock(2) that
// every appender takes in turn, so that a line that went in only in part
// can be taken back without taking another appender's line with it.
#pragma once

#include <sys/types.h>

#include <cstddef>

// A part of a line that went in and could be neither cut back off nor
// completed: the file ends inside a line from `begin` to `end`. The next
// append (or repairTornLine) tries again to cut it off, as long as the
// file still ends where the part did.
struct TornLine {
    off_t begin = -1;  // -1: the file ends with a whole line
    off_t end = -1;
};

// Appends `length` bytes to the file open on `fd` (opened with O_APPEND)
// in one write(2), after taking the file's lock. The lock is waited for
// without blocking, tried every 50 ms; once a stop is recorded it is
// waited for no longer and nothing is written (EINTR). When only part of
// the line goes in, the file is cut back to where it began, or, when that
// fails, the rest is written after it; when both fail the part is recorded
// in `torn`. A file that cannot be locked at all (flock unsupported there)
// is still written, a part then left as it is. Returns 0, or the errno of
// the failure (for a short write, EFBIG past the file-size limit, ENOSPC
// on a full file system, else EIO).
int appendWholeLine(int fd, const char* text, size_t length, TornLine* torn);

// Cuts off the part recorded in `torn`, under the file's lock, when the
// file still ends where it did (nothing appended after it). Returns 0 when
// the file now ends with a whole line, else the errno.
int repairTornLine(int fd, TornLine* torn);
