#include "outputs/wholeline.h"

#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "outputs/stopsignals.h"

namespace {

// How often a wait for the lock looks at it again, in milliseconds.
constexpr int lockWaitMillis = 50;

enum class Lock { taken, givenUp, unsupported };

// Takes the file's lock. Given up when a stop came while it was waited for
// (after one wait at least: another appender holds it only briefly);
// unsupported when the file cannot be locked at all.
Lock lockForAppending(int fd) {
    for (int waits = 0;; waits++) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return Lock::taken;
        }
        if (errno != EWOULDBLOCK) {  // LOCK_NB never sleeps, so no signal cuts it short
            return Lock::unsupported;
        }
        if (waits > 0 && stopSignal() != 0) {
            return Lock::givenUp;
        }
        poll(nullptr, 0, lockWaitMillis);
    }
}

// One write, tried again when a signal came before anything was written.
ssize_t writeOnce(int fd, const char* text, size_t length) {
    ssize_t written;
    do {
        written = write(fd, text, length);
    } while (written < 0 && errno == EINTR);
    return written;
}

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

// Whether the file still ends at `end`: no appender that ignores the lock
// wrote after it.
bool endsAt(int fd, off_t end) {
    struct stat status;
    return fstat(fd, &status) == 0 && status.st_size == end;
}

// Cuts off the recorded part, the caller holding the lock. A part that
// another line follows stays where it is: cutting would take that line.
int cutOffTorn(int fd, TornLine* torn) {
    if (torn->begin < 0) {
        return 0;
    }
    if (endsAt(fd, torn->end) && ftruncate(fd, torn->begin) != 0) {
        return errno;
    }
    *torn = TornLine{};
    return 0;
}

// Writes what is left of a line after a part of it, the caller holding
// the lock; returns how much of it went in.
size_t appendRest(int fd, const char* rest, size_t length) {
    size_t done = 0;
    while (done < length) {
        const ssize_t written = writeOnce(fd, rest + done, length - done);
        if (written <= 0) {
            break;
        }
        done += static_cast<size_t>(written);
    }
    return done;
}

// Writes the line once; a line that went in only in part is cut back off,
// or else completed, or else recorded as torn. The caller holds the log's
// lock, so no other appender's line can follow the part: the file ends
// where this write ended, and that is checked all the same.
int writeOrTakeBack(int fd, const char* text, size_t length, TornLine* torn) {
    const ssize_t written = writeOnce(fd, text, length);
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
    const int reason = shortWriteReason(fd, begin + static_cast<off_t>(length));
    if (!endsAt(fd, end) || ftruncate(fd, begin) == 0) {
        return reason;  // cut back off; or another line follows, and the part stays rather than cut that
    }
    const size_t rest = length - static_cast<size_t>(written);
    const size_t completed = appendRest(fd, text + written, rest);
    if (completed == rest) {
        return 0;  // the line is whole after all
    }
    *torn = TornLine{begin, end + static_cast<off_t>(completed)};
    return reason;
}

}  // namespace

int appendWholeLine(int fd, const char* text, size_t length, TornLine* torn) {
    const Lock lock = lockForAppending(fd);
    if (lock == Lock::givenUp) {
        return EINTR;
    }
    if (lock == Lock::unsupported) {
        // flock unsupported there: written all the same, a part left as it is.
        const ssize_t written = writeOnce(fd, text, length);
        return written < 0 ? errno : static_cast<size_t>(written) == length ? 0 : EIO;
    }
    // A line after a torn part would be glued to it: the part goes first.
    int error = cutOffTorn(fd, torn);
    if (error == 0) {
        error = writeOrTakeBack(fd, text, length, torn);
    }
    flock(fd, LOCK_UN);
    return error;
}

int repairTornLine(int fd, TornLine* torn) {
    if (torn->begin < 0) {
        return 0;
    }
    const Lock lock = lockForAppending(fd);
    if (lock != Lock::taken) {
        return lock == Lock::givenUp ? EINTR : ENOLCK;
    }
    const int error = cutOffTorn(fd, torn);
    flock(fd, LOCK_UN);
    return error;
}
