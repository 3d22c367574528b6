#include "outputs/logcheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "i18n/messages.h"
#include "outputs/outputpath.h"

namespace {

// More than the longest line the drivers write (a time of 309 digits).
constexpr size_t tailBytes = 512;
// How much of a line that is not a log line the message shows.
constexpr size_t shownBytes = 40;

// Takes the decimal digits at the front of `text`, after a minus sign when
// `sign` allows one; false when there are no digits.
bool takeNumber(std::string_view* text, bool sign) {
    if (sign && !text->empty() && text->front() == '-') {
        text->remove_prefix(1);
    }
    size_t digits = 0;
    while (digits < text->size() && (*text)[digits] >= '0' && (*text)[digits] <= '9') {
        digits++;
    }
    text->remove_prefix(digits);
    return digits > 0;
}

bool takeText(std::string_view* text, std::string_view expected) {
    if (text->substr(0, expected.size()) != expected) {
        return false;
    }
    text->remove_prefix(expected.size());
    return true;
}

// The last bytes of the file, up to tailBytes; empty when it cannot be read.
std::string readTail(const std::string& path, off_t size) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return "";
    }
    const off_t from = size > static_cast<off_t>(tailBytes) ? size - static_cast<off_t>(tailBytes) : 0;
    std::string tail(static_cast<size_t>(size - from), '\0');
    const ssize_t got = pread(fd, tail.data(), tail.size(), from);
    close(fd);
    tail.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return tail;
}

// `text` as the message shows it: printable ASCII, cut short.
std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, shownBytes)) {
        out.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    return text.size() > shownBytes ? out + "..." : out;
}

}  // namespace

bool isRunLogLine(std::string_view line) {
    if (!takeNumber(&line, true) || !takeText(&line, ",")) {
        return false;
    }
    const size_t decimals = line.size();
    if (!takeNumber(&line, false) || decimals - line.size() != 2) {
        return false;
    }
    for (int field = 0; field < 4; field++) {
        if (!takeText(&line, "; ") || !takeNumber(&line, true)) {
            return false;
        }
    }
    return line.empty();
}

bool logRefused(const char* program, const std::string& path) {
    OutputPath where;
    if (path.empty() || resolveOutputPath(path, &where) != 0 || !where.exists ||
        !S_ISREG(where.status.st_mode) || where.status.st_size == 0) {
        return false;
    }
    const std::string tail = readTail(where.unnamed ? path : where.target, where.status.st_size);
    if (tail.empty()) {
        return false;  // it cannot be read: whatever it is, it is the user's to append to
    }
    if (tail.back() != '\n') {
        const size_t start = tail.rfind('\n');
        // TRANSLATORS: the program, the file, the start of its last line.
        fprintf(stderr, _("%s: --log %s is not a run log: it ends inside a line (\"%s\")\n"), program,
                path.c_str(), shown(tail.substr(start == std::string::npos ? 0 : start + 1)).c_str());
        return true;
    }
    const std::string_view body(tail.data(), tail.size() - 1);  // without the last newline
    const size_t newline = body.rfind('\n');
    // A line longer than the tail read is longer than any the drivers write.
    const bool wholeTail =
        newline != std::string_view::npos || tail.size() == static_cast<size_t>(where.status.st_size);
    const std::string_view last = newline == std::string_view::npos ? body : body.substr(newline + 1);
    if (wholeTail && isRunLogLine(last)) {
        return false;
    }
    // TRANSLATORS: the program, the file, its last line (cut short).
    fprintf(stderr, _("%s: --log %s is not a run log: its last line is \"%s\"\n"), program, path.c_str(),
            shown(last).c_str());
    return true;
}
