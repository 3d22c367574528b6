#include "app/outfiles.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// Temporary files being written, for the stop handler. A path is written
// only while the stop signals are blocked in this thread, and published by
// the flag, so the handler reads either a whole path or none.
constexpr int tempSlots = 4;
char tempPaths[tempSlots][PATH_MAX];
std::atomic<bool> tempInUse[tempSlots];
std::atomic<int> firstStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the stop handler may only touch lock-free atomics");

// Blocks SIGINT and SIGTERM in this thread for its lifetime.
class StopSignalsBlocked {
  public:
    StopSignalsBlocked() {
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stops, &previous_);
    }
    ~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    StopSignalsBlocked(const StopSignalsBlocked&) = delete;
    StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

  private:
    sigset_t previous_;
};

extern "C" void onStopSignal(int number) {
    int none = 0;
    if (firstStopSignal.compare_exchange_strong(none, number)) {
        return;
    }
    const int savedErrno = errno;
    for (int i = 0; i < tempSlots; i++) {
        if (tempInUse[i].load(std::memory_order_acquire)) {
            unlink(tempPaths[i]);
        }
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(number, &action, nullptr);
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, number);
    pthread_sigmask(SIG_UNBLOCK, &self, nullptr);
    raise(number);
    errno = savedErrno;  // reached only if the default action is to go on
}

// The umask, read once: reading it means setting it, so it is done before
// any other thread could be creating a file.
mode_t processUmask() {
    static const mode_t mask = [] {
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return mask;
}

// Marks the slot free; the handler no longer touches its path.
void releaseSlot(PendingFile* file) {
    if (file->slot >= 0) {
        tempInUse[file->slot].store(false, std::memory_order_release);
        file->slot = -1;
    }
}

// Creates the temporary beside `target` and registers it, with the stop
// signals blocked so that the file never exists unregistered.
int createRegisteredTemp(PendingFile* file) {
    const std::string pattern = file->target + ".XXXXXX";
    if (pattern.size() >= PATH_MAX) {
        return ENAMETOOLONG;
    }
    StopSignalsBlocked blocked;
    int slot = 0;
    while (slot < tempSlots && tempInUse[slot].load(std::memory_order_relaxed)) {
        slot++;
    }
    if (slot == tempSlots) {
        return EMFILE;  // more replacements at once than the program makes
    }
    std::memcpy(tempPaths[slot], pattern.c_str(), pattern.size() + 1);
    const int fd = mkostemp(tempPaths[slot], O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    tempInUse[slot].store(true, std::memory_order_release);
    file->fd = fd;
    file->slot = slot;
    file->temp = tempPaths[slot];
    return 0;
}

}  // namespace

void reportOutputFailure(OutputFile* file, int error) {
    if (file->failed) {
        return;
    }
    file->failed = true;
    fprintf(stderr, "Erro ao gravar %s: %s\n", file->name.c_str(), strerror(error));
}

bool flushOutput(OutputFile* file, FILE* stream) {
    errno = 0;
    if (fflush(stream) == 0 && !ferror(stream)) {
        return true;
    }
    reportOutputFailure(file, errno != 0 ? errno : EIO);
    return false;
}

void printMeanLine(OutputFile* file, FILE* stream, int32_t workers, double mean) {
    if (fprintf(stream, "%d - %lf\n", workers, mean) < 0) {
        reportOutputFailure(file, errno);
    }
    flushOutput(file, stream);
}

bool openLogAppender(LogAppender* log, const std::string& path) {
    log->file.name = path;
    log->fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (log->fd < 0) {
        reportOutputFailure(&log->file, errno);
        return false;
    }
    return true;
}

void appendToLog(LogAppender* log, ExecutionData data) {
    if (log->fd < 0) {
        return;
    }
    const ExecutionLine line = formatExecutionLine(data);
    const int error = appendWholeLine(log->fd, line.text, line.length);
    if (error != 0) {
        reportOutputFailure(&log->file, error);
    }
}

void closeLogAppender(LogAppender* log) {
    if (log->fd < 0) {
        return;
    }
    if (close(log->fd) != 0) {
        reportOutputFailure(&log->file, errno);
    }
    log->fd = -1;
}

int beginReplace(PendingFile* file, const std::string& path) {
    *file = PendingFile{};
    file->target = path;
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        // Replace what the link names and keep the link; a dangling link is
        // itself replaced.
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            file->target = resolved;
            free(resolved);
        }
    }
    const bool exists = stat(file->target.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        return EISDIR;
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or a pipe cannot be renamed over: write it in place.
        file->fd = open(file->target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        return file->fd < 0 ? errno : 0;
    }
    if (const int error = createRegisteredTemp(file); error != 0) {
        return error;
    }
    // mkstemp makes the file 0600; the result keeps the mode the program's
    // files have always had.
    const mode_t mode = exists ? status.st_mode & 07777 : 0666 & ~processUmask();
    if (fchmod(file->fd, mode) != 0) {
        const int error = errno;
        abandonReplace(file);
        return error;
    }
    return 0;
}

int writePending(PendingFile* file, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(file->fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
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
    const int closed = close(file->fd);
    file->fd = -1;
    int error = closed == 0 ? 0 : errno;
    if (!file->temp.empty()) {
        if (error == 0 && rename(file->temp.c_str(), file->target.c_str()) != 0) {
            error = errno;
        }
        if (error != 0) {
            unlink(file->temp.c_str());
        }
    }
    releaseSlot(file);
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
    releaseSlot(file);
}

int replaceFile(const std::string& path, std::string_view text) {
    PendingFile file;
    int error = beginReplace(&file, path);
    if (error != 0) {
        return error;
    }
    error = writePending(&file, text);
    if (error != 0) {
        abandonReplace(&file);
        return error;
    }
    return finishReplace(&file);
}

bool checkReplaceable(OutputFile* file) {
    PendingFile pending;
    const int error = beginReplace(&pending, file->name);
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
    abandonReplace(&pending);
    return true;
}

bool writeWholeFile(OutputFile* file, std::string_view text) {
    const int error = replaceFile(file->name, text);
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
    return true;
}

bool openDriverOutputs(DriverOutputs* outputs, const std::string& logPath, const std::string& outPath,
                       const std::string& jsonPath) {
    outputs->out.name = outPath;
    outputs->json.name = jsonPath;
    bool ready = logPath.empty() || openLogAppender(&outputs->log, logPath);
    ready = checkReplaceable(&outputs->out) && ready;
    ready = (jsonPath.empty() || checkReplaceable(&outputs->json)) && ready;
    return ready;
}

void closeDriverOutputs(DriverOutputs* outputs) {
    closeLogAppender(&outputs->log);
    flushOutput(&outputs->console, stdout);
}

int driverExitStatus(const DriverOutputs& outputs) {
    if (stopSignal() != 0) {
        return 128 + stopSignal();
    }
    const bool failed =
        outputs.log.file.failed || outputs.out.failed || outputs.json.failed || outputs.console.failed;
    return failed ? 1 : 0;
}

void installStopHandlers() {
    processUmask();  // while the program has one thread
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    for (int number : {SIGINT, SIGTERM}) {
        struct sigaction previous;
        if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;  // started in the background: stays ignored
        }
        sigaction(number, &action, nullptr);
    }
}

int stopSignal() {
    return firstStopSignal.load();
}
