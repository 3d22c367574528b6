#include "report/charts/drawchart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "i18n/messages.h"
#include "outputs/tempregistry.h"
#include "report/charts/pngfile.h"

extern char** environ;

namespace {

// The gnuplot child drawing now, for endChartDrawing; 0 when none.
std::atomic<pid_t> drawingChild{0};
static_assert(std::atomic<pid_t>::is_always_lock_free, "the handlers may only touch lock-free atomics");

// Holds SIGINT, SIGTERM, SIGHUP and SIGQUIT back while a scratch file or
// the child comes into being and is recorded, so that a stop never misses one.
sigset_t holdStops() {
    sigset_t stops;
    sigset_t previous;
    sigemptyset(&stops);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&stops, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stops, &previous);
    return previous;
}

void releaseStops(const sigset_t& previous) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

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

// A scratch file being written, and its entry in the stop handlers' table.
struct Scratch {
    std::string path;
    int fd = -1;
    int slot = -1;
};

// A new file of a random name beside `chart` (mkstemp: never an existing
// file or a link), known to the stop handlers. A relative path gets "./"
// before it, so gnuplot never reads it as an option. A name the file system
// takes only just is shortened first, so that its ".XXXXXX" still fits.
bool makeScratch(const std::string& chart, Scratch* scratch) {
    const std::filesystem::path path(chart);
    std::string name = path.filename().string();
    const long longest = pathconf(path.has_parent_path() ? path.parent_path().c_str() : ".", _PC_NAME_MAX);
    const size_t room = longest > 7 ? static_cast<size_t>(longest) - 7 : 0;
    if (room > 0 && name.size() > room) {
        name.resize(room);
    }
    const std::string folder = path.has_parent_path() ? path.parent_path().string() + "/" : "";
    scratch->path = (chart.front() == '/' ? "" : "./") + folder + name + ".XXXXXX";
    const sigset_t previous = holdStops();
    scratch->fd = mkostemp(scratch->path.data(), O_CLOEXEC);
    if (scratch->fd >= 0) {
        scratch->slot = registerTemporary(scratch->path);
    }
    releaseStops(previous);
    return scratch->fd >= 0;
}

// Closes the scratch file; removes it unless `keep`.
void dropScratch(Scratch* scratch, bool keep) {
    if (scratch->fd >= 0) {
        close(scratch->fd);
        scratch->fd = -1;
    }
    if (!keep && !scratch->path.empty()) {
        unlink(scratch->path.c_str());
    }
    releaseTemporary(scratch->slot);
    scratch->slot = -1;
}

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Starts `gnuplot -c script drawing` with nothing on its standard input and
// its standard output sent to stderr, so it never waits for input or mixes
// into the table; SIGPIPE back to its default and no signal held for it.
int startGnuplot(const std::string& script, const std::string& drawing, pid_t* child) {
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
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::string arguments[] = {"gnuplot", "-c", script, drawing};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(), nullptr};
    const int error = posix_spawnp(child, "gnuplot", &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error;
}

bool runGnuplot(const std::string& script, const std::string& drawing, const std::string& chart) {
    pid_t child = 0;
    const sigset_t previous = holdStops();
    const int error = startGnuplot(script, drawing, &child);
    drawingChild.store(error == 0 ? child : 0);
    releaseStops(previous);
    if (error != 0) {
        fprintf(stderr, _("diagsum-report: cannot start gnuplot: %s (is gnuplot-nox installed?)\n"), strerror(error));
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    drawingChild.store(0);
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

// A path a chart can be drawn at: not empty, not a folder, its folder made.
bool chartPathUsable(const std::string& chart) {
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
    return makeChartFolder(chart);
}

// Writes the script into its scratch file and has gnuplot draw it into the
// drawing's; true when a whole PNG came of it.
bool drawInto(const std::string& script, const std::string& chart, const Scratch& drawing, Scratch* scriptFile) {
    bool written = makeScratch(chart, scriptFile) && writeAll(scriptFile->fd, script);
    if (scriptFile->fd >= 0 && close(scriptFile->fd) != 0) {
        written = false;
    }
    scriptFile->fd = -1;
    if (!written) {
        fprintf(stderr, _("diagsum-report: cannot write gnuplot's script beside '%s': %s\n"), chart.c_str(),
                strerror(errno));
        return false;
    }
    if (!runGnuplot(scriptFile->path, drawing.path, chart)) {
        return false;
    }
    if (!isWholePng(drawing.fd)) {
        // A full disk or a file-size limit cuts the picture short, and gnuplot still exits 0.
        fprintf(stderr, _("diagsum-report: gnuplot drew no whole PNG for %s (is the disk full?)\n"), chart.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool installDrawing(int fd, const std::string& drawing, const std::string& chart) {
    // mkstemp makes the file private; the chart gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (rename(drawing.c_str(), chart.c_str()) != 0) {
        // TRANSLATORS: the chart, the system's reason, the scratch file that holds the whole chart.
        fprintf(stderr, _("diagsum-report: cannot write the chart '%s': %s; the whole chart is kept in '%s'\n"),
                chart.c_str(), strerror(errno), drawing.c_str());
        return false;
    }
    return true;
}

bool drawChart(const std::string& script, const std::string& chart) {
    if (!chartPathUsable(chart)) {
        return false;
    }
    Scratch drawing;
    if (!makeScratch(chart, &drawing)) {
        // TRANSLATORS: the chart, its folder, the system's reason.
        fprintf(stderr, _("diagsum-report: cannot draw the chart '%s': cannot create a file in folder '%s': %s\n"),
                chart.c_str(), folderOf(chart).c_str(), strerror(errno));
        return false;
    }
    Scratch scriptFile;
    const bool drawn = drawInto(script, chart, drawing, &scriptFile);
    dropScratch(&scriptFile, false);
    if (!drawn) {
        dropScratch(&drawing, false);
        return false;
    }
    // Renamed, the scratch name is gone; not renamed, the picture is the only
    // copy of the chart and stays: no stop may remove it in between.
    const sigset_t previous = holdStops();
    const bool installed = installDrawing(drawing.fd, drawing.path, chart);
    dropScratch(&drawing, true);
    releaseStops(previous);
    return installed;
}

void endChartDrawing() {
    const pid_t child = drawingChild.load();
    if (child > 0) {
        kill(child, SIGTERM);
    }
}
