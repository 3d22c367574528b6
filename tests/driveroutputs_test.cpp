// The real programs' outputs under real failures: a log on a full device, a
// file-size limit reached mid-sweep, sweeps appending to one log at once, and
// stop signals mid-sweep. Each program runs in a child process started here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
// files named (standard output closed for none); with `sizeLimit` the child
// may write files of at most that many bytes.
pid_t start(const char* program, std::vector<std::string> args, const char* out = "stdout.txt",
            const char* err = "stderr.txt", rlim_t sizeLimit = RLIM_INFINITY) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(err, O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        if (out == nullptr) {
            close(STDOUT_FILENO);
        } else {
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

// The exit status, or 1000 + the signal that ended the program.
int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
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

size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// out.txt is whole: the sums of a 20 x 20 matrix of ones.
bool sumsWhole() {
    std::string text;
    for (int d = 0; d < 39; d++) {
        text += std::to_string(std::min(d + 1, 39 - d)) + ".000000\n";
    }
    return readFile("out.txt") == text;
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
    EXPECT_EQ(readFile("stderr.txt"), "Cannot write infoData.csv: No space left on device\n");
    EXPECT_EQ(lineCount(readFile("stdout.txt")), 4u) << "the means are still printed";
    EXPECT_TRUE(sumsWhole());
    EXPECT_EQ(finish(start(DIAGSUM_SINGLE_EXE, {"--size", "20x20"})), 1);

    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {"--no-log"}), "/dev/full")), 1);
    EXPECT_EQ(readFile("stderr.txt"), "Cannot write standard output: No space left on device\n");

    std::filesystem::remove("infoData.csv");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5"), nullptr)), 1);
    EXPECT_EQ(readFile("stderr.txt"), "Cannot write standard output: Bad file descriptor\n");
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
}

TEST(DriverOutputs, UnwritableOutputStopsBeforeAnyRun) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "counts console and log lines";
    }
    testsupport::ScratchDir dir;
    for (const char* option : {"--out", "--json", "--log"}) {
        EXPECT_EQ(finish(start(DIAGSUM_EXE, sweep("5", {option, "no-dir/file"}))), 1) << option;
        EXPECT_EQ(readFile("stdout.txt"), "");
        EXPECT_EQ(readFile("stderr.txt"), "Cannot write no-dir/file: No such file or directory\n");
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
    EXPECT_EQ(readFile("stderr.txt"), "Cannot write infoData.csv: File too large\n");
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
    EXPECT_EQ(readFile("stderr.txt"), "Cannot write out.txt: File too large\n");
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
        EXPECT_EQ(status, 128 + signals[0]);
        EXPECT_EQ(lineCount(readFile("stdout.txt")), workers.size() / 50) << "every mean computed is out";
        const auto json = nlohmann::json::parse(readFile("sweep.json"));
        EXPECT_EQ(std::count_if(json["benchmarks"].begin(), json["benchmarks"].end(),
                                [](const auto& entry) { return entry["run_type"] == "iteration"; }),
                  static_cast<long>(workers.size()))
            << "the JSON holds every run logged";
    }
}
