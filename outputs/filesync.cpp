#include "outputs/filesync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "outputs/outputpath.h"

namespace {

// Syncs `fd` and closes it; the first failure's errno, or 0.
int syncAndClose(int fd) {
    int error = fsync(fd) == 0 ? 0 : errno;
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

}  // namespace

int syncDirectoryOf(const std::string& path) {
    const std::string directory = directoryOf(path);
    const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = syncAndClose(fd);
    return error == EINVAL ? 0 : error;
}

int syncFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    }
    return fd < 0 ? errno : syncAndClose(fd);
}

int syncDescriptor(int fd) {
    return fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}
