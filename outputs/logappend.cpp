#include "outputs/logappend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "outputs/filesync.h"
#include "outputs/outputcheck.h"
#include "outputs/outputpath.h"
#include "outputs/stopsignals.h"

namespace {

constexpr int pipeWaitMillis = 50;

// Opens the log; a pipe without a reader is tried again until it has one or
// a stop signal comes (EINTR), then written with blocking writes.
int openForAppending(const std::string& path, bool pipe, int* fd) {
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (pipe ? O_NONBLOCK : 0);
    for (;;) {
        *fd = open(path.c_str(), flags);
        if (*fd >= 0) {
            break;
        }
        if (errno != EINTR && !(pipe && errno == ENXIO)) {
            return errno;
        }
        if (stopSignal() != 0) {
            return EINTR;
        }
        poll(nullptr, 0, pipeWaitMillis);
    }
    if (pipe) {
        fcntl(*fd, F_SETFL, O_WRONLY | O_APPEND);
    }
    return 0;
}

}  // namespace

bool openLogAppender(LogAppender* log, const std::string& path) {
    log->file.name = path;
    OutputPath where;
    int error = resolveOutputPath(path, &where);
    if (error == 0 && !where.exists) {
        if (!checkReplaceable(&log->file)) {
            return false;
        }
        log->createAt = where.target;
        return true;
    }
    if (error == 0) {
        error = openForAppending(path, S_ISFIFO(where.status.st_mode), &log->fd);
    }
    if (error != 0) {
        reportOutputFailure(&log->file, error);
        return false;
    }
    return true;
}

void appendLogLine(LogAppender* log, const char* line, size_t length) {
    if (log->fd < 0 && !log->createAt.empty()) {
        log->fd = open(log->createAt.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        log->createAt.clear();
        if (log->fd < 0) {
            reportOutputFailure(&log->file, errno);
        }
    }
    if (log->fd < 0) {
        return;
    }
    const int error = appendWholeLine(log->fd, line, length, &log->torn);
    if (error == EINTR) {
        log->linesGivenUp++;
    } else if (error != 0) {
        reportOutputFailure(&log->file, error);
    }
}

void closeLogAppender(LogAppender* log) {
    if (log->fd < 0) {
        return;
    }
    int error = repairTornLine(log->fd, &log->torn);
    if (const int synced = syncDescriptor(log->fd); error == 0) {
        error = synced;
    }
    if (close(log->fd) != 0 && error == 0) {
        error = errno;
    }
    log->fd = -1;
    if (error != 0) {
        reportOutputFailure(&log->file, error);
    }
}
