#include "report/drawchart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "i18n/messages.h"

extern char** environ;

namespace {

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno != EINTR) {
            return false;
        }
        done += wrote < 0 ? 0 : static_cast<size_t>(wrote);
    }
    return true;
}

// A new file of a random name beside `path` (mkstemp: never an existing file
// or a link). A relative path gets "./" before it, so gnuplot never reads it
// as an option. A name the file system takes only just is shortened first,
// so that its ".XXXXXX" still fits.
int makeScratch(const std::string& path, std::string* scratch) {
    const std::filesystem::path chart(path);
    std::string name = chart.filename().string();
    const long longest = pathconf(chart.has_parent_path() ? chart.parent_path().c_str() : ".", _PC_NAME_MAX);
    const size_t room = longest > 7 ? static_cast<size_t>(longest) - 7 : 0;
    if (room > 0 && name.size() > room) {
        name.resize(room);
    }
    const std::string folder = chart.has_parent_path() ? chart.parent_path().string() + "/" : "";
    *scratch = (path.front() == '/' ? "" : "./") + folder + name + ".XXXXXX";
    return mkostemp(scratch->data(), O_CLOEXEC);
}

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

bool startsAsPng(int fd) {
    unsigned char head[8];
    return pread(fd, head, sizeof head, 0) == sizeof head && memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
}

// Runs `gnuplot -c script drawing` with nothing on its standard input and
// its standard output sent to stderr, so it never waits for input or mixes
// into the table; SIGPIPE back to its default for it.
bool runGnuplot(const std::string& script, const std::string& drawing, const std::string& chart) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::string arguments[] = {"gnuplot", "-c", script, drawing};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(),
                    nullptr};
    pid_t child;
    const int error = posix_spawnp(&child, "gnuplot", &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        fprintf(stderr, _("diagsum-report: cannot start gnuplot: %s (is gnuplot-nox installed?)\n"),
                strerror(error));
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, _("diagsum-report: gnuplot could not draw %s\n"), chart.c_str());
        return false;
    }
    return true;
}

// Makes the chart's folder and any folder above it that is missing, as
// mkdir -p does (0777 less the umask), so that "-o out/chart.png" works in a
// fresh directory. Folders made stay, even when the chart then cannot be
// drawn.
bool makeChartFolder(const std::string& chart) {
    const std::filesystem::path folder = std::filesystem::path(chart).parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error)) {
        return true;
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        fprintf(stderr, _("diagsum-report: cannot draw the chart '%s': cannot make its folder '%s': %s\n"),
                chart.c_str(), folder.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

}  // namespace

bool drawChart(const std::string& script, const std::string& chart) {
    if (chart.empty()) {
        fputs(_("diagsum-report: cannot draw a chart at an empty path\n"), stderr);
        return false;
    }
    struct stat info {};
    if (chart.back() == '/' || (stat(chart.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        fprintf(stderr, _("diagsum-report: cannot draw the chart '%s': it names a folder, not a file\n"),
                chart.c_str());
        return false;
    }
    if (!makeChartFolder(chart)) {
        return false;
    }
    std::string drawing;
    const int drawingFd = makeScratch(chart, &drawing);
    if (drawingFd < 0) {
        // TRANSLATORS: the chart, its folder, the system's reason.
        fprintf(stderr,
                _("diagsum-report: cannot draw the chart '%s': cannot create a file in folder '%s': %s\n"),
                chart.c_str(), folderOf(chart).c_str(), strerror(errno));
        return false;
    }
    std::string scriptPath;
    const int scriptFd = makeScratch(chart, &scriptPath);
    bool drawn = scriptFd >= 0 && writeAll(scriptFd, script);
    if (scriptFd >= 0 && close(scriptFd) != 0) {
        drawn = false;
    }
    if (!drawn) {
        fprintf(stderr, _("diagsum-report: cannot write gnuplot's script beside '%s': %s\n"), chart.c_str(),
                strerror(errno));
    }
    drawn = drawn && runGnuplot(scriptPath, drawing, chart);
    if (drawn && !startsAsPng(drawingFd)) {
        fprintf(stderr, _("diagsum-report: gnuplot drew no PNG for %s\n"), chart.c_str());
        drawn = false;
    }
    if (drawn) {
        // mkstemp makes the file private; the chart gets the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(drawingFd, 0666 & ~mask);
        if (rename(drawing.c_str(), chart.c_str()) != 0) {
            fprintf(stderr, _("diagsum-report: cannot write the chart '%s': %s\n"), chart.c_str(),
                    strerror(errno));
            drawn = false;
        }
    }
    close(drawingFd);
    if (scriptFd >= 0) {
        unlink(scriptPath.c_str());
    }
    if (!drawn) {
        unlink(drawing.c_str());
    }
    return drawn;
}

