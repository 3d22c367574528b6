#include "outputs/outputcheck.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>

#include "i18n/messages.h"
#include "outputs/outputpath.h"
#include "outputs/replace.h"

namespace {

// A regular file that two outputs must not share: the file a path reaches
// or, for one not made yet, where it will be made.
struct FileKey {
    bool regular = false;  // devices and pipes may be shared
    dev_t device = 0;
    ino_t inode = 0;
    std::string planned;  // set for a file not made yet
};

FileKey statusKey(const struct stat& status) {
    return FileKey{S_ISREG(status.st_mode), status.st_dev, status.st_ino, ""};
}

FileKey fileKey(const std::string& path) {
    OutputPath where;
    if (resolveOutputPath(path, &where) != 0) {
        return FileKey{};  // the up-front check says why it cannot be written
    }
    if (where.exists) {
        return statusKey(where.status);
    }
    return FileKey{true, 0, 0, plannedFileKey(where.target)};
}

bool sameFile(const FileKey& a, const FileKey& b) {
    return a.regular && b.regular && a.planned == b.planned &&
           (!a.planned.empty() || (a.device == b.device && a.inode == b.inode));
}

// Whether the process may remove other users' files from a sticky
// directory (CAP_FOWNER, as root normally has).
bool mayOverrideSticky() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return geteuid() == 0;
    }
    return (data[CAP_TO_INDEX(CAP_FOWNER)].effective & CAP_TO_MASK(CAP_FOWNER)) != 0;
}

// The mount a file is reached through: a bind-mounted file (as container
// volumes give) is on another mount than its directory, though often on
// the same device. 0 when the kernel cannot say.
uint64_t mountOf(const std::string& path, dev_t* device) {
    struct statx status {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_MNT_ID, &status) != 0) {
        return 0;
    }
    *device = makedev(status.stx_dev_major, status.stx_dev_minor);
    return (status.stx_mask & STATX_MNT_ID) != 0 ? status.stx_mnt_id : 0;
}

// Why the existing regular file `target` could not be renamed over, as
// rename would say it: another user's file in a sticky directory (EPERM),
// an immutable or append-only file (EPERM), a mount point (EBUSY); 0 when
// nothing stands in the way.
int renameBlocked(const std::string& target, const struct stat& file) {
    const std::string directory = directoryOf(target);
    const std::string folder = directory.empty() ? "." : directory;
    struct stat parent;
    if (stat(folder.c_str(), &parent) != 0) {
        return errno;
    }
    const uid_t self = geteuid();
    if ((parent.st_mode & S_ISVTX) != 0 && file.st_uid != self && parent.st_uid != self &&
        !mayOverrideSticky()) {
        return EPERM;
    }
    dev_t fileDevice = file.st_dev, folderDevice = parent.st_dev;
    const uint64_t fileMount = mountOf(target, &fileDevice);
    const uint64_t folderMount = mountOf(folder, &folderDevice);
    if (fileDevice != folderDevice || fileMount != folderMount) {
        return EBUSY;
    }
    const int fd = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return 0;  // not readable: its flags cannot be asked, and the rename may well work
    }
    int flags = 0;
    const bool fixed =
        ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
    close(fd);
    return fixed ? EPERM : 0;
}

}  // namespace

bool outputsClash(const char* program, const std::string& logPath, const std::string& outPath,
                  const std::string& jsonPath, const std::string& tracePath) {
    struct Output {
        const char* option;
        const std::string& path;
        FileKey key;
    };
    Output outputs[] = {
        {"--log", logPath, {}}, {"--out", outPath, {}}, {"--json", jsonPath, {}}, {"--trace", tracePath, {}}};
    FileKey console;
    struct stat status;
    if (fstat(STDOUT_FILENO, &status) == 0) {
        console = statusKey(status);
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

bool checkReplaceable(OutputFile* file) {
    OutputPath where;
    int error = resolveOutputPath(file->name, &where);
    const bool inPlace =
        where.unnamed || (where.exists && !S_ISREG(where.status.st_mode) && !S_ISDIR(where.status.st_mode));
    if (error == 0 && inPlace) {
        // Only asked, not opened: opening a pipe would wait for a reader,
        // and closing it again would end that reader's input.
        const std::string& path = where.unnamed ? file->name : where.target;
        error = faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
    } else if (error == 0) {
        PendingFile pending;
        error = beginReplace(&pending, file->name);
        abandonReplace(&pending);
        // The temporary could be made; the rename over the old file is not
        // tried (it would replace it), but what would stop it is looked at.
        if (error == 0 && where.exists) {
            error = renameBlocked(where.target, where.status);
        }
    }
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
    return true;
}
