// The real programs' outputs under real failures: a log on a full device, a
// file-size limit reached mid-sweep, sweeps appending to one log at once,
// outputs reached through links, and the longest names. Each program runs in
// a child process started here.
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

#include "programs.h"
#include "sweepfiles.h"
#include "testsupport.h"

using namespace programs;
using namespace sweepfiles;
using testsupport::readFile;

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
