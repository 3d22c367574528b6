// Stopping the real sweep mid-way: stop signals sent once or twice, to the
// process or to its group, from a shell loop, from timeout and from a
// terminal's Ctrl-C; every run made is kept. Each program runs in a child
// process started here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "programs.h"
#include "sweepfiles.h"
#include "testsupport.h"

using namespace programs;
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
            // Asked to end now, it still writes what it measured.
            EXPECT_EQ(entriesOf("iteration"), static_cast<long>(workers.size()));
            // Both are pending at once, and which thread takes which, and
            // so which counts as first, is the kernel's choice.
            const auto first = sweepContext()["stop_signal"];
            EXPECT_TRUE(first == "SIGINT" || first == "SIGTERM") << first;
            continue;  // the means cut wherever the signals fell
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

namespace {

// A sweep that takes far longer than any stop of these tests comes after.
const std::vector<std::string> longSweep{"--size", "20x20", "--no-log", "--json", "sweep.json"};

// The sweep stopped by `signal` left a JSON file of every run it made, the
// stop recorded, and said so in one line.
void expectStoppedSweep(int signal) {
    ASSERT_TRUE(nlohmann::json::accept(readFile("sweep.json"))) << readFile("stderr.txt");
    const auto context = sweepContext();
    EXPECT_EQ(context["stopped"], true);
    EXPECT_EQ(context["stop_signal_number"], signal);
    EXPECT_EQ(context["runs_made"].get<long>(), entriesOf("iteration"));
    const std::string said = testsupport::withoutMachineWarnings(readFile("stderr.txt"));
    EXPECT_EQ(said.rfind("diagsum: sweep stopped by SIG", 0), 0u) << said;
    EXPECT_EQ(lineCount(said), 1u) << said;
}

std::vector<std::string> underTimeout(std::vector<std::string> options, const std::string& seconds) {
    options.push_back(seconds);
    options.push_back(DIAGSUM_EXE);
    options.insert(options.end(), longSweep.begin(), longSweep.end());
    return options;
}

}  // namespace

// GNU timeout signals the program, then its own process group, so the
// program often receives the signal twice at once: still one stop.
TEST(SweepStop, TimeoutAtAnyMomentKeepsEveryRunInTheJson) {
    std::mt19937 moments(20);  // fixed: a failure can be run again as it was
    std::uniform_int_distribution<int> millis(250, 650);
    for (int sweep = 0; sweep < 20; sweep++) {
        testsupport::ScratchDir dir;
        const bool interrupt = sweep % 2 == 0;
        const std::string seconds = "0." + std::to_string(millis(moments));
        SCOPED_TRACE((interrupt ? "timeout -s INT " : "timeout ") + seconds);
        const std::vector<std::string> options =
            interrupt ? std::vector<std::string>{"-s", "INT"} : std::vector<std::string>{};
        EXPECT_EQ(finish(start("/usr/bin/timeout", underTimeout(options, seconds))), 124);
        expectStoppedSweep(interrupt ? SIGINT : SIGTERM);
    }
}

TEST(SweepStop, TimeoutPreservingTheStatusEndsByTheSignal) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(finish(start("/usr/bin/timeout", underTimeout({"--preserve-status", "-s", "INT"}, "0.4"))),
              128 + SIGINT);
    expectStoppedSweep(SIGINT);
}

TEST(SweepStop, SignalToTheProcessAndToItsGroupIsOneStop) {
    for (const bool group : {false, true}) {
        SCOPED_TRACE(group ? "the group" : "the process");
        testsupport::ScratchDir dir;
        const pid_t shell = startShell(R"(exec "$0" --size 20x20 --no-log --json sweep.json)", DIAGSUM_EXE);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        kill(shell, SIGINT);  // the shell became the sweep, the leader of its own group
        if (group) {
            kill(-shell, SIGINT);
        }
        EXPECT_EQ(finish(shell), 1000 + SIGINT);
        expectStoppedSweep(SIGINT);
    }
}

// Ctrl-C on a terminal: util-linux script runs the sweep on a pseudo
// terminal, and the ^C written to it reaches the sweep as SIGINT.
TEST(SweepStop, CtrlCOnATerminalKeepsEveryRun) {
    if (access("/usr/bin/script", X_OK) != 0) {
        GTEST_SKIP() << "needs util-linux script for a pseudo terminal";
    }
    // A root without /dev/pts (a bare chroot) gives script no terminal.
    if (std::system("script -q -e -c true /dev/null </dev/null >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no pseudo terminal can be opened here (is /dev/pts mounted?)";
    }
    testsupport::ScratchDir dir;
    const pid_t shell = startShell(
        R"((sleep 0.5; printf '\003'; sleep 2) | script -q -e -c "'$0' --size 20x20 --no-log --json sweep.json" /dev/null)",
        DIAGSUM_EXE);
    EXPECT_EQ(finishWithin(shell, 30), 128 + SIGINT) << "script's status is the sweep's";
    ASSERT_TRUE(nlohmann::json::accept(readFile("sweep.json")));
    EXPECT_EQ(sweepContext()["stop_signal"], "SIGINT");
    EXPECT_EQ(sweepContext()["runs_made"].get<long>(), entriesOf("iteration"));
}
