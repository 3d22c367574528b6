#include "outputs/outfiles.h"

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
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <system_error>

#include "i18n/messages.h"

namespace {

// Temporary files being written, for the stop handler. A slot's path is
// written while the slot is free and published by its flag before the file
// is created, so the handler (on any thread) reads a whole path, and a file
// never exists unregistered.
constexpr int tempSlots = 4;
char tempPaths[tempSlots][PATH_MAX];
std::atomic<bool> tempInUse[tempSlots];
std::atomic<int> firstStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the stop handler may only touch lock-free atomics");

// Removes the registered temporary files and ends the process by the
// signal's default action.
void endAtOnce(int number) {
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

extern "C" void onStopSignal(int number) {
    int none = 0;
    if (!firstStopSignal.compare_exchange_strong(none, number)) {
        endAtOnce(number);
    }
}

extern "C" void onEndSignal(int number) {
    endAtOnce(number);
}

// Installs `handler` for `number`, unless the program started with it
// ignored (in the background of a script, under nohup): it stays ignored.
void handleUnlessIgnored(int number, void (*handler)(int)) {
    struct sigaction previous;
    if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int blocked : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&action.sa_mask, blocked);
    }
    sigaction(number, &action, nullptr);
}

// Marks the slot free; the handler no longer touches its path.
void releaseSlot(PendingFile* file) {
    if (file->slot >= 0) {
        tempInUse[file->slot].store(false, std::memory_order_release);
        file->slot = -1;
    }
}

// Creates "<target>.<pid>.<n>" exclusively (as mkstemp does, with a name
// this process owns) with `mode` less the umask, and registers it before it
// exists.
int createRegisteredTemp(PendingFile* file, mode_t mode) {
    int slot = 0;
    while (slot < tempSlots && tempInUse[slot].load(std::memory_order_relaxed)) {
        slot++;
    }
    if (slot == tempSlots) {
        return EMFILE;  // more replacements at once than the program makes
    }
    static unsigned serial = 0;
    const std::string stem = file->target + "." + std::to_string(getpid()) + ".";
    for (int attempt = 0; attempt < 100; attempt++) {
        const std::string name = stem + std::to_string(serial++);
        if (name.size() >= PATH_MAX) {
            return ENAMETOOLONG;
        }
        std::memcpy(tempPaths[slot], name.c_str(), name.size() + 1);
        tempInUse[slot].store(true, std::memory_order_release);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            file->fd = fd;
            file->slot = slot;
            file->temp = name;
            return 0;
        }
        const int error = errno;
        tempInUse[slot].store(false, std::memory_order_release);
        if (error != EEXIST) {
            return error;
        }
    }
    return EEXIST;
}

// Decides how `path` is replaced: sets the file's target (a symbolic link's
// file, so the link stays) and whether it is written in place, and fills
// `status` for a target that exists. Returns 0 or the errno.
int findTarget(PendingFile* file, const std::string& path, struct stat* status, bool* exists) {
    *file = PendingFile{};
    file->target = path;
    // A dangling link does not exist here: the link itself is replaced.
    *exists = stat(path.c_str(), status) == 0;
    if (!*exists) {
        return 0;
    }
    if (S_ISDIR(status->st_mode)) {
        return EISDIR;
    }
    // A device or a pipe cannot be renamed over.
    file->inPlace = !S_ISREG(status->st_mode);
    struct stat link;
    if (file->inPlace || lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return 0;
    }
    // A link whose file has no name to put a temporary beside (the link in
    // /proc of a descriptor open on a deleted file, as /dev/stdout can be)
    // is written in place: renaming over the link would replace the link.
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        file->inPlace = true;
        return 0;
    }
    file->target = resolved;
    free(resolved);
    return 0;
}

// A regular file that two outputs must not share: the file a path reaches
// (links followed) or, for one not made yet, the path it will be made at.
struct FileKey {
    bool regular = false;  // devices and pipes may be shared
    dev_t device = 0;
    ino_t inode = 0;
    std::string planned;  // set for a file not made yet
};

FileKey fileKey(const std::string& path) {
    FileKey key;
    struct stat status;
    if (stat(path.c_str(), &status) == 0) {
        key.regular = S_ISREG(status.st_mode);
        key.device = status.st_dev;
        key.inode = status.st_ino;
        return key;
    }
    const std::filesystem::path file(path);
    std::error_code ignored;
    const std::filesystem::path directory =
        std::filesystem::weakly_canonical(file.has_parent_path() ? file.parent_path() : ".", ignored);
    key.regular = true;
    key.planned = (directory / file.filename()).string();
    return key;
}

bool sameFile(const FileKey& a, const FileKey& b) {
    return a.regular && b.regular && a.planned == b.planned &&
           (!a.planned.empty() || (a.device == b.device && a.inode == b.inode));
}

}  // namespace

void reportOutputFailure(OutputFile* file, int error) {
    if (file->failed) {
        return;
    }
    file->failed = true;
    // TRANSLATORS: the file, the system's reason.
    const char* name = file->name == standardOutputName ? _("standard output") : file->name.c_str();
    fprintf(stderr, _("Cannot write %s: %s\n"), name, strerror(error));
}

bool flushOutput(OutputFile* file, FILE* stream) {
    errno = 0;
    if (fflush(stream) == 0 && !ferror(stream)) {
        return true;
    }
    reportOutputFailure(file, errno != 0 ? errno : EIO);
    return false;
}

void printMeanLine(OutputFile* file, FILE* stream, int32_t workers, double mean, const char* mode) {
    const int printed = mode == nullptr ? fprintf(stream, "%d - %lf\n", workers, mean)
                                        : fprintf(stream, "%d - %lf %s\n", workers, mean, mode);
    if (printed < 0) {
        reportOutputFailure(file, errno);
    }
    flushOutput(file, stream);
}

bool openLogAppender(LogAppender* log, const std::string& path) {
    log->file.name = path;
    log->fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (log->fd >= 0) {
        return true;
    }
    if (errno != ENOENT) {
        reportOutputFailure(&log->file, errno);
        return false;
    }
    // A missing log is created with its first line, so that a program that
    // measures nothing leaves no empty log behind; until then, make sure a
    // file can be created where it goes.
    if (!checkReplaceable(&log->file)) {
        return false;
    }
    log->createOnFirstLine = true;
    return true;
}

void appendToLog(LogAppender* log, ExecutionData data) {
    if (log->fd < 0 && log->createOnFirstLine) {
        log->createOnFirstLine = false;
        log->fd = open(log->file.name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (log->fd < 0) {
            reportOutputFailure(&log->file, errno);
        }
    }
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
    struct stat status;
    bool exists = false;
    if (const int error = findTarget(file, path, &status, &exists); error != 0) {
        return error;
    }
    if (file->inPlace) {
        file->fd = open(file->target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        return file->fd < 0 ? errno : 0;
    }
    // A new file gets the mode the program's files have always had (0666
    // less the umask); a replaced one keeps its own.
    if (const int error = createRegisteredTemp(file, exists ? 0600 : 0666); error != 0) {
        return error;
    }
    if (exists && fchmod(file->fd, status.st_mode & 07777) != 0) {
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
    struct stat status;
    bool exists = false;
    int error = findTarget(&pending, file->name, &status, &exists);
    if (error == 0 && pending.inPlace) {
        // Only asked, not opened: opening a pipe would wait for a reader,
        // and closing it again would end that reader's input.
        error = faccessat(AT_FDCWD, pending.target.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
    } else if (error == 0) {
        error = beginReplace(&pending, file->name);
        abandonReplace(&pending);
    }
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
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

bool outputsClash(const char* program, const std::string& logPath, const std::string& outPath,
                  const std::string& jsonPath) {
    struct Output {
        const char* option;
        const std::string& path;
        FileKey key;
    };
    Output outputs[] = {{"--log", logPath, {}}, {"--out", outPath, {}}, {"--json", jsonPath, {}}};
    FileKey console;
    struct stat status;
    if (fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode)) {
        console = FileKey{true, status.st_dev, status.st_ino, ""};
    }
    for (size_t i = 0; i < std::size(outputs); i++) {
        if (outputs[i].path.empty()) {
            continue;
        }
        outputs[i].key = fileKey(outputs[i].path);
        if (sameFile(outputs[i].key, console)) {
            // TRANSLATORS: the program, the option, the file.
            fprintf(stderr, _("%s: %s names the standard output's file: %s\n"), program, outputs[i].option,
                    outputs[i].path.c_str());
            return true;
        }
        for (size_t j = 0; j < i; j++) {
            if (sameFile(outputs[j].key, outputs[i].key)) {
                // TRANSLATORS: the program, the two options, the file.
                fprintf(stderr, _("%s: %s and %s name the same file: %s\n"), program, outputs[j].option,
                        outputs[i].option, outputs[i].path.c_str());
                return true;
            }
        }
    }
    return false;
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
    handleUnlessIgnored(SIGINT, onStopSignal);
    handleUnlessIgnored(SIGTERM, onStopSignal);
    handleUnlessIgnored(SIGHUP, onEndSignal);
    handleUnlessIgnored(SIGQUIT, onEndSignal);
    // Past a file-size limit a write then fails with EFBIG and is reported
    // like any other failure, instead of the signal ending the program with
    // a temporary file half written.
    signal(SIGXFSZ, SIG_IGN);
}

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

int stopSignal() {
    return firstStopSignal.load();
}
