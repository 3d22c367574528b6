// The sweep's variants, run whole: modes, placement, order and stack sizes
// alternate as asked and leave the same sums.
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

TEST(SweepVariants, ModesAlternateAndLeaveTheSameSums) {
    testsupport::ScratchDir dir;
    const Finished both = runProgram(
        DIAGSUM_EXE, "--size 7x5 --mode spawn,pool --threads 3,40 --runs 2 --json m.json --log named.csv");
    ASSERT_EQ(both.status, 0) << both.err;
    if (plainOutput) {
        EXPECT_TRUE(std::regex_match(
            both.out,
            std::regex(R"(3 - [0-9.]+ spawn\n3 - [0-9.]+ pool\n40 - [0-9.]+ spawn\n40 - [0-9.]+ pool\n)")))
            << both.out;
    }
    std::vector<std::string> names;
    const auto json = nlohmann::json::parse(readFile("m.json"));
    for (const auto& entry : json["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            names.push_back(entry["name"]);
        }
    }
    // Spawn runs keep the name a plain sweep gives them, so tools that compare
    // sweeps pair like with like.
    EXPECT_EQ(names, (std::vector<std::string>{"diagsum/7x5/threads:3", "diagsum/7x5/threads:3",
                                               "diagsum/7x5/pool/threads:3", "diagsum/7x5/pool/threads:3",
                                               "diagsum/7x5/threads:40", "diagsum/7x5/threads:40",
                                               "diagsum/7x5/pool/threads:40", "diagsum/7x5/pool/threads:40"}));
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        EXPECT_EQ(lines(readFile("named.csv")).size(), 8u) << "a log the user named takes pool runs too";
    }

    ASSERT_EQ(runProgram(DIAGSUM_EXE, "--size 7x5 --mode pool --threads 3 --runs 1 --out pool.txt").status,
              0);
    ASSERT_EQ(runProgram(DIAGSUM_EXE,
                         "--size 7x5 --mode spawn --threads 3 --runs 2 --out spawn.txt --no-log --json s.json")
                  .status,
              0);
    EXPECT_EQ(nlohmann::json::parse(readFile("s.json"))["benchmarks"][0]["name"], "diagsum/7x5/threads:3");
    EXPECT_EQ(readFile("pool.txt"), sumsOfOnes(7, 5));
    EXPECT_EQ(readFile("pool.txt"), readFile("spawn.txt"));
    EXPECT_FALSE(std::filesystem::exists("infoData.csv")) << "the default log takes spawn runs only";
    EXPECT_EQ(runProgram(DIAGSUM_EXE, "--mode spawn,spawn").status, 64);
    EXPECT_EQ(runProgram(DIAGSUM_EXE, "--mode threads").status, 64);
}

namespace {

// The timed runs of a sweep's JSON in the order they were made.
struct MadeRun {
    std::string name;
    nlohmann::json entry;
};
std::vector<MadeRun> runsInSequence(const nlohmann::json& json) {
    std::vector<MadeRun> runs;
    for (const auto& entry : json["benchmarks"]) {
        if (entry["run_type"] == "iteration") {
            runs.push_back({entry["name"], entry});
        }
    }
    std::sort(runs.begin(), runs.end(), [](const MadeRun& a, const MadeRun& b) {
        return a.entry["sequence"].get<uint64_t>() < b.entry["sequence"].get<uint64_t>();
    });
    for (size_t i = 0; i < runs.size(); i++) {
        EXPECT_EQ(runs[i].entry["sequence"], i) << "sequence numbers from 0, each once";
    }
    return runs;
}

std::vector<int> allowedCpus() {
    cpu_set_t mask;
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof mask, &mask) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; cpu++) {
            if (CPU_ISSET(cpu, &mask)) {
                cpus.push_back(cpu);
            }
        }
    }
    return cpus;
}

}  // namespace

TEST(SweepVariants, BoundWorkersStartOnTheirCpusAndOthersAreRefused) {
    testsupport::ScratchDir dir;
    const std::vector<int> allowed = allowedCpus();
    const std::string first = std::to_string(allowed.front());
    ASSERT_EQ(runProgram(DIAGSUM_EXE, "--bind list:" + first +
                                          " --threads 4 --runs 2 --mode spawn,pool --no-log --json one.json")
                  .status,
              0);
    const auto one = runsInSequence(nlohmann::json::parse(readFile("one.json")));
    ASSERT_EQ(one.size(), 4u);
    for (const MadeRun& run : one) {
        EXPECT_EQ(run.entry["cpus_used"], 1) << run.name;
        EXPECT_EQ(run.entry["placement_misses"], 0) << run.name;
        EXPECT_NE(run.name.find("/bind:list:" + first + "/"), std::string::npos) << run.name;
    }
    if (allowed.size() >= 2) {
        const std::string two = first + "," + std::to_string(allowed[1]);
        ASSERT_EQ(
            runProgram(DIAGSUM_EXE, "--bind list:" + two + " --threads 4 --runs 1 --no-log --json two.json")
                .status,
            0);
        for (const MadeRun& run : runsInSequence(nlohmann::json::parse(readFile("two.json")))) {
            EXPECT_EQ(run.entry["cpus_used"], 2);
            EXPECT_EQ(run.entry["placement_misses"], 0);
        }
    }
    ASSERT_EQ(runProgram(DIAGSUM_EXE, "--bind scatter --threads 3 --runs 1 --no-log --json s.json").status,
              0);
    EXPECT_EQ(runsInSequence(nlohmann::json::parse(readFile("s.json")))[0].entry["placement_misses"], 0);

    const std::string outside = std::to_string(allowed.back() + 1);
    std::filesystem::remove("out.txt");
    const Finished refused =
        runProgram(DIAGSUM_EXE, "--bind list:" + first + "," + outside + " --json x.json");
    EXPECT_EQ(refused.status, 64);
    EXPECT_EQ(refused.err.rfind("diagsum: --bind list:", 0), 0u) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    EXPECT_FALSE(std::filesystem::exists("x.json"));
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    EXPECT_FALSE(std::filesystem::exists("infoData.csv"));
}

TEST(SweepVariants, RandomOrderRepeatsWithItsSeedAndMeansKeepTheCountsOrder) {
    testsupport::ScratchDir dir;
    const std::string args = "--order random:7 --threads 3,1,2 --runs 3 --warmup 1 --no-log --json ";
    const Finished first = runProgram(DIAGSUM_EXE, args + "a.json");
    const Finished second = runProgram(DIAGSUM_EXE, args + "b.json");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    const auto a = nlohmann::json::parse(readFile("a.json"));
    std::vector<std::string> order;
    std::map<std::string, int> perCount;
    for (const MadeRun& run : runsInSequence(a)) {
        order.push_back(run.name);
        perCount[run.name]++;
    }
    std::vector<std::string> again;
    for (const MadeRun& run : runsInSequence(nlohmann::json::parse(readFile("b.json")))) {
        again.push_back(run.name);
    }
    EXPECT_EQ(order, again);
    EXPECT_EQ(perCount, (std::map<std::string, int>{{"diagsum/500x500/threads:1", 3},
                                                    {"diagsum/500x500/threads:2", 3},
                                                    {"diagsum/500x500/threads:3", 3}}));
    EXPECT_EQ(a["context"]["order"], "random");
    EXPECT_EQ(a["context"]["seed"], 7);
    if (plainOutput) {
        EXPECT_TRUE(std::regex_match(first.out, std::regex("3 - [0-9.]+\n1 - [0-9.]+\n2 - [0-9.]+\n")))
            << first.out;
    }
    // Without a seed, the one drawn is said so that the order can be repeated.
    const Finished drawn = runProgram(DIAGSUM_EXE, "--order random --threads 1 --runs 1 --no-log");
    EXPECT_TRUE(std::regex_search(drawn.err, std::regex("--order random:[0-9]+\\)\n$"))) << drawn.err;
}

TEST(SweepVariants, StackSizesAlternateAndPoolTeamsGetTheirs) {
    testsupport::ScratchDir dir;
    const Finished both =
        runProgram(DIAGSUM_EXE, "--stack-size default,64k --threads 2 --runs 2 --no-log --json s.json");
    ASSERT_EQ(both.status, 0) << both.err;
    if (plainOutput) {
        EXPECT_TRUE(
            std::regex_match(both.out, std::regex("2 - [0-9.]+ stack:default\n2 - [0-9.]+ stack:64k\n")))
            << both.out;
    }
    std::vector<std::string> names;
    for (const MadeRun& run : runsInSequence(nlohmann::json::parse(readFile("s.json")))) {
        names.push_back(run.name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"diagsum/500x500/threads:2", "diagsum/500x500/stack:64k/threads:2",
                                        "diagsum/500x500/threads:2", "diagsum/500x500/stack:64k/threads:2"}));
    // The default log's fields cannot tell the sizes apart: it takes the
    // default size's runs only, a log named takes both.
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        ASSERT_EQ(runProgram(DIAGSUM_EXE, "--size 5x5 --stack-size default,64k --threads 2 --runs 2").status, 0);
        EXPECT_EQ(lines(readFile("infoData.csv")).size(), 2u);
        ASSERT_EQ(runProgram(DIAGSUM_EXE, "--size 5x5 --stack-size default,64k --threads 2 --runs 2 --log n.csv")
                      .status,
                  0);
        EXPECT_EQ(lines(readFile("n.csv")).size(), 4u);
        std::filesystem::remove("infoData.csv");
        ASSERT_EQ(runProgram(DIAGSUM_EXE, "--size 5x5 --bind list:" + std::to_string(allowedCpus().front()) +
                                              " --threads 2 --runs 1")
                      .status,
                  0);
        EXPECT_FALSE(std::filesystem::exists("infoData.csv")) << "bound runs only go to a log named";
    }

    // libgomp takes the stack size from the environment of a fresh start.
    ASSERT_EQ(
        runProgram(DIAGSUM_EXE, "--stack-size 64k --mode pool --threads 2 --runs 1 --no-log --json p.json")
            .status,
        0);
    const auto pool = nlohmann::json::parse(readFile("p.json"));
    EXPECT_EQ(pool["context"]["omp_stacksize"], "65536B");
    EXPECT_EQ(pool["benchmarks"][0]["name"], "diagsum/500x500/pool/stack:64k/threads:2");
}
