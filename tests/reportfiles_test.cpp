// diagsum-report's findings in files, the program in a child process: the
// exported findings of one sweep, a stopped one and a comparison; sweeps
// appended to one log told apart; an export that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "reportinputs.h"
#include "reportrun.h"
#include "testsupport.h"

using nlohmann::json;
using namespace reportinputs;
using reportrun::report;
using testsupport::readFile;

TEST(ReportFiles, ExportsWhatItFoundAndSaysASweepWasStopped) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2, 4}, {8, 8, 3}, boxContext + R"(, "runs": 8, "stopped": true,
        "stop_signal": "SIGINT", "runs_planned": 24, "runs_made": 19)"));
    ASSERT_EQ(report("-n --export-json found/a.json a.json"), 0) << readFile("err.txt");
    const std::string table = readFile("out.txt");
    EXPECT_EQ(table.rfind("a.json: the sweep was stopped by SIGINT after 19 of 24 planned runs.\n", 0), 0u) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 4 | 3 (short) |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | 8 |")) << table;
    EXPECT_EQ(filesHere("found"), std::vector<std::string>{"a.json"}) << "written whole, no temporary left";
    const json found = json::parse(readFile("found/a.json"));
    const json& input = found["inputs"][0];
    EXPECT_EQ(input["path"], "a.json");
    EXPECT_EQ(input["stopped"], true);
    EXPECT_EQ(input["runs_made"], 19);
    EXPECT_EQ(input["runs_planned"], 24);
    EXPECT_EQ(input["stop_signal"], "SIGINT");
    EXPECT_EQ(input["sweeps"], json::array({1}));
    const json& series = found["series"][0];
    EXPECT_EQ(series["name"], "500 × 500");
    ASSERT_EQ(series["counts"].size(), 3u);
    const json& base = series["counts"][0];
    EXPECT_EQ(base["workers"], 1);
    EXPECT_EQ(base["runs"], 8);
    EXPECT_EQ(base["invocations"], 1);
    EXPECT_EQ(base["flags"], json::array());
    EXPECT_DOUBLE_EQ(base["median_cpu_us"]["value"].get<double>(), 967.5);
    EXPECT_TRUE(base["median_cpu_us"]["ci_low"].is_number()) << "8 runs bracket their median";
    EXPECT_DOUBLE_EQ(base["speedup"].get<double>(), 1.0);
    const json& two = series["counts"][1];
    EXPECT_LT(two["speedup_ci_low"].get<double>(), two["speedup"].get<double>());
    EXPECT_GT(two["speedup_ci_high"].get<double>(), two["speedup"].get<double>());
    const json& shortCount = series["counts"][2];
    EXPECT_EQ(shortCount["flags"], json::array({"short_count"}));
    EXPECT_TRUE(shortCount["median_wall_us"]["ci_low"].is_null()) << "3 runs give no interval";
    EXPECT_EQ(report("-n --export-json a.json a.json"), 64) << "an export never replaces its input";
}

TEST(ReportFiles, AComparisonExportsEveryRowsVerdictsAndNamesFilesOfOneMinuteApart) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2}, {10, 10}, boxContext));
    testsupport::writeFile("b.json", sweepJson({1, 2}, {10, 10}, boxContext));
    ASSERT_EQ(report("--compare -n --export-json c.json a.json b.json"), 0) << readFile("err.txt");
    const std::string table = readFile("out.txt");
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | box, 2026-01-02 03:04, a.json | 10 |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | box, 2026-01-02 03:04, b.json | 10 |")) << table;
    const json found = json::parse(readFile("c.json"));
    const json& rows = found["comparison"]["rows"];
    ASSERT_EQ(rows.size(), 4u);
    for (const json& row : rows) {
        for (const char* verdict : {"wall_verdict", "cpu_verdict"}) {
            const std::string value = row[verdict];
            EXPECT_TRUE(value == "faster" || value == "slower" || value == "same" || value == "untested") << value;
        }
    }
    EXPECT_EQ(rows[1]["cpu_verdict"], "untested")
        << "a file against its twin, each count's runs back to back";
    EXPECT_EQ(found["comparison"]["back_to_back"], json::array({"a.json", "b.json"}));
    const std::string warnings = readFile("err.txt");
    EXPECT_TRUE(contains(warnings, "a.json: each count's runs were made back to back in one process"))
        << warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << "one line per file: " << warnings;
    EXPECT_EQ(rows[0]["cpu_verdict"], "untested") << "the base is not tested against itself";
}

TEST(ReportFiles, SweepsAppendedToALogAreReportedApartUnlessPooled) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOf({1, 2, 3, 4, 5, 6, 7, 8}, 5) + logOf({4, 5, 6, 7, 8}, 5));
    ASSERT_EQ(report("-n infoData.csv"), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("err.txt"),
              "diagsum-report: 2 sweeps share series and are reported apart (--pool pools them): sweep 1 "
              "(infoData.csv, lines 1-40); sweep 2 (infoData.csv, lines 41-65)\n");
    const std::string table = readFile("out.txt");
    EXPECT_EQ(table.rfind("| matrix | sweep | workers | runs |", 0), 0u) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | sweep 1 | 8 | 5 |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | sweep 2 | 8 | 5 |")) << table;
    EXPECT_TRUE(contains(table, "- 500 × 500, sweep 2: ")) << table;
    ASSERT_EQ(report("-n --pool infoData.csv"), 0);
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_TRUE(contains(readFile("out.txt"), "| 500 × 500 | 8 | 10 |")) << readFile("out.txt");
    // Two files of one series: the same, each file a sweep.
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    testsupport::writeFile("b.json", sweepJson({2, 4}, {3, 3}, boxContext));
    ASSERT_EQ(report("-n -q a.json b.json"), 0) << readFile("err.txt");
    EXPECT_TRUE(contains(readFile("out.txt"), "| 500 × 500 | sweep 2 | 4 | 3 |")) << readFile("out.txt");
}

TEST(ReportFiles, AFileSizeLimitFailsTheExportInsteadOfEndingTheReport) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    EXPECT_EQ(report("-n -q --export-json found.json a.json > /dev/null", "ulimit -f 1;"), 1);
    EXPECT_EQ(readFile("err.txt"), "diagsum-report: cannot write found.json: File too large\n");
    EXPECT_EQ(filesHere(), (std::vector<std::string>{"a.json", "err.txt", "out.txt"})) << "no temporary left";
}
