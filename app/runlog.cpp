#include "app/runlog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "floatfiles/fixedtext.h"

// "%.2lf", then "; %d" four times and the newline; any double fits.
static_assert(sizeof(ExecutionLine::text) >= fixedTextCapacity(2) + 4 * 13 + 2);

namespace {

// Why a regular file took only part of a write that was to end at `end`:
// the file-size limit, a full file system, or an I/O error when neither.
int shortWriteReason(int fd, off_t end) {
    rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(end) > limit.rlim_cur) {
        return EFBIG;
    }
    struct statvfs fs;
    if (fstatvfs(fd, &fs) == 0 && fs.f_bavail == 0) {
        return ENOSPC;
    }
    return EIO;
}

}  // namespace

ExecutionLine formatExecutionLine(ExecutionData data) {
    ExecutionLine line;
    char* end = formatFixed(line.text, data.time, 2);
    *end = '\0';
    replaceChar(line.text, '.', ',');
    for (int32_t field : {data.rows, data.columns, data.diagonals, data.threads}) {
        *end++ = ';';
        *end++ = ' ';
        end = std::to_chars(end, line.text + sizeof line.text, field).ptr;
    }
    *end++ = '\n';
    line.length = static_cast<size_t>(end - line.text);
    return line;
}

namespace {

// Writes the line once; a line that went in only in part is cut back off.
// The caller holds the log's lock, so no other appender's line can follow
// the part: the file ends where this write ended, and the cut is checked
// against that all the same.
int writeOrTakeBack(int fd, const char* text, size_t length) {
    const ssize_t written = write(fd, text, length);
    if (written < 0) {
        return errno;
    }
    if (static_cast<size_t>(written) == length) {
        return 0;
    }
    // With O_APPEND the offset is now the end of what went in.
    const off_t end = lseek(fd, 0, SEEK_CUR);
    if (end < written) {
        return EIO;  // not a file with an offset: nothing to take back
    }
    const off_t begin = end - written;
    struct stat status;
    if (fstat(fd, &status) != 0) {
        return errno;
    }
    // A process that ignores the lock may have appended since: the part then
    // stays rather than cut that line.
    if (status.st_size == end && ftruncate(fd, begin) != 0) {
        return errno;  // the part stays: say why it could not be taken back
    }
    return shortWriteReason(fd, begin + static_cast<off_t>(length));
}

}  // namespace

int appendWholeLine(int fd, const char* text, size_t length) {
    // Appenders that share the log take its lock in turn. A file that cannot
    // be locked (flock unsupported there) is still written; a part that goes
    // in is then left as it is rather than cut back blindly.
    int locked;
    do {
        locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const ssize_t written = write(fd, text, length);
        return written < 0 ? errno : static_cast<size_t>(written) == length ? 0 : EIO;
    }
    const int error = writeOrTakeBack(fd, text, length);
    flock(fd, LOCK_UN);
    return error;
}

void executionDataToCSV(ExecutionData data, const char* fileName) {
    const int fd = open(fileName, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return;
    }
    const ExecutionLine line = formatExecutionLine(data);
    appendWholeLine(fd, line.text, line.length);
    close(fd);
}

void replaceChar(char* text, char find, char replacement) {
    if (text == nullptr) {
        return;
    }
    for (; *text != '\0'; text++) {
        if (*text == find) {
            *text = replacement;
        }
    }
}

namespace runlog {

void pause() {
    printf("\nPressione enter para continuar...");
    getchar();
}

}  // namespace runlog
