// A sweep made by several fresh processes (--invocations), the real program
// in a child process: the merged outputs, a stop in the second invocation,
// a child that dies, what each child sets up, and the refusals.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "programs.h"
#include "testsupport.h"

using programs::finish;
using testsupport::lines;
using testsupport::readFile;

namespace {

// Starts diagsum with `args` (shell words) in the working directory, its
// output into stdout.txt and stderr.txt; `exec` keeps the shell out of it,
// so the pid is the program's.
pid_t startSweep(const std::string& args) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGINT, SIG_DFL);
        const std::string command =
            std::string("exec '") + DIAGSUM_EXE + "' " + args + " > stdout.txt 2> stderr.txt < /dev/null";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int runSweep(const std::string& args) {
    return finish(startSweep(args));
}

// Waits until `file` holds at least `count` lines.
void waitForLines(const char* file, size_t count) {
    for (int i = 0; i < 12000 && lines(readFile(file)).size() < count; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The iterations of the JSON file in the order they were made.
std::vector<nlohmann::json> iterationsInSequence(const nlohmann::json& json) {
    std::vector<nlohmann::json> runs;
    for (const auto& entry : json["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            runs.push_back(entry);
        }
    }
    std::sort(runs.begin(), runs.end(),
              [](const auto& a, const auto& b) { return a["sequence"] < b["sequence"]; });
    return runs;
}

// "T - mean" as one process prints it: the ticks of all the count's runs
// (the JSON's cpu_time, in the order the runs came) over --runs.
std::string meanLines(const nlohmann::json& json, int runs, const std::vector<int>& counts) {
    std::map<int, double> totals;
    std::map<int, int> made;
    for (const auto& entry : json["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            totals[entry["threads"]] += entry["cpu_time"].get<double>();
            made[entry["threads"]]++;
        }
    }
    std::string text;
    for (int count : counts) {
        if (made[count] == runs) {
            char line[64];
            snprintf(line, sizeof line, "%d - %lf\n", count, totals[count] / runs);
            text += line;
        }
    }
    return text;
}

size_t usableCpus() {
    cpu_set_t mask;
    return sched_getaffinity(0, sizeof mask, &mask) == 0 ? static_cast<size_t>(CPU_COUNT(&mask)) : 0;
}


}  // namespace

TEST(Invocations, TheParentWritesOneSweepOfAllTheirRuns) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(runSweep("--size 20x20 --threads 1-3 --runs 5 --warmup 1 --invocations 2 --order random:7 "
                       "--json s.json --log l.csv --progress"),
              0)
        << readFile("stderr.txt");
    const auto json = nlohmann::json::parse(readFile("s.json"));
    const auto& context = json["context"];
    EXPECT_EQ(context["invocations"], 2);
    EXPECT_EQ(context["runs"], 5);
    EXPECT_EQ(context["runs_made"], 15);
    EXPECT_EQ(context["usable_cpus"], usableCpus());
    ASSERT_EQ(context["invocation_seeds"].size(), 2u);
    EXPECT_NE(context["invocation_seeds"][0], context["invocation_seeds"][1]);

    // Runs in sequence across the whole sweep, the first invocation's first,
    // each invocation making its share of every count: 3 runs, then 2.
    const std::vector<nlohmann::json> runs = iterationsInSequence(json);
    ASSERT_EQ(runs.size(), 15u);
    std::map<std::pair<int, int>, int> share;
    for (size_t i = 0; i < runs.size(); i++) {
        EXPECT_EQ(runs[i]["sequence"], i);
        EXPECT_EQ(runs[i]["invocation"], i < 9 ? 0 : 1) << i;
        share[{runs[i]["invocation"], runs[i]["threads"]}]++;
    }
    for (int count : {1, 2, 3}) {
        EXPECT_EQ((share[{0, count}]), 3) << count;
        EXPECT_EQ((share[{1, count}]), 2) << count;
    }
    // The log in the order the runs were made, each line its run's ticks.
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        const std::vector<std::string> log = lines(readFile("l.csv"));
        ASSERT_EQ(log.size(), runs.size());
        for (size_t i = 0; i < log.size(); i++) {
            char line[96];
            snprintf(line, sizeof line, "%.2f; 20; 20; 39; %d", runs[i]["cpu_time"].get<double>(),
                     runs[i]["threads"].get<int>());
            std::string expected = line;
            expected[expected.find('.')] = ',';
            EXPECT_EQ(log[i], expected) << i;
        }
    }
    if (testsupport::plainOutput) {
        EXPECT_EQ(readFile("stdout.txt"), meanLines(json, 5, {1, 2, 3}));
    }
    EXPECT_EQ(lines(readFile("out.txt")).size(), 39u);
    EXPECT_NE(readFile("stderr.txt").find("of 15 runs done"), std::string::npos) << "one line for the sweep";
    EXPECT_FALSE(std::filesystem::exists("infoData.csv"));
}

TEST(Invocations, AStopInTheSecondInvocationKeepsWhatWasMeasured) {
    testsupport::ScratchDir dir;
    // Each invocation makes half the runs of each of the 4 counts; the
    // second is stopped at its first run, with far more still to make than
    // the stop takes to arrive (sanitizers make every run far dearer).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const int runs = 40;
#else
    const int runs = 200;
#endif
    const pid_t pid = startSweep("--size 600x600 --threads 1-4 --runs " + std::to_string(runs) +
                                 " --invocations 2 --json s.json");
    waitForLines("infoData.csv", 4 * runs / 2 + 1);
    kill(pid, SIGTERM);  // the parent alone: it passes the stop on
    EXPECT_EQ(finish(pid), 1000 + SIGTERM);

    const auto json = nlohmann::json::parse(readFile("s.json"));
    const std::vector<nlohmann::json> made = iterationsInSequence(json);
    size_t first = 0;
    for (const auto& run : made) {
        first += run["invocation"] == 0 ? 1 : 0;
    }
    EXPECT_EQ(first, 2u * runs) << "the first invocation's runs are all kept";
    EXPECT_LT(made.size(), 4u * runs) << "the second was stopped";
    EXPECT_EQ(json["context"]["stopped"], true);
    EXPECT_EQ(json["context"]["stop_signal"], "SIGTERM");
    EXPECT_EQ(json["context"]["runs_planned"], 4 * runs);
    EXPECT_EQ(json["context"]["runs_made"], made.size());
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        EXPECT_EQ(lines(readFile("infoData.csv")).size(), made.size());
    }
    // A count is whole only where both invocations made their runs.
    if (testsupport::plainOutput) {
        EXPECT_EQ(readFile("stdout.txt"), meanLines(json, runs, {1, 2, 3, 4}));
    }
    size_t aggregates = 0;
    for (const auto& entry : json["benchmarks"]) {
        aggregates += entry["run_type"] == "aggregate" ? 1 : 0;
    }
    EXPECT_EQ(aggregates, lines(readFile("stdout.txt")).size() * 4);
    const std::string said = testsupport::withoutMachineWarnings(readFile("stderr.txt"));
    const std::string stopLine = "diagsum: sweep stopped by SIGTERM after " + std::to_string(made.size()) +
                                 " of " + std::to_string(4 * runs) + " timed runs";
    EXPECT_EQ(said.rfind(stopLine, 0), 0u) << said;
}

TEST(Invocations, AChildThatDiesIsSaidAndItsRunsAreKept) {
    testsupport::ScratchDir dir;
    const pid_t pid =
        startSweep("--size 200x200 --threads 1-8 --runs 100 --invocations 2 --log l.csv --json s.json");
    waitForLines("l.csv", 20);
    std::string children =
        readFile("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    ASSERT_FALSE(children.empty()) << "the first invocation is at work";
    kill(std::stoi(children), SIGKILL);
    EXPECT_EQ(finish(pid), 255);
    const std::string said = testsupport::withoutMachineWarnings(readFile("stderr.txt"));
    EXPECT_EQ(said.rfind("diagsum: invocation 1 of 2 was killed by SIGKILL after ", 0), 0u) << said;
    EXPECT_EQ(lines(said).size(), 1u) << said;
    const std::vector<nlohmann::json> runs = iterationsInSequence(nlohmann::json::parse(readFile("s.json")));
    EXPECT_GE(runs.size(), 20u);
    EXPECT_EQ(lines(readFile("l.csv")).size(), runs.size()) << "every run it sent";
    EXPECT_EQ(runs.back()["invocation"], 0) << "no invocation started after it";
}

// The pool's stack-size restart and the binding hold in every child.
TEST(Invocations, EachChildSetsItselfUpAsOneProcessWould) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(
        runSweep("--mode pool --stack-size 64k --bind scatter --threads 2 --runs 2 --invocations 2 --no-log "
                 "--json p.json"),
        0)
        << readFile("stderr.txt");
    const auto json = nlohmann::json::parse(readFile("p.json"));
    EXPECT_EQ(json["context"]["omp_stacksize"], "65536B");
    for (const auto& run : iterationsInSequence(json)) {
        EXPECT_EQ(run["placement_misses"], 0) << run["invocation"];
    }
}

TEST(Invocations, FewerRunsThanInvocationsAndAShareNotFromAParentAreRefused) {
    testsupport::ScratchDir dir;
    for (const std::string& args : {std::string("--runs 2 --invocations 3"), std::string("--invocations 0"),
                                    std::string("--invocations 2x")}) {
        EXPECT_EQ(runSweep(args), 64) << args;
        EXPECT_EQ(lines(readFile("stderr.txt")).size(), 1u) << readFile("stderr.txt");
    }
    EXPECT_NE(readFile("stderr.txt").find("--invocations"), std::string::npos);
    EXPECT_EQ(runSweep("--threads 1 --runs 1 --invocations 1 --no-log --out o.txt"), 0)
        << "one is today's sweep";
    setenv("DIAGSUM_INVOCATION", "0 0 2 1 0 -", 1);
    EXPECT_EQ(runSweep("--threads 1 --runs 2 --invocations 2"), 64);
    unsetenv("DIAGSUM_INVOCATION");
    EXPECT_NE(readFile("stderr.txt").find("DIAGSUM_INVOCATION"), std::string::npos) << readFile("stderr.txt");
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "stdout.txt" || name == "stderr.txt" || name == "o.txt") << name;
    }
}
