// The sweep program with --trace and --split, run whole: every timed run
// recorded and summed up in the JSON file, the run nearest each count's
// median in the trace file, also when child invocations made the runs;
// every split leaving the same sums, named in the runs it makes, dealing
// the cells as its geometry says, and kept out of the default log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "testsupport.h"
#include "traceformat.h"

using nlohmann::json;
using testsupport::Finished;
using testsupport::readFile;
using testsupport::runProgram;

namespace {


std::vector<json> iterations(const json& sweep) {
    std::vector<json> runs;
    for (const json& entry : sweep["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            runs.push_back(entry);
        }
    }
    return runs;
}

// Per process of the trace file: its name and how many lanes it names.
std::map<int64_t, std::pair<std::string, size_t>> traceProcesses(const json& trace) {
    std::map<int64_t, std::pair<std::string, size_t>> processes;
    for (const json& event : trace["traceEvents"]) {
        if (event["name"] == "process_name") {
            processes[event["pid"]].first = event["args"]["name"];
        } else if (event["name"] == "thread_name") {
            processes[event["pid"]].second++;
        }
    }
    return processes;
}

}  // namespace

TEST(TracedSweep, RecordsEveryRunAndTracesTheRunNearestEachCountsMedian) {
    testsupport::ScratchDir dir;
    const Finished run = runProgram(DIAGSUM_EXE, "--trace t.json --json s.json -t 1,2,8 -r 3");
    ASSERT_EQ(run.status, 0) << run.err;
    const json trace = json::parse(readFile("t.json"));
    EXPECT_EQ(traceformat::formatFaults(trace), std::vector<std::string>{});
    const json sweep = json::parse(readFile("s.json"));
    const auto processes = traceProcesses(trace);
    ASSERT_EQ(processes.size(), 3u) << "one process per count";
    const int32_t counts[] = {1, 2, 8};
    for (size_t c = 0; c < 3; c++) {
        // The count's run whose processor time is nearest its median of three.
        std::vector<double> cpu;
        for (const json& entry : iterations(sweep)) {
            if (entry["threads"] == counts[c]) {
                cpu.push_back(entry["cpu_time"]);
            }
        }
        ASSERT_EQ(cpu.size(), 3u);
        std::vector<double> sorted = cpu;
        std::sort(sorted.begin(), sorted.end());
        const auto nearest = std::find(cpu.begin(), cpu.end(), sorted[1]) - cpu.begin() + 1;
        const auto& [name, lanes] = processes.at(static_cast<int64_t>(c) + 1);
        EXPECT_EQ(name, "500 × 500, " + std::to_string(counts[c]) +
                            (counts[c] == 1 ? " worker" : " workers") + ", run " + std::to_string(nearest) +
                            " (nearest the median of 3 runs)");
        EXPECT_EQ(lanes, static_cast<size_t>(counts[c]) + 1) << "the workers and the driver";
    }
    for (const json& entry : iterations(sweep)) {
        for (const char* figure : {"start_latency_us", "busy_max_us", "busy_mean_us", "load_balance",
                                   "parallel_efficiency", "elements_max"}) {
            ASSERT_TRUE(entry.contains(figure) && entry[figure].is_number())
                << figure << " in " << entry.dump();
        }
        EXPECT_LE(entry["busy_mean_us"].get<double>(), entry["busy_max_us"].get<double>());
        EXPECT_GT(entry["load_balance"].get<double>(), 0);
        EXPECT_LE(entry["load_balance"].get<double>(), 1);
        EXPECT_GT(entry["parallel_efficiency"].get<double>(), 0);
        EXPECT_LE(entry["parallel_efficiency"].get<double>(), 1);
    }
    // Made by child invocations, the runs reach the parent with their records.
    ASSERT_EQ(
        runProgram(DIAGSUM_EXE, "--invocations 3 -t 2 -r 3 --no-log --trace i.json --json is.json").status,
        0);
    const json children = json::parse(readFile("i.json"));
    EXPECT_EQ(traceformat::formatFaults(children), std::vector<std::string>{});
    EXPECT_EQ(traceProcesses(children).at(1).second, 3u);
    for (const json& entry : iterations(json::parse(readFile("is.json")))) {
        EXPECT_TRUE(entry["load_balance"].is_number()) << entry.dump();
    }
    // Without --trace nothing is recorded; the cells are still counted.
    ASSERT_EQ(runProgram(DIAGSUM_EXE, "-t 2 -r 1 --no-log --json plain.json").status, 0);
    const json plain = iterations(json::parse(readFile("plain.json"))).front();
    EXPECT_EQ(plain["elements_max"], 125000);
    EXPECT_FALSE(plain.contains("start_latency_us"));
}

TEST(TracedSweep, EverySplitLeavesTheSameSumsAndDealsTheCellsItsGeometrySays) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(runProgram(DIAGSUM_EXE, "-t 4 -r 1 --no-log --out default.txt").status, 0);
    const Finished run = runProgram(DIAGSUM_EXE,
                                    "--split round-robin,blocks,dynamic -t 4,8,127 -r 2 "
                                    "--mode spawn,pool --json s.json --trace t.json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile("out.txt"), readFile("default.txt"));
    if (testsupport::plainOutput) {
        const auto means = testsupport::lines(run.out);
        ASSERT_EQ(means.size(), 18u);
        EXPECT_TRUE(std::regex_match(means[2], std::regex(R"(4 - \d+\.\d{6} spawn split:blocks)")))
            << means[2];
        EXPECT_TRUE(std::regex_match(means[17], std::regex(R"(127 - \d+\.\d{6} pool split:dynamic)")))
            << means[17];
    }
    if (testsupport::plainConsoleAndLog) {
        EXPECT_EQ(testsupport::lines(readFile("infoData.csv")).size(), 6u) << "spawn round-robin runs only";
    }
    const json sweep = json::parse(readFile("s.json"));
    EXPECT_EQ(sweep["context"]["splits"], json({"round-robin", "blocks", "dynamic"}));
    // The mean cells per worker over the most one worker summed, 500 x 500.
    const std::map<std::string, double> balances = {{"diagsum/500x500/split:blocks/threads:4", 0.6658},
                                                    {"diagsum/500x500/split:blocks/threads:8", 0.5708},
                                                    {"diagsum/500x500/split:blocks/threads:127", 0.4941},
                                                    {"diagsum/500x500/pool/split:blocks/threads:127", 0.4941},
                                                    {"diagsum/500x500/threads:4", 1.0000},
                                                    {"diagsum/500x500/threads:127", 0.9962},
                                                    {"diagsum/500x500/pool/threads:127", 0.9962}};
    std::set<std::string> names;
    for (const json& entry : iterations(sweep)) {
        const std::string name = entry["name"];
        names.insert(name);
        const double threads = entry["threads"];
        const double most = entry["elements_max"];
        if (balances.count(name) != 0) {
            EXPECT_NEAR(250000 / threads / most, balances.at(name), 5e-5) << name;
        } else if (name.find("split:dynamic") != std::string::npos) {
            EXPECT_GE(most, std::ceil(250000 / threads)) << name;
            EXPECT_LE(most, 250000) << name;
        }
    }
    EXPECT_EQ(names.size(), 18u) << "a name per count and variant";
    EXPECT_EQ(names.count("diagsum/500x500/pool/split:dynamic/threads:8"), 1u);
    const json trace = json::parse(readFile("t.json"));
    EXPECT_EQ(traceformat::formatFaults(trace), std::vector<std::string>{});
    const auto processes = traceProcesses(trace);
    ASSERT_EQ(processes.size(), 18u) << "one process per count and variant";
    EXPECT_EQ(processes.at(4).first.rfind("500 × 500, 4 workers, pool, split:blocks, run ", 0), 0u)
        << processes.at(4).first;
}

TEST(TracedSweep, SplitsAndTraceRefusedOrKeptApartAsTheirOutputsNeed) {
    testsupport::ScratchDir dir;
    for (const char* bad :
         {"--split blocks,blocks", "--split static", "--trace ''", "--trace x.json --json x.json"}) {
        const Finished refused = runProgram(DIAGSUM_EXE, std::string(bad) + " -t 1 -r 1");
        EXPECT_EQ(refused.status, 64) << bad;
        EXPECT_EQ(testsupport::lines(refused.err).size(), 1u) << refused.err;
        EXPECT_EQ(refused.err.rfind("diagsum: ", 0), 0u) << refused.err;
    }
    EXPECT_FALSE(std::filesystem::exists("x.json"));
    ASSERT_EQ(runProgram(DIAGSUM_EXE, "--split blocks -t 2 -r 1").status, 0);
    EXPECT_FALSE(std::filesystem::exists("infoData.csv")) << "the default log cannot tell the splits apart";
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        ASSERT_EQ(runProgram(DIAGSUM_EXE, "--split blocks -t 2 -r 1 --log named.csv").status, 0);
        EXPECT_EQ(testsupport::lines(readFile("named.csv")).size(), 1u) << "a log the user named takes them";
    }
}
