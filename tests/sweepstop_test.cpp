// Stopping the real programs: stop signals mid-sweep, from the shell and
// from timeout, sent once or twice; a closed or stalled pipe; a log another
// process holds locked. Each program runs in a child process started here.
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

using programs::finish;
using programs::finishWithin;
using programs::lineCount;
using programs::start;
using programs::startIntoClosedPipe;
using programs::startShell;
using namespace sweepfiles;
using testsupport::readFile;

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
        R"("$0" --size 200x200 --threads 1-127 --no-log --json sweep.json | head -1; echo "${PIPESTATUS[@]}")",
        DIAGSUM_EXE);
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
        R"(for i in 1 2; do [ $i = 2 ] && exit 7; "$0" --size 200x200 --threads 1-127 --json sweep.json; done)",
        DIAGSUM_EXE);
    waitForLogLines(60);
    kill(-loop, SIGINT);
    EXPECT_EQ(finish(loop), 1000 + SIGINT);
    EXPECT_EQ(sweepContext()["stop_signal"], "SIGINT");

    // The calling shell still reads 143 after SIGTERM.
    std::filesystem::remove("infoData.csv");
    const pid_t shell =
        startShell(R"("$0" --size 200x200 --threads 1-127 > /dev/null & echo $! > pid; wait $!; echo "$?")",
                   DIAGSUM_EXE);
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
