#include "outputs/replace.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "outputs/filesync.h"
#include "outputs/outputpath.h"
#include "outputs/stopsignals.h"
#include "outputs/tempregistry.h"

namespace {

// How often a wait for a pipe looks at the stop signal, in milliseconds.
constexpr int pipeWaitMillis = 50;

bool stopCame(const PendingFile& file) {
    return stopCount() != file.stopsBefore;
}

// The longest name the directory `directory` ("" for the working one) takes.
size_t longestName(const std::string& directory) {
    const long longest = pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

// "<target>.<pid>.<serial>" in the target's directory, the target's name cut
// short so that the whole name fits the directory's longest name; the pid
// and the serial keep it this process's own.
std::string temporaryName(const std::string& target, unsigned serial) {
    const std::string directory = directoryOf(target);
    std::string name = target.substr(directory.size());
    std::string suffix(1, '.');
    suffix.append(std::to_string(getpid())).append(1, '.').append(std::to_string(serial));
    const size_t longest = longestName(directory);
    if (name.size() + suffix.size() > longest) {
        name.resize(longest > suffix.size() ? longest - suffix.size() : 0);
    }
    return directory + name + suffix;
}

// Creates the temporary exclusively (as mkstemp does, with a name this
// process owns) with `mode` less the umask, registered before it exists.
int createRegisteredTemp(PendingFile* file, mode_t mode) {
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; attempt++) {
        const std::string name = temporaryName(file->target, serial++);
        const int slot = registerTemporary(name);
        if (slot < 0) {
            return name.size() >= PATH_MAX ? ENAMETOOLONG : EMFILE;
        }
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            file->fd = fd;
            file->slot = slot;
            file->temp = name;
            return 0;
        }
        const int error = errno;
        releaseTemporary(slot);
        if (error != EEXIST) {
            return error;
        }
    }
    return EEXIST;
}

// Opens the file written in place. A pipe is opened without blocking and
// tried again while it has no reader, so that a stop is seen meanwhile.
int openInPlace(PendingFile* file, const std::string& path) {
    const int flags = O_WRONLY | O_TRUNC | O_CLOEXEC | (file->pipe ? O_NONBLOCK : 0);
    for (;;) {
        file->fd = open(path.c_str(), flags);
        if (file->fd >= 0) {
            return 0;
        }
        const bool waiting = errno == EINTR || (file->pipe && errno == ENXIO);
        if (!waiting) {
            return errno;
        }
        if (stopCame(*file)) {
            return EINTR;
        }
        poll(nullptr, 0, pipeWaitMillis);
    }
}

// Waits until the pipe takes more, or a stop comes (false).
bool waitForRoom(const PendingFile& file) {
    pollfd room{file.fd, POLLOUT, 0};
    while (!stopCame(file)) {
        if (poll(&room, 1, pipeWaitMillis) != 0) {
            return true;  // room, an error the next write reports, or a signal to look at
        }
    }
    return false;
}

}  // namespace

int beginReplace(PendingFile* file, const std::string& path, PipeWait wait) {
    *file = PendingFile{};
    file->stopsBefore = wait == PipeWait::untilStop ? 0 : stopCount();
    OutputPath where;
    if (const int error = resolveOutputPath(path, &where); error != 0) {
        return error;
    }
    file->target = where.target;
    if (where.exists && S_ISDIR(where.status.st_mode)) {
        return EISDIR;
    }
    // A device or a pipe cannot be renamed over; a file with no name has no
    // directory to put a temporary in: written through the path given.
    file->inPlace = where.unnamed || (where.exists && !S_ISREG(where.status.st_mode));
    if (file->inPlace) {
        file->pipe = S_ISFIFO(where.status.st_mode);
        return openInPlace(file, where.unnamed ? path : where.target);
    }
    // A new file gets the mode the program's files have always had (0666
    // less the umask); a replaced one keeps its own.
    if (const int error = createRegisteredTemp(file, where.exists ? 0600 : 0666); error != 0) {
        return error;
    }
    if (where.exists && fchmod(file->fd, where.status.st_mode & 07777) != 0) {
        const int error = errno;
        abandonReplace(file);
        return error;
    }
    return 0;
}

int writePending(PendingFile* file, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(file->fd, text.data(), text.size());
        if (written < 0 && (errno == EINTR || errno == EAGAIN)) {
            const bool goOn = errno == EINTR ? !stopCame(*file) : waitForRoom(*file);
            if (!goOn || stopCame(*file)) {
                return EINTR;
            }
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        // A short write goes on; the next call says why it stopped.
        text.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

int finishReplace(PendingFile* file) {
    int error = file->sync && !file->inPlace && fsync(file->fd) != 0 ? errno : 0;
    if (close(file->fd) != 0 && error == 0) {
        error = errno;  // the descriptor is gone whatever close says
    }
    file->fd = -1;
    if (!file->temp.empty()) {
        if (error != 0) {
            unlink(file->temp.c_str());  // it may not hold what was written
        } else if (rename(file->temp.c_str(), file->target.c_str()) != 0) {
            error = errno;
            file->kept = error != ENOENT;  // whole: the only copy of what was written
        } else if (file->sync) {
            error = syncDirectoryOf(file->target);
        }
    }
    releaseTemporary(file->slot);
    file->slot = -1;
    return error;
}

void abandonReplace(PendingFile* file) {
    if (file->fd >= 0) {
        close(file->fd);
        file->fd = -1;
    }
    if (!file->temp.empty()) {
        unlink(file->temp.c_str());
    }
    releaseTemporary(file->slot);
    file->slot = -1;
}

int replaceFile(const std::string& path, std::string_view text, PipeWait wait, bool sync,
                std::string* keptAs) {
    PendingFile file;
    int error = beginReplace(&file, path, wait);
    if (error != 0) {
        return error;
    }
    file.sync = sync;
    error = writePending(&file, text);
    if (error != 0) {
        abandonReplace(&file);
        return error;
    }
    error = finishReplace(&file);
    if (file.kept && keptAs != nullptr) {
        *keptAs = file.temp;
    } else if (file.kept) {
        unlink(file.temp.c_str());
    }
    return error;
}

bool writeWholeFile(OutputFile* file, std::string_view text, PipeWait wait) {
    std::string kept;
    const int error = replaceFile(file->name, text, wait, file->durable, &kept);
    if (error == 0) {
        file->written = !file->durable;  // a durable one is synced already
        return true;
    }
    if (kept.empty()) {
        reportOutputFailure(file, error);
    } else if (file->keptAs.empty()) {
        file->keptAs = kept;
        reportKeptOutput(file, error, kept);
    } else if (rename(kept.c_str(), file->keptAs.c_str()) != 0) {
        unlink(kept.c_str());  // the one kept before stays, with older text
    }
    return false;
}

bool syncWrittenFile(OutputFile* file) {
    if (!file->written) {
        return true;
    }
    file->written = false;
    OutputPath where;
    if (resolveOutputPath(file->name, &where) != 0 || !where.exists || where.unnamed ||
        !S_ISREG(where.status.st_mode)) {
        return true;  // a pipe or a device: nothing to sync; a file gone since: nothing left to sync
    }
    int error = syncFile(where.target);
    if (error == 0) {
        error = syncDirectoryOf(where.target);
    }
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
    return true;
}
