#include "outputs/outputpath.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// How many links are followed before giving up, as the kernel does.
constexpr int maxLinkHops = 40;

// The text of the link at `path`, or "" when it cannot be read.
std::string linkText(const std::string& path, off_t size) {
    std::string text(static_cast<size_t>(size > 0 ? size : 255) + 1, '\0');
    const ssize_t length = readlink(path.c_str(), text.data(), text.size());
    if (length < 0 || static_cast<size_t>(length) >= text.size()) {
        return "";
    }
    text.resize(static_cast<size_t>(length));
    return text;
}

// Follows the links from `path`, which reaches no file, to the name a file
// made through it would get. Returns 0 or the errno.
int followDanglingLinks(const std::string& path, std::string* target) {
    std::string current = path;
    for (int hops = 0;; hops++) {
        struct stat link;
        if (lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            break;  // the name the file will be made at (or a directory that fails later)
        }
        if (hops == maxLinkHops) {
            return ELOOP;
        }
        const std::string next = linkText(current, link.st_size);
        if (next.empty()) {
            return ENOENT;
        }
        // A relative link is read from the directory that holds it.
        current = next[0] == '/' ? next : directoryOf(current) + next;
    }
    *target = current;
    return 0;
}

}  // namespace

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

int resolveOutputPath(const std::string& path, OutputPath* resolved) {
    *resolved = OutputPath{};
    resolved->target = path;
    if (stat(path.c_str(), &resolved->status) != 0) {
        return errno == ENOENT ? followDanglingLinks(path, &resolved->target) : errno;
    }
    resolved->exists = true;
    struct stat link;
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return 0;
    }
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        resolved->unnamed = true;
        return 0;
    }
    resolved->target = real;
    free(real);
    return 0;
}

std::string plannedFileKey(const std::string& target) {
    const std::string directory = directoryOf(target);
    char* real = realpath(directory.empty() ? "." : directory.c_str(), nullptr);
    if (real == nullptr) {
        return target;
    }
    std::string key = std::string(real) + "/" + target.substr(directory.size());
    free(real);
    return key;
}
