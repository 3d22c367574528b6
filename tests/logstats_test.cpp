// The report's readers: log lines, run names and a sweep's JSON into the model.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "report/input/input.h"
#include "report/input/logreader.h"
#include "report/input/runname.h"
#include "reportmodel.h"

TEST(LogParsing, ReadsLinesAsTheProgramWritesThem) {
    LogRow row{};
    std::string reason;
    ASSERT_TRUE(parseLogLine("12345,67; 500; 500; 999; 4", &row, &reason)) << reason;
    EXPECT_DOUBLE_EQ(row.ticks, 12345.67);
    EXPECT_EQ(row.rows, 500);
    EXPECT_EQ(row.columns, 500);
    EXPECT_EQ(row.diagonals, 999);
    EXPECT_EQ(row.threads, 4);
    ASSERT_TRUE(parseLogLine("0,50; 3; 4; 6; 2\r", &row, &reason)) << "a spreadsheet's CRLF";
    EXPECT_EQ(row.ticks, 0.5);
    // Past 2^53 the digits go through the library's conversion.
    ASSERT_TRUE(parseLogLine("123456789012345678901,25; 1; 1; 1; 1", &row, &reason));
    EXPECT_EQ(row.ticks, 123456789012345678901.25);
    ASSERT_TRUE(parseLogLine("1234567,89; 500; 500; 999; 1", &row, &reason));
    EXPECT_EQ(row.ticks, 1234567.89);
}

TEST(LogParsing, RefusesForeignLinesWithAReason) {
    const char* lines[] = {
        "12345.67; 500; 500; 999; 4",     // decimal point
        "12345; 500; 500; 999; 4",        // no decimals
        "12345,67, 500, 500, 999, 4",     // other separator
        "12345,67; 500; 500; 999",        // too few fields
        "12345,67; 500; 500; 999; 4; 9",  // too many fields
        "12345,67; 500; x; 999; 4",       // not a number
        "12345,67; 500; 500; 998; 4",     // diagonals do not match
        "-5,00; 500; 500; 999; 1",        // negative time
        "time; rows; columns; diagonals; threads",
    };
    for (const char* line : lines) {
        LogRow row{};
        std::string reason;
        EXPECT_FALSE(parseLogLine(line, &row, &reason)) << line;
        EXPECT_FALSE(reason.empty()) << line;
    }
    LogRow row{};
    std::string reason;
    EXPECT_FALSE(parseLogLine("12,00; 500; 500; 999; 0", &row, &reason));
    EXPECT_EQ(reason, "a run needs at least 1 worker, found 0");
}

TEST(LogReading, GroupsSweepsBySizeAndWorkersSkippingBlankAndBadLines) {
    const SweepModel runs = reportmodel::ofLog(
        "10,00; 500; 500; 999; 1\n"
        "20,00; 500; 500; 999; 1\n"
        " \t\r\n"
        "garbage\n"
        "5,00; 3; 4; 6; 2\n"
        "30,00; 500; 500; 999; 2\n"
        "40,00; 500; 500; 999; 1\n"  // a second sweep appended
        "1,00; 500; 500; 999");
    const std::vector<InputProblem>& problems = runs.files[0].problems;
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].where, "4");
    EXPECT_EQ(problems[1].where, "8");
    EXPECT_EQ(runs.runs, 5u);
    EXPECT_FALSE(runs.hasWall);
    ASSERT_EQ(runs.groups.size(), 3u);
    EXPECT_EQ(runs.groups[0].key, (GroupKey{3, 4, 0, 0, 2}));
    EXPECT_EQ(cpuTimes(runs.groups[1]), (std::vector<double>{10, 20, 40})) << "runs stay in file order";
    EXPECT_EQ(runs.groups[2].key.threads, 2);
}

TEST(InputDetection, ByContentNotName) {
    EXPECT_EQ(detectInput("\xEF\xBB\xBF \r\n {\"benchmarks\": []}"), InputKind::json);
    EXPECT_EQ(detectInput("10,00; 500; 500; 999; 1\n"), InputKind::log);
    EXPECT_EQ(detectInput("[1, 2]"), InputKind::log);
    EXPECT_EQ(detectInput(""), InputKind::log);
}

TEST(RunNames, SizeModeAndWorkers) {
    RunName name;
    std::string reason;
    ASSERT_TRUE(parseRunName("diagsum/500x300/threads:8", &name, &reason)) << reason;
    EXPECT_EQ(name.rows, 500);
    EXPECT_EQ(name.columns, 300);
    EXPECT_EQ(name.mode, "spawn");
    EXPECT_EQ(name.threads, 8);
    ASSERT_TRUE(parseRunName("diagsum/2x3/pool/threads:1", &name, &reason));
    EXPECT_EQ(name.mode, "pool");
    EXPECT_EQ(settingsText(name.settings), "");
    ASSERT_TRUE(parseRunName("diagsum/2x3/pool/stack:64k/bind:list:0,2-5/threads:4", &name, &reason))
        << reason;
    EXPECT_EQ(name.mode, "pool");
    EXPECT_EQ(settingsText(name.settings), "stack:64k/bind:list:0,2-5");
    ASSERT_TRUE(parseRunName("diagsum/2x3/bind:compact/threads:4", &name, &reason)) << reason;
    EXPECT_EQ(name.mode, "spawn");
    EXPECT_EQ(settingsText(name.settings), "bind:compact");
    for (const char* bad :
         {"BM_Sum/8", "diagsum/500x500/threads:0", "diagsum/500/threads:2", "diagsum/500x500/a b/threads:2",
          "diagsum/500x500/threads:8_mean", "diagsum/500x500/pool/spawn/threads:2",
          "diagsum/500x500/stack:/threads:2", "diagsum/500x500/:64k/threads:2",
          "diagsum/500x500/stack:6 4/threads:2", "diagsum/500x500//threads:2",
          "diagsum/500x500/stack:64k/stack:1m/threads:2"}) {
        EXPECT_FALSE(parseRunName(bad, &name, &reason)) << bad;
    }
}

TEST(BenchJson, ReadsRunsSkipsAggregatesAndConvertsUnits) {
    std::string error;
    const SweepModel runs = reportmodel::ofJson(R"({"context": {"modes": ["spawn", "pool"]}, "benchmarks": [
        {"name": "diagsum/4x4/spawn/threads:2", "run_type": "iteration", "threads": 2,
         "real_time": 30, "cpu_time": 50, "time_unit": "us"},
        {"name": "diagsum/4x4/spawn/threads:2", "run_type": "iteration", "threads": 2,
         "real_time": 0.02, "cpu_time": 0.04, "time_unit": "ms"},
        {"name": "diagsum/4x4/spawn/threads:2_mean", "run_type": "aggregate", "aggregate_name": "mean",
         "real_time": 25, "cpu_time": 45, "time_unit": "us"},
        {"name": "diagsum/4x4/pool/threads:1", "run_type": "iteration",
         "real_time": 9000, "cpu_time": 12000, "time_unit": "ns"},
        {"name": "diagsum/4x4/pool/threads:1", "run_type": "iteration", "real_time": -1, "cpu_time": 1,
         "time_unit": "us"},
        {"name": "diagsum/4x4/threads:3", "threads": 4, "real_time": 1, "cpu_time": 1, "time_unit": "us"},
        "text"]})",
                                                &error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_TRUE(runs.hasWall);
    EXPECT_EQ(runs.modes, (std::vector<std::string>{"spawn", "pool"}));
    EXPECT_EQ(runs.runs, 3u);
    ASSERT_EQ(runs.groups.size(), 2u);
    EXPECT_EQ(cpuTimes(runs.groups[0]), (std::vector<double>{50, 40}));
    EXPECT_EQ(wallTimes(runs.groups[0]), (std::vector<double>{30, 20}));
    EXPECT_EQ(runs.groups[1].key, (GroupKey{4, 4, 0, 1, 1}));
    EXPECT_EQ(cpuTimes(runs.groups[1]), (std::vector<double>{12}));
    const std::vector<InputProblem>& problems = runs.files[0].problems;
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].where, "benchmarks[4]");
    EXPECT_EQ(problems[1].where, "benchmarks[5]");
    EXPECT_EQ(problems[2].where, "benchmarks[6]");
}

TEST(BenchJson, RefusesTextThatIsNoSweep) {
    for (const char* text :
         {"{", "{}", R"({"benchmarks": 3})", R"([{"benchmarks": []}])", "{\"a\": 1e999}"}) {
        SweepModel runs;
        runs.files.push_back({});
        std::string error;
        EXPECT_FALSE(readBenchJson(text, &runs, 0, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(BenchJson, KeepsEveryRunsNumbersAndTheContextOfAStoppedSweep) {
    std::string error;
    const SweepModel runs = reportmodel::ofJson(R"({"context": {"host_name": "box", "num_cpus": 2,
        "usable_cpus": 1, "order": "random", "seed": 42, "invocations": 3, "runs": 10, "stopped": true,
        "stop_signal": "SIGINT", "runs_planned": 60, "runs_made": 12, "date": 7}, "benchmarks": [
        {"name": "diagsum/4x4/future:on/threads:2", "real_time": 30, "cpu_time": 50, "time_unit": "us",
         "sequence": 5, "invocation": 2, "start_latency_us": 12.5, "load_balance": 0.75, "user_time_us": 40,
         "perf_cycles": 1e6, "Odd Name": 1, "note": "text", "repetitions": 10},
        {"name": "diagsum/4x4/future:on/threads:2", "real_time": 31, "cpu_time": 51, "time_unit": "us",
         "invocation": -1}]})",
                                                &error);
    ASSERT_TRUE(error.empty()) << error;
    const InputContext& context = runs.files[0].context;
    EXPECT_EQ(context.host, "box");
    EXPECT_EQ(context.date, "") << "not a string";
    EXPECT_EQ(context.cpus, 2);
    EXPECT_EQ(context.usableCpus, 1);
    EXPECT_EQ(context.order, "random");
    EXPECT_EQ(context.seed, 42u);
    EXPECT_EQ(context.invocations, 3);
    EXPECT_EQ(context.runs, 10);
    EXPECT_TRUE(context.stopped);
    EXPECT_EQ(context.stopSignal, "SIGINT");
    EXPECT_EQ(context.runsPlanned, 60);
    EXPECT_EQ(context.runsMade, 12);
    ASSERT_EQ(runs.groups.size(), 1u);
    EXPECT_EQ(settingsText(runs.settings[static_cast<size_t>(runs.groups[0].key.setting)]), "future:on")
        << "any key a later option adds";
    const ::Run& first = runs.groups[0].runs[0];
    const ::Run& second = runs.groups[0].runs[1];
    EXPECT_EQ(first.sequence, 5);
    EXPECT_EQ(first.invocation, 2);
    EXPECT_EQ(second.sequence, -1);
    EXPECT_EQ(second.invocation, 0) << "not a count: as if absent";
    EXPECT_EQ(fieldValue(runs, first, findField(runs, "start_latency_us")), 12.5);
    EXPECT_EQ(fieldValue(runs, first, findField(runs, "load_balance")), 0.75);
    EXPECT_EQ(fieldValue(runs, first, findField(runs, "perf_cycles")), 1e6);
    EXPECT_TRUE(std::isnan(fieldValue(runs, second, findField(runs, "user_time_us"))));
    for (const char* kept : {"Odd Name", "note", "repetitions", "sequence", "real_time"}) {
        EXPECT_EQ(findField(runs, kept), -1) << kept;
    }
}
