// The real programs, run whole: the default sweep over 1 to 127 workers, the
// sweep and the single run asked their own questions, and refused command
// lines.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

using namespace testsupport;

// The whole default sweep; builds under sanitizers, where every thread start
// costs far more, sweep a reduced set through the options instead.
TEST(BenchmarkSweep, RealProgramPrintsMeansLogsEveryRunAndLeavesLastSums) {
    if (!plainOutput || !DIAGSUM_GENERATE_EXECUTION_DATA) {
        GTEST_SKIP() << "needs the default settings for its line counts";
    }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const std::string args = "--threads 1-16 --runs 3";
    const size_t counts = 16;
    const size_t runs = 3;
#else
    const std::string args;
    const size_t counts = 127;
    const size_t runs = 50;
#endif
    testsupport::ScratchDir dir;
    const std::string command =
        std::string("'") + DIAGSUM_EXE + "' " + args + " > stdout.txt 2> stderr.txt < /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const std::string out = readFile("stdout.txt");
    ASSERT_EQ(out.back(), '\n');
    const auto means = lines(out);
    ASSERT_EQ(means.size(), counts) << "nothing but the mean lines";
    const std::regex meanLine(R"((\d+) - (\d+\.\d{6}))");
    for (size_t i = 0; i < means.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(means[i], m, meanLine)) << means[i];
        EXPECT_EQ(std::stoul(m[1]), i + 1);
    }
    EXPECT_EQ(readFile("stderr.txt"), "");

    const auto log = lines(readFile("infoData.csv"));
    ASSERT_EQ(log.size(), counts * runs);
    const std::regex logLine(R"(\d+,\d\d; 500; 500; 999; (\d+))");
    for (size_t i = 0; i < log.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(log[i], m, logLine)) << "line " << i + 1 << ": " << log[i];
        ASSERT_EQ(std::stoul(m[1]), i / runs + 1) << "line " << i + 1;
    }

    EXPECT_EQ(readFile("out.txt"), sumsOfOnes(500, 500));
}

TEST(SweepProgram, AnswersTheUsersOwnQuestion) {
    testsupport::ScratchDir dir;
    const Finished run =
        runProgram(DIAGSUM_EXE, "--size 120x80 --threads 1,3,2,8 --runs 4 --warmup 2 --json a.json");
    ASSERT_EQ(run.status, 0) << run.err;
    if (plainOutput) {
        EXPECT_TRUE(std::regex_match(
            run.out, std::regex(R"(1 - \d+\.\d{6}\n3 - \d+\.\d{6}\n2 - \d+\.\d{6}\n8 - \d+\.\d{6}\n)")))
            << run.out;
    }
    EXPECT_EQ(readFile("out.txt"), sumsOfOnes(120, 80));
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        const auto log = lines(readFile("infoData.csv"));
        ASSERT_EQ(log.size(), 16u) << "warmup runs are not logged";
        for (size_t i = 0; i < log.size(); i++) {
            const char* workers[] = {"1", "3", "2", "8"};
            EXPECT_TRUE(std::regex_match(
                log[i], std::regex(std::string(R"(\d+,\d\d; 120; 80; 199; )") + workers[i / 4])))
                << log[i];
        }
    }

    const auto json = nlohmann::json::parse(readFile("a.json"));
    EXPECT_EQ(json["context"]["rows"], 120);
    EXPECT_EQ(json["context"]["runs"], 4);
    EXPECT_EQ(json["context"]["warmup"], 2);
    size_t iterations = 0;
    double wallTotal = 0;
    for (const auto& entry : json["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            iterations++;
            EXPECT_GT(entry["real_time"].get<double>(), 0);
            EXPECT_GE(entry["cpu_time"].get<double>(), 0);
            if (entry["name"] == "diagsum/120x80/threads:3") {
                wallTotal += entry["real_time"].get<double>();
            }
        } else if (entry["name"] == "diagsum/120x80/threads:3_mean") {
            EXPECT_DOUBLE_EQ(entry["real_time"].get<double>(), wallTotal / 4);
        }
    }
    EXPECT_EQ(iterations, 16u);
}

TEST(SweepProgram, JsonTakesAProgramPathThatIsNotUtf8) {
    testsupport::ScratchDir dir;
    std::filesystem::create_symlink(DIAGSUM_EXE, "diagsum-\xe9");
    const Finished run =
        runProgram("./diagsum-\xe9", "--size 5x5 --threads 2 --runs 2 --no-log --json a.json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(readFile("a.json"));
    EXPECT_EQ(json["context"]["executable"], "./diagsum-\xef\xbf\xbd");
}

// Counters on every run, perf events where the machine gives them, the
// fingerprint and the user's context, and the report's split of the file.
TEST(SweepProgram, CountsWhereTheTimeGoesAndRecordsTheMachine) {
    testsupport::ScratchDir dir;
    const Finished run = runProgram(DIAGSUM_EXE, "--size 200x200 --threads 1,4 --runs 4 --no-log --json c.json "
                                                 "--perf task-clock,cycles --context room=lab --context k=a=b");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(readFile("c.json"));
    const auto& context = json["context"];
    EXPECT_EQ(context["user_context"], (nlohmann::json{{"room", "lab"}, {"k", "a=b"}}));
    for (const char* key : {"cpu_model", "cpu_packages", "cpu_cores", "threads_per_core", "numa_nodes",
                            "cpu_governor", "cpu_boost", "load_avg_start", "load_avg_end", "glibc_version",
                            "build_type", "compiler_flags", "source_version", "thread_stack_size",
                            "vm_max_map_count", "environment"}) {
        EXPECT_TRUE(context.contains(key)) << key;
    }
    // Each event the machine cannot give is named once, and only those are
    // left out of the context's list.
    for (const char* event : {"task-clock", "cycles"}) {
        const std::string named = std::string("perf event '") + event + "' left out";
        const size_t at = run.err.find(named);
        const bool recorded = std::find(context["perf_events"].begin(), context["perf_events"].end(),
                                        event) != context["perf_events"].end();
        EXPECT_NE(at == std::string::npos, !recorded) << run.err;
        EXPECT_TRUE(at == std::string::npos || run.err.find(named, at + 1) == std::string::npos) << run.err;
    }
    double cpu[2] = {0, 0};
    double counted[2] = {0, 0};
    size_t iterations = 0;
    for (const auto& entry : json["benchmarks"]) {
        for (const char* field : {"user_time_us", "system_time_us", "minor_faults", "major_faults",
                                  "voluntary_switches", "involuntary_switches"}) {
            ASSERT_TRUE(entry.contains(field) && entry[field].is_number()) << field << " in " << entry.dump();
        }
        if (entry["run_type"] == "iteration") {
            iterations++;
            const int slot = entry["threads"] == 1 ? 0 : 1;
            cpu[slot] += entry["cpu_time"].get<double>();
            counted[slot] += entry["user_time_us"].get<double>() + entry["system_time_us"].get<double>();
        }
    }
    EXPECT_EQ(iterations, 8u);
    for (int slot : {0, 1}) {
        // The counters' interval holds the clock's and two clock reads more.
        EXPECT_NEAR(counted[slot], cpu[slot], 0.05 * cpu[slot] + 50) << "user + system against the clock";
    }
}

TEST(SweepProgram, HelpAndRefusedCommandLinesWriteNothing) {
    testsupport::ScratchDir dir;
    const Finished help = runProgram(DIAGSUM_EXE, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--threads"), std::string::npos);
    for (const char* bad :
         {"--size 0x4", "--size 2147483647x2", "--threads 0", "--threads 1-65537", "--runs 0", "--runs 2abc",
          "--warmup -1", "--json", "--frobnicate", "stray", "-s 70000x70000000", "--perf cycles,bogus",
          "--perf ''", "--context novalue", "--context =v", "--context k=1 --context k=2"}) {
        const Finished refused = runProgram(DIAGSUM_EXE, bad);
        EXPECT_EQ(refused.status, 64) << bad;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_NE(refused.err.find("--help"), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "") << bad;
    }
    for (const char* bad : {"--threads 2.5", "--size 3", "--bogus", "--help-me"}) {
        EXPECT_EQ(runProgram(DIAGSUM_SINGLE_EXE, bad).status, 64) << bad;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SingleProgram, RunsTheSizeAndWorkersAskedIntoTheFilesNamed) {
    testsupport::ScratchDir dir;
    const Finished run =
        runProgram(DIAGSUM_SINGLE_EXE, "--size 3x4 --threads 2 --out sums.txt --log runs.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Matriz: (3 X 4)\nThreads: 2\n", 0), 0u) << run.out;
    EXPECT_EQ(readFile("sums.txt"), sumsOfOnes(3, 4));
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        EXPECT_TRUE(std::regex_match(readFile("runs.csv"), std::regex(R"(\d+,\d\d; 3; 4; 6; 2\n)")));
    }
    ASSERT_EQ(runProgram(DIAGSUM_SINGLE_EXE, "--size 3x4 --no-log").status, 0);
    EXPECT_EQ(readFile("out.txt"), sumsOfOnes(3, 4));
    EXPECT_FALSE(std::filesystem::exists("infoData.csv"));
}
