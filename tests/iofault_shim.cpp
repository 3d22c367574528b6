// Loaded into a real program with LD_PRELOAD, this stands between the
// program and the C library's open, openat (and mkstemp), write, fsync, rename,
// ftruncate, flock and close, for the files of one folder only (paths
// relative to the working directory or under $IOFAULT_DIR, and the
// descriptors opened on them): it counts those calls and fails one of them
// as a disk would. Only the process first started counts: its children
// (gnuplot, a program started afresh) run untouched.
//
//   IOFAULT_DIR     the folder whose files are watched (absolute)
//   IOFAULT_CALL    the call to fail: open (openat too), write, fsync, rename, ftruncate, flock, close
//   IOFAULT_AT      which call of that kind fails, from 1
//   IOFAULT_ERRNO   the errno it fails with
//   IOFAULT_ONWARD  set: that call and every later one of its kind fail
//   IOFAULT_SHORT   the write, from 1, that takes only half of its bytes (a disk filling up)
//   IOFAULT_COUNTS  a file that gets "<call> <count>" lines when the program exits
//   IOFAULT_TRACE   a file that gets one line per watched call: "<call> <path> [<path>]"
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum Call { callOpen, callWrite, callFsync, callRename, callFtruncate, callFlock, callClose, callKinds };
const char* const callNames[callKinds] = {"open", "write", "fsync", "rename", "ftruncate", "flock", "close"};

constexpr int maxFd = 4096;
std::string fdPaths[maxFd];  // the watched descriptors' paths; empty: not watched
long counts[callKinds];
pid_t watchedPid = 0;

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

long environmentNumber(const char* name) {
    const char* value = getenv(name);
    return value != nullptr ? strtol(value, nullptr, 10) : 0;
}

bool active() {
    return watchedPid != 0 && getpid() == watchedPid;
}

bool watchedPath(const char* path) {
    const char* folder = getenv("IOFAULT_DIR");
    return path != nullptr &&
           (path[0] != '/' || (folder != nullptr && strncmp(path, folder, strlen(folder)) == 0));
}

bool watchedFd(int fd) {
    return active() && fd >= 0 && fd < maxFd && !fdPaths[fd].empty();
}

void trace(Call call, const std::string& first, const char* second = nullptr) {
    const char* file = getenv("IOFAULT_TRACE");
    if (file == nullptr) {
        return;
    }
    std::string line =
        std::string(callNames[call]) + " " + first + (second ? std::string(" ") + second : "") + "\n";
    static auto realOpen = real<int (*)(const char*, int, ...)>("open");
    static auto realWrite = real<ssize_t (*)(int, const void*, size_t)>("write");
    static auto realClose = real<int (*)(int)>("close");
    const int fd = realOpen(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        realWrite(fd, line.data(), line.size());
        realClose(fd);
    }
}

// Counts a watched call; true when it is the one to fail (errno then set).
bool failNow(Call call) {
    const long number = ++counts[call];
    const char* name = getenv("IOFAULT_CALL");
    if (name == nullptr || strcmp(name, callNames[call]) != 0) {
        return false;
    }
    const long at = environmentNumber("IOFAULT_AT");
    const bool fails = number == at || (getenv("IOFAULT_ONWARD") != nullptr && number > at);
    if (fails) {
        errno = static_cast<int>(environmentNumber("IOFAULT_ERRNO"));
    }
    return fails;
}

void watch(int fd, const char* path) {
    if (fd >= 0 && fd < maxFd) {
        fdPaths[fd] = path;
    }
}

int openWatched(int (*realOpenAt)(int, const char*, int, ...), int dir, const char* path, int flags,
                mode_t mode) {
    if (!active() || !watchedPath(path)) {
        return realOpenAt(dir, path, flags, mode);
    }
    trace(callOpen, path);
    if (failNow(callOpen)) {
        return -1;
    }
    const int fd = realOpenAt(dir, path, flags, mode);
    watch(fd, path);
    return fd;
}

// Whether open's flags ask for a mode: O_CREAT, or O_TMPFILE (whose bits
// hold O_DIRECTORY's, which alone asks for none).
bool needsMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

mode_t modeArgument(int flags, va_list args) {
    return needsMode(flags) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

__attribute__((constructor)) void startWatching() {
    const char* pid = getenv("IOFAULT_PID");
    if (pid == nullptr) {
        watchedPid = getpid();
        setenv("IOFAULT_PID", std::to_string(watchedPid).c_str(), 1);
    } else {
        watchedPid = static_cast<pid_t>(strtol(pid, nullptr, 10));
    }
}

__attribute__((destructor)) void writeCounts() {
    const char* file = getenv("IOFAULT_COUNTS");
    if (!active() || file == nullptr) {
        return;
    }
    std::string text;
    for (int call = 0; call < callKinds; call++) {
        text += std::string(callNames[call]) + " " + std::to_string(counts[call]) + "\n";
    }
    watchedPid = 0;  // the counts' own file is not counted
    FILE* out = fopen(file, "w");
    if (out != nullptr) {
        fputs(text.c_str(), out);
        fclose(out);
    }
}

}  // namespace

extern "C" {

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    static auto realOpenAt = real<int (*)(int, const char*, int, ...)>("openat");
    return openWatched(realOpenAt, dir, path, flags, mode);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    static auto realOpenAt = real<int (*)(int, const char*, int, ...)>("openat");
    return openWatched(realOpenAt, AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...) __attribute__((alias("open")));
int openat64(int dir, const char* path, int flags, ...) __attribute__((alias("openat")));

// The checked forms a build with _FORTIFY_SOURCE calls where no mode is
// passed (the package's hardened build); like glibc's, they end the program
// when the flags need one.
int __openat_2(int dir, const char* path, int flags) {
    if (needsMode(flags)) {
        abort();
    }
    static auto realOpenAt = real<int (*)(int, const char*, int, ...)>("openat");
    return openWatched(realOpenAt, dir, path, flags, 0);
}
int __open_2(const char* path, int flags) {
    return __openat_2(AT_FDCWD, path, flags);
}
int __open64_2(const char* path, int flags) __attribute__((alias("__open_2")));
int __openat64_2(int dir, const char* path, int flags) __attribute__((alias("__openat_2")));

// mkstemp's kin open files too (the report's scratch files).
int mkostemp(char* pattern, int flags) {
    static auto realMkostemp = real<int (*)(char*, int)>("mkostemp");
    if (!active() || !watchedPath(pattern)) {
        return realMkostemp(pattern, flags);
    }
    trace(callOpen, pattern);
    if (failNow(callOpen)) {
        return -1;
    }
    const int fd = realMkostemp(pattern, flags);
    watch(fd, pattern);
    return fd;
}

int mkstemp(char* pattern) {
    return mkostemp(pattern, 0);
}

ssize_t write(int fd, const void* data, size_t size) {
    static auto realWrite = real<ssize_t (*)(int, const void*, size_t)>("write");
    if (!watchedFd(fd)) {
        return realWrite(fd, data, size);
    }
    trace(callWrite, fdPaths[fd]);
    if (failNow(callWrite)) {
        return -1;
    }
    if (counts[callWrite] == environmentNumber("IOFAULT_SHORT") && size > 1) {
        return realWrite(fd, data, size / 2);
    }
    return realWrite(fd, data, size);
}

int fsync(int fd) {
    static auto realFsync = real<int (*)(int)>("fsync");
    if (!watchedFd(fd)) {
        return realFsync(fd);
    }
    trace(callFsync, fdPaths[fd]);
    return failNow(callFsync) ? -1 : realFsync(fd);
}

int rename(const char* from, const char* to) {
    static auto realRename = real<int (*)(const char*, const char*)>("rename");
    if (!active() || !(watchedPath(from) || watchedPath(to))) {
        return realRename(from, to);
    }
    trace(callRename, from, to);
    return failNow(callRename) ? -1 : realRename(from, to);
}

int ftruncate(int fd, off_t length) {
    static auto realFtruncate = real<int (*)(int, off_t)>("ftruncate");
    if (!watchedFd(fd)) {
        return realFtruncate(fd, length);
    }
    trace(callFtruncate, fdPaths[fd]);
    return failNow(callFtruncate) ? -1 : realFtruncate(fd, length);
}

int ftruncate64(int fd, off_t length) __attribute__((alias("ftruncate")));

int flock(int fd, int operation) {
    static auto realFlock = real<int (*)(int, int)>("flock");
    if (!watchedFd(fd)) {
        return realFlock(fd, operation);
    }
    trace(callFlock, fdPaths[fd]);
    return failNow(callFlock) ? -1 : realFlock(fd, operation);
}

int close(int fd) {
    static auto realClose = real<int (*)(int)>("close");
    if (!watchedFd(fd)) {
        return realClose(fd);
    }
    trace(callClose, fdPaths[fd]);
    fdPaths[fd].clear();
    // As on Linux, the descriptor is released whatever close then says.
    const int closed = realClose(fd);
    return failNow(callClose) ? -1 : closed;
}

}  // extern "C"
