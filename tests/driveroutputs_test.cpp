// The real programs' outputs under real failures: a log on a full device, a
// file-size limit reached mid-sweep, sweeps appending to one log at once,
// stop signals mid-sweep, a closed or stalled pipe, outputs reached through
// links, and the longest names. Each program runs in a child process
// started here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testsupport.h"

using testsupport::readFile;

namespace {

// Starts `program` with `args` in the working directory, its output into the
// files named (standard output closed for none, the test's own for "-"); with `sizeLimit` the child
// may write files of at most that many bytes.
pid_t start(const char* program, std::vector<std::string> args, const char* out = "stdout.txt",
            const char* err = "stderr.txt", rlim_t sizeLimit = RLIM_INFINITY) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(err, O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        if (out == nullptr) {
            close(STDOUT_FILENO);
        } else if (std::string(out) != "-") {
            dup2(open(out, O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
        }
        // Run from a script in the background, the tests inherit SIGINT
        // ignored, and the programs would keep it so.
        signal(SIGINT, SIG_DFL);
        const rlimit limit{sizeLimit, sizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char*> argv{const_cast<char*>(program)};
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(program, argv.data());
        _exit(127);
    }
    return pid;
}

size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The exit status, or 1000 + the signal that ended the program.
int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// As finish, but a program still running after `seconds` is killed and
// reported as 2000: the test then fails instead of hanging.
int finishWithin(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 100; i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    finish(pid);
    return 2000;
}

// Starts `program` with standard output into a pipe whose reader is gone.
pid_t startIntoClosedPipe(const char* program, std::vector<std::string> args) {
    int ends[2];
    if (pipe(ends) != 0) {
        return -1;
    }
    close(ends[0]);
    const int saved = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    close(ends[1]);
    const pid_t pid = start(program, std::move(args), "-");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return pid;
}

// Runs `script` with bash (its $0 is diagsum) in a process group of its own,
// SIGINT at its default action, standard output into stdout.txt.
pid_t startShell(const std::string& script) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        signal(SIGINT, SIG_DFL);
        dup2(open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
        dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        execl("/bin/bash", "bash", "-c", script.c_str(), DIAGSUM_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Waits until the log holds `lines` lines: the sweep is under way.
void waitForLogLines(size_t lines) {
    for (int i = 0; i < 6000 && lineCount(readFile("infoData.csv")) < lines; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

nlohmann::json sweepContext() {
    return nlohmann::json::parse(readFile("sweep.json"))["context"];
}

// How many entries of the JSON file are of `type` ("iteration", "aggregate").
long entriesOf(const char* type) {
    const auto json = nlohmann::json::parse(readFile("sweep.json"));
    return std::count_if(json["benchmarks"].begin(), json["benchmarks"].end(),
                         [type](const auto& entry) { return entry["run_type"] == type; });
}

// The worker count of every line of a 20 x 20 sweep's log; a line that is
// not whole fails the test.
std::vector<int> loggedWorkers() {
    const std::string log = readFile("infoData.csv");
    EXPECT_TRUE(log.empty() || log.back() == '\n') << "the log ends inside a line";
    std::vector<int> workers;
    std::istringstream in(log);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(std::regex_match(line, m, std::regex(R"(\d+,\d\d; 20; 20; 39; (\d+))"))) << line;
        workers.push_back(m.empty() ? -1 : std::stoi(m[1]));
    }
    return workers;
}

// The sums of a 20 x 20 matrix of ones, as out.txt holds them.
std::string sumsText() {
    std::string text;
    for (int d = 0; d < 39; d++) {
        text += std::to_string(std::min(d + 1, 39 - d)) + ".000000\n";
    }
    return text;
}

// out.txt is whole.
bool sumsWhole() {
    return readFile("out.txt") == sumsText();
}

bool noTemporaryLeft() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("out.txt.", 0) == 0 || name.rfind("sweep.json.", 0) == 0) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> sweep(const char* runs, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--size", "20x20", "--threads", "1-4", "--runs", runs};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

}  // namespace

TEST(DriverOutputs, FullLogOrStandardOutputIsReportedAndFails) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    std::filesystem::create_symlink("/dev/full", "infoData.csv");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5"))), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write infoData.csv: No space left on device\n");
    EXPECT_EQ(lineCount(readFile("stdout.txt")), 4u) << "the means are still printed";
    EXPECT_TRUE(sumsWhole());
    EXPECT_EQ(finish(start(DIAGSUM_SINGLE_EXE, {"--size", "20x20"})), 1);

    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {"--no-log"}), "/dev/full")), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write standard output: No space left on device\n");

    std::filesystem::remove("infoData.csv");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5"), nullptr)), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write standard output: Bad file descriptor\n");
    EXPECT_EQ(loggedWorkers().size(), 20u) << "no mean in the log";
}

TEST(DriverOutputs, OutputsThatAreOneFileAreRefusedBeforeAnyRun) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", "kept\n");
    for (const std::vector<std::string>& clash : {std::vector<std::string>{"--out", "infoData.csv"},
                                                  {"--json", "./infoData.csv"},
                                                  {"--out", "a", "--json", "./a"}}) {
        EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", clash))), 64) << clash[1];
        EXPECT_EQ(lineCount(readFile("stderr.txt")), 1u);
    }
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {"--no-log"}), "out.txt")), 64)
        << "standard output is out.txt";
    EXPECT_EQ(finish(start(DIAGSUM_SINGLE_EXE, {"--log", "out.txt"})), 64);
    EXPECT_EQ(readFile("infoData.csv"), "kept\n");
    EXPECT_FALSE(std::filesystem::exists("a"));

    const std::vector<std::string> devices{"--out", "/dev/null", "--json", "/dev/null", "--log", "/dev/null"};
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("1", devices))), 0) << "devices may be shared";

    // Links, dangling ones included, lead to where the file really is.
    std::filesystem::create_directory("d");
    std::filesystem::create_symlink("sweep.json", "runs.csv");
    std::filesystem::create_symlink("d/../hop", "two-hops");
    std::filesystem::create_symlink("d/x.json", "hop");
    for (const std::vector<std::string>& clash :
         {std::vector<std::string>{"--log", "runs.csv", "--json", "sweep.json"},
          {"--out", "two-hops", "--json", "./d/x.json"},
          {"--out", "d/../two-hops", "--log", "hop"}}) {
        EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", clash))), 64) << clash[1] << " " << clash[3];
        EXPECT_EQ(lineCount(readFile("stderr.txt")), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists("sweep.json") || std::filesystem::exists("d/x.json"));

    // The up-front check goes where the file will be made.
    std::filesystem::create_symlink("no-dir/x.json", "nowhere.json");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {"--json", "nowhere.json"}))), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write nowhere.json: No such file or directory\n");
    EXPECT_EQ(readFile("stdout.txt"), "");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("1", {"--no-log", "--json", "runs.csv"}))), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("runs.csv"));
    EXPECT_NO_THROW(sweepContext()) << "made through the dangling link";
}

TEST(DriverOutputs, UnwritableOutputStopsBeforeAnyRun) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    for (const char* option : {"--out", "--json", "--log"}) {
        EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {option, "no-dir/file"}))), 1) << option;
        EXPECT_EQ(readFile("stdout.txt"), "");
        EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write no-dir/file: No such file or directory\n");
    }
    EXPECT_EQ(finish(start(DIAGSUM_SINGLE_EXE, {"--out", "no-dir/file"})), 1);
    EXPECT_EQ(readFile("stdout.txt"), "");
}

TEST(DriverOutputs, FileSizeLimitMidSweepKeepsTheWholeLinesThatFit) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    // SIGXFSZ keeps its default action: the program itself must turn the
    // limit into failed writes, whole lines and whole files.
    constexpr rlim_t limit = 400;  // about 16 of the 20 log lines
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5"), "stdout.txt", "stderr.txt", limit)), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write infoData.csv: File too large\n");
    const std::vector<int> workers = loggedWorkers();
    EXPECT_GT(readFile("infoData.csv").size() + 30, limit) << "every line that fitted is there";
    ASSERT_LT(workers.size(), 20u);
    for (size_t i = 0; i < workers.size(); i++) {
        EXPECT_EQ(workers[i], static_cast<int>(i / 5 + 1));
    }
    EXPECT_EQ(lineCount(readFile("stdout.txt")), 4u);
    EXPECT_TRUE(sumsWhole());

    // out.txt cannot fit: its write goes on past the limit.
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("1", {"--no-log"}), "stdout.txt", "stderr.txt", 100)), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write out.txt: File too large\n");
    EXPECT_TRUE(sumsWhole() && noTemporaryLeft());
}

TEST(DriverOutputs, ConcurrentSweepsLeaveEveryLineWhole) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    std::vector<pid_t> sweeps;
    for (const char* out : {"1.out", "2.out", "3.out"}) {
        sweeps.push_back(start(DIAGSUM_EXE, sweep("40"), out, "/dev/null"));
    }
    for (pid_t pid : sweeps) {
        EXPECT_EQ(finish(pid), 0);
    }
    const std::vector<int> workers = loggedWorkers();
    EXPECT_EQ(workers.size(), 3u * 4u * 40u);
    for (int count = 1; count <= 4; count++) {
        EXPECT_EQ(std::count(workers.begin(), workers.end(), count), 3 * 40);
    }
    EXPECT_TRUE(sumsWhole());
    EXPECT_TRUE(noTemporaryLeft());
}

TEST(DriverOutputs, StopSignalMidSweepLeavesWholeFiles) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    // SIGINT, SIGTERM, then both: the second to arrive ends the program at once.
    for (const std::vector<int>& signals :
         {std::vector{SIGINT}, std::vector{SIGTERM}, std::vector{SIGINT, SIGTERM}}) {
        testsupport::ScratchDir dir;
        const pid_t pid =
            start(DIAGSUM_EXE, {"--size", "20x20", "--threads", "1-127", "--json", "sweep.json"});
        // Mid-sweep: once some runs are logged; the whole sweep takes far longer.
        for (int i = 0; i < 6000 && lineCount(readFile("infoData.csv")) < 60; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (int s : signals) {
            kill(pid, s);
        }
        const int status = finish(pid);
        const std::vector<int> workers = loggedWorkers();
        EXPECT_LT(workers.size(), 127u * 50u);
        EXPECT_TRUE(!std::filesystem::exists("out.txt") || sumsWhole());
        EXPECT_TRUE(noTemporaryLeft());
        if (signals.size() == 2) {
            EXPECT_TRUE(status == 1000 + SIGINT || status == 1000 + SIGTERM) << status;
            continue;  // ended at once: no JSON, the means cut wherever the signal fell
        }
        EXPECT_EQ(status, 1000 + signals[0]) << "ends by the signal itself";
        EXPECT_EQ(lineCount(readFile("stdout.txt")), workers.size() / 50) << "every mean computed is out";
        EXPECT_EQ(entriesOf("iteration"), static_cast<long>(workers.size()))
            << "the JSON holds every run logged";
        EXPECT_EQ(entriesOf("aggregate"), static_cast<long>(workers.size() / 50 * 4))
            << "no aggregates for the count cut short";
        const auto context = sweepContext();
        EXPECT_EQ(context["stopped"], true);
        EXPECT_EQ(context["stop_signal"], signals[0] == SIGINT ? "SIGINT" : "SIGTERM");
        EXPECT_EQ(context["stop_signal_number"], signals[0]);
        EXPECT_EQ(context["runs_planned"], 127 * 50);
        EXPECT_EQ(context["runs_made"], workers.size());
        const std::string said = testsupport::withoutMachineWarnings(readFile("stderr.txt"));
        EXPECT_EQ(said.rfind("diagsum: sweep stopped by SIG", 0), 0u) << said;
        EXPECT_EQ(lineCount(said), 1u);
    }
}

TEST(DriverOutputs, ClosedStandardOutputStopsTheSweepAndEndsAsAPipeDeath) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    // The reader is gone before the first mean line: the sweep stops there.
    EXPECT_EQ(finish(startIntoClosedPipe(DIAGSUM_EXE, sweep("5", {"--json", "sweep.json"}))), 1000 + SIGPIPE);
    EXPECT_EQ(loggedWorkers(), std::vector<int>(5, 1)) << "the log keeps the lines of the count made";
    EXPECT_EQ(sweepContext()["stop_signal"], "SIGPIPE");
    EXPECT_EQ(sweepContext()["runs_made"], 5);
    EXPECT_EQ(entriesOf("aggregate"), 4) << "the count made is whole";
    EXPECT_EQ(testsupport::withoutMachineWarnings(readFile("stderr.txt")),
              "diagsum: sweep stopped by SIGPIPE after 5 of 20 timed runs; they are kept in infoData.csv, "
              "sweep.json\n");
    EXPECT_TRUE(sumsWhole());

    // The single run writes its files, then ends the same way.
    std::filesystem::remove("infoData.csv");
    std::filesystem::remove("out.txt");
    EXPECT_EQ(finish(startIntoClosedPipe(DIAGSUM_SINGLE_EXE, {"--size", "20x20"})), 1000 + SIGPIPE);
    EXPECT_EQ(loggedWorkers(), std::vector<int>{1});
    EXPECT_TRUE(sumsWhole());

    // `| head -1` in a shell: the first mean line goes through, $? says 141.
    std::filesystem::remove("infoData.csv");
    const pid_t shell = startShell(
        R"("$0" --size 200x200 --threads 1-127 --no-log --json sweep.json | head -1; echo "${PIPESTATUS[@]}")");
    EXPECT_EQ(finish(shell), 0);
    EXPECT_TRUE(std::regex_match(readFile("stdout.txt"), std::regex(R"(1 - \d+\.\d+\n141 0\n)")))
        << readFile("stdout.txt");
    EXPECT_EQ(sweepContext()["stopped"], true);
    EXPECT_EQ(entriesOf("iteration"), sweepContext()["runs_made"].get<long>());
}

TEST(DriverOutputs, StopSignalEndsTheProgramByItselfSoAShellLoopStops) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "waits for log lines";
    }
    testsupport::ScratchDir dir;
    // Ctrl-C reaches the whole process group: the loop ends with the sweep.
    const pid_t loop = startShell(
        R"(for i in 1 2; do [ $i = 2 ] && exit 7; "$0" --size 200x200 --threads 1-127 --json sweep.json; done)");
    waitForLogLines(60);
    kill(-loop, SIGINT);
    EXPECT_EQ(finish(loop), 1000 + SIGINT);
    EXPECT_EQ(sweepContext()["stop_signal"], "SIGINT");

    // The calling shell still reads 143 after SIGTERM.
    std::filesystem::remove("infoData.csv");
    const pid_t shell =
        startShell(R"("$0" --size 200x200 --threads 1-127 > /dev/null & echo $! > pid; wait $!; echo "$?")");
    waitForLogLines(60);
    kill(std::stoi(readFile("pid")), SIGTERM);
    EXPECT_EQ(finish(shell), 0);
    EXPECT_EQ(readFile("stdout.txt"), "143\n");
}

TEST(DriverOutputs, StopWhileAPipeOutputBlocksEndsTheSweep) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(mkfifo("pipe", 0666), 0);
    const pid_t pid = start(DIAGSUM_EXE, {"--size", "20x20", "--threads", "1", "--runs", "1000", "--no-log",
                                          "--out", "pipe", "--json", "sweep.json"});
    // One run's sums are read, then the reader is gone: a later run waits
    // for a reader that never comes, until the stop.
    const std::string sums = sumsText();
    std::string read(sums.size(), '\0');
    const int reader = open("pipe", O_RDONLY);
    size_t got = 0;
    for (ssize_t n = 1; got < read.size() && n > 0; got += static_cast<size_t>(n > 0 ? n : 0)) {
        n = ::read(reader, read.data() + got, read.size() - got);
    }
    close(reader);
    EXPECT_EQ(read, sums);
    kill(pid, SIGTERM);
    EXPECT_EQ(finishWithin(pid, 10), 1000 + SIGTERM) << "2000: still blocked";
    EXPECT_EQ(sweepContext()["stop_signal"], "SIGTERM");
    EXPECT_LT(sweepContext()["runs_made"], 1000);
    EXPECT_TRUE(noTemporaryLeft());
}

TEST(DriverOutputs, LongestNamesWork) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts log lines";
    }
    testsupport::ScratchDir dir;
    const std::string name(NAME_MAX - 5, 'n');
    EXPECT_EQ(finish(start(DIAGSUM_EXE,
                           sweep("2", {"--out", name, "--json", name + ".json", "--log", name + ".l"}))),
              0)
        << readFile("stderr.txt");
    EXPECT_EQ(lineCount(readFile(name)), 39u);
    EXPECT_EQ(lineCount(readFile(name + ".l")), 8u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 5) << "no temporary left";
}

// A stop that comes while standard output waits for its reader loses none
// of what was already printed: the lines go out whole and in order once the
// reader reads again.
TEST(DriverOutputs, StopWhileStandardOutputWaitsLosesNoLine) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console lines";
    }
    testsupport::ScratchDir dir;
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const int saved = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    close(ends[1]);
    // 5999 sum lines, far more than a pipe holds.
    const pid_t pid = start(DIAGSUM_SINGLE_EXE, {"--size", "3000x3000", "--threads", "2", "--no-log"}, "-");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the run is over; the pipe is full
    kill(pid, SIGTERM);
    std::string out;
    char buffer[65536];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
        }
    }
    close(ends[0]);
    finish(pid);
    std::istringstream lines(out);
    int expected = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Soma da diagonal ", 0) == 0) {
            ASSERT_EQ(line.rfind("Soma da diagonal " + std::to_string(expected) + " ", 0), 0u) << line;
            expected++;
        }
    }
    EXPECT_EQ(expected, 5999);
    EXPECT_EQ(readFile("stderr.txt"), "");
}
