#include "outputs/outputcheck.h"

#include <fcntl.h>
#include <sys/stat.h>
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
    }
    if (error != 0) {
        reportOutputFailure(file, error);
        return false;
    }
    return true;
}
