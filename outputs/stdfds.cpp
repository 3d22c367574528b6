#include "outputs/stdfds.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "outputs/stopsignals.h"

namespace {

// Whether `fd` is a pipe or socket whose reading end is closed. stdio may
// have lost the EPIPE of a write that failed earlier; the pipe still says.
bool readerGone(int fd, int error) {
    if (error == EPIPE) {
        return true;
    }
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0 || !(S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))) {
        return false;
    }
    pollfd end{fd, POLLOUT, 0};
    return poll(&end, 1, 0) == 1 && (end.revents & (POLLERR | POLLHUP)) != 0;
}

void reportFailure(OutputFile* file, FILE* stream, int error) {
    if (file->standardOutput && readerGone(fileno(stream), error)) {
        markOutputFailed(file);
        stopForClosedPipe();
        return;
    }
    reportOutputFailure(file, error);
}

}  // namespace

void holdStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest free descriptor, so this one: the lower ones are open.
        const int held = open("/dev/null", O_RDONLY);
        if (held > fd) {
            close(held);
        }
    }
}

bool flushOutput(OutputFile* file, FILE* stream) {
    errno = 0;
    if (fflush(stream) == 0 && !ferror(stream)) {
        return true;
    }
    reportFailure(file, stream, errno != 0 ? errno : EIO);
    return false;
}

void printMeanLine(OutputFile* file, FILE* stream, int32_t workers, double mean, const char* mode) {
    const int printed = mode == nullptr ? fprintf(stream, "%d - %lf\n", workers, mean)
                                        : fprintf(stream, "%d - %lf %s\n", workers, mean, mode);
    if (printed < 0) {
        reportFailure(file, stream, errno);
    }
    flushOutput(file, stream);
}
