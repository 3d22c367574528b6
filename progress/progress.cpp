#include "progress/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "i18n/messages.h"

namespace {

// "42 s", "3 min 5 s", "1 h 12 min": the estimate needs no more precision.
std::string duration(double seconds) {
    const long whole = std::lround(seconds);
    char text[64];
    if (whole < 60) {
        snprintf(text, sizeof text, "%ld s", whole);
    } else if (whole < 3600) {
        snprintf(text, sizeof text, "%ld min %ld s", whole / 60, whole % 60);
    } else {
        snprintf(text, sizeof text, "%ld h %ld min", whole / 3600, whole % 3600 / 60);
    }
    return text;
}

// Writes all of `text` to stderr in one call when it can; a failed write
// switches the line off rather than disturbing the sweep.
void writeToTerminal(Progress* progress, const std::string& text) {
    if (write(STDERR_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        progress->shown = false;
    }
}

}  // namespace

void startProgress(Progress* progress, size_t total, ProgressChoice choice) {
    *progress = Progress{};
    progress->total = total;
    progress->shown = choice == ProgressChoice::on || (choice == ProgressChoice::automatic && isatty(STDERR_FILENO));
    progress->started = std::chrono::steady_clock::now();
}

std::string progressLine(int32_t workers, int32_t run, int32_t runs, size_t done, size_t total,
                         double elapsed) {
    char text[256];
    snprintf(text, sizeof text,
             workers == 1 ? _("diagsum: %d worker, run %d of %d; %zu of %zu runs done")
                          : _("diagsum: %d workers, run %d of %d; %zu of %zu runs done"),
             workers, run, runs, done, total);
    std::string line = text;
    if (done > 0 && done < total && elapsed > 0) {
        const double left = elapsed / static_cast<double>(done) * static_cast<double>(total - done);
        snprintf(text, sizeof text, _("; about %s left"), duration(left).c_str());
        line += text;
    }
    return line;
}

void progressRunDone(Progress* progress, int32_t workers, int32_t run, int32_t runs) {
    progress->done++;
    if (!progress->shown) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (progress->onScreen && now - progress->drawn < progressRedraw) {
        return;
    }
    progress->drawn = now;
    const double elapsed = std::chrono::duration<double>(now - progress->started).count();
    // Back to the line's start, the line, then clear what a longer line left.
    std::string text(1, '\r');
    text.append(progressLine(workers, run, runs, progress->done, progress->total, elapsed)).append("\x1b[K");
    writeToTerminal(progress, text);
    progress->onScreen = true;
}

void clearProgress(Progress* progress) {
    if (progress->shown && progress->onScreen) {
        writeToTerminal(progress, "\r\x1b[K");
    }
    progress->onScreen = false;
}
