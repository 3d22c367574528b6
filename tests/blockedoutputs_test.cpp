// Stopping the real programs while an output blocks or is gone: a closed
// standard output, a pipe that stops being read, standard output waiting
// for its reader, a JSON file that is a pipe nobody reads, a log another
// process holds locked. Each program runs in a child process started here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "outputs/stopsignals.h"
#include "programs.h"
#include "sweepfiles.h"
#include "testsupport.h"

using namespace programs;
using namespace sweepfiles;
using testsupport::readFile;

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

// After a stop, the JSON file is a pipe nobody reads: a second stop, a
// while later, ends the wait and the program.
TEST(SweepStop, SecondStopLaterEndsAWaitForTheJsonPipe) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(mkfifo("sweep.json", 0666), 0);
    const pid_t pid = start(DIAGSUM_EXE, {"--size", "20x20", "--no-log", "--json", "sweep.json"});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(pid, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(repeatedStopMillis + 300));
    kill(pid, SIGTERM);
    EXPECT_EQ(finishWithin(pid, 10), 1000 + SIGTERM) << "2000: still waiting";
    EXPECT_NE(readFile("stderr.txt").find("cannot write sweep.json"), std::string::npos)
        << readFile("stderr.txt");
    EXPECT_TRUE(noTemporaryLeft());
}

// Another process holds the log's lock: a stop is not held behind it, and
// the line it could not write is said.
TEST(SweepStop, LockedLogDoesNotHoldTheStop) {
    if (!testsupport::plainConsoleAndLog) {
        GTEST_SKIP() << "waits on the log's lines";
    }
    testsupport::ScratchDir dir;
    const int holder = open("lk.csv", O_WRONLY | O_CREAT | O_APPEND, 0666);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const pid_t pid = start(DIAGSUM_EXE, sweep("5", {"--log", "lk.csv"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // the first line waits for the lock
    kill(pid, SIGTERM);
    EXPECT_EQ(finishWithin(pid, 10), 1000 + SIGTERM) << "2000: held by the lock";
    EXPECT_EQ(
        testsupport::withoutMachineWarnings(readFile("stderr.txt")),
        "diagsum: sweep stopped by SIGTERM after 1 of 20 timed runs; they are kept in lk.csv (all but the "
        "last run: another process held its lock)\n");

    const pid_t single = start(DIAGSUM_SINGLE_EXE, {"--size", "20x20", "--log", "lk.csv"});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(single, SIGTERM);
    EXPECT_EQ(finishWithin(single, 10), 1000 + SIGTERM);
    EXPECT_EQ(readFile("stderr.txt"),
              "diagsum-single: the run is not in lk.csv: another process held its lock when the stop came\n");
    close(holder);
    EXPECT_EQ(readFile("lk.csv"), "");
}
