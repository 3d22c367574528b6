// diagsum-report end to end: once per input kind, and its answers to
// hostile chart paths, a missing gnuplot and an unwritable table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "report/charts/charts.h"
#include "reportrun.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

using reportrun::report;

bool hasGnuplot() {
    return std::system("command -v gnuplot > /dev/null 2>&1") == 0;
}

bool isChart(const fs::path& path) {
    const std::string png = testsupport::readFile(path);
    return png.size() > 24 && png.substr(0, 8) == "\x89PNG\r\n\x1a\n" && png[19] == char(chartWidth % 256);
}

std::string logOfSweep() {
    std::string log;
    for (int workers = 1; workers <= 8; workers++) {
        for (int run = 0; run < 5; run++) {
            log +=
                std::to_string(100 * workers + run) + ",50; 500; 500; 999; " + std::to_string(workers) + "\n";
        }
    }
    return log + "not a log line\n";
}

// The files a report left in the scratch folder, besides out.txt and err.txt.
std::vector<std::string> filesLeft() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != "out.txt" && name != "err.txt") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ReportProgram, FromTheLogPrintsTableReportsBadLinesAndDrawsChart) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOfSweep());
    ASSERT_EQ(report("infoData.csv"), 0) << testsupport::readFile("err.txt");
    EXPECT_TRUE(
        testsupport::readFile("out.txt").find("| 500 × 500 | 8 | 5 | 802.50 | 802.50 | n/a | 800.50 | "
                                              "804.50 | 1.58 |\n") != std::string::npos);
    EXPECT_EQ(testsupport::readFile("err.txt"),
              "diagsum-report: infoData.csv:41: skipped: expected 5 fields separated by ';', found 1\n");
    EXPECT_TRUE(isChart("scaling.png"));
    EXPECT_EQ(filesLeft(), (std::vector<std::string>{"infoData.csv", "scaling.png"}));
}

TEST(ReportProgram, FromAJsonSweepDrawsSpeedupBesideScaling) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    std::string runs;
    for (int threads : {1, 2, 4}) {
        const std::string name = "diagsum/500x500/threads:" + std::to_string(threads);
        runs += std::string(runs.empty() ? "" : ",") + R"({"name": ")" + name +
                R"(", "run_type": "iteration", )" + R"("threads": )" + std::to_string(threads) +
                R"(, "real_time": )" + std::to_string(800 / threads) +
                R"(, "cpu_time": 900, "time_unit": "us"})";
    }
    testsupport::writeFile("sweep.data",
                           R"({"context": {"modes": ["spawn"]}, "benchmarks": [)" + runs + "]}");
    fs::create_directory("charts");
    ASSERT_EQ(report("-o charts/s.png sweep.data"), 0) << testsupport::readFile("err.txt");
    const std::string table = testsupport::readFile("out.txt");
    EXPECT_TRUE(table.find("| speedup | efficiency |") != std::string::npos) << table;
    EXPECT_TRUE(table.find("| 800.00 | n/a | 1.00 | 1.00 |") != std::string::npos) << table;
    EXPECT_TRUE(isChart("charts/s.png"));
    EXPECT_TRUE(isChart("charts/speedup.png"));
    // Neither chart replaces the other or the input, however the path is spelt.
    EXPECT_EQ(report("-o a.png -s ./a.png sweep.data"), 2);
    EXPECT_EQ(report("-o ./sweep.data -s b.png sweep.data"), 2);
    EXPECT_EQ(report("-s sweep.data sweep.data"), 2);
    EXPECT_EQ(testsupport::readFile("sweep.data").front(), '{');
}

TEST(ReportProgram, FromAJsonWithCountersSplitsTheTimeAndDrawsCost) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    fs::copy_file(std::string(DIAGSUM_TEST_DATA) + "/counters.json", "c.json");
    ASSERT_EQ(report("c.json"), 0) << testsupport::readFile("err.txt");
    const std::string table = testsupport::readFile("out.txt");
    EXPECT_NE(table.find("| system share |"), std::string::npos) << table;
    // A few runs of at most 3.5 ms a count: too few ticks for the split to be a figure.
    EXPECT_NE(table.find("system time per added worker: n/a (too few ticks)"), std::string::npos) << table;
    EXPECT_TRUE(isChart("cost.png"));
    EXPECT_EQ(filesLeft(), (std::vector<std::string>{"c.json", "cost.png", "model.png", "scaling.png", "speedup.png"}));
    EXPECT_EQ(report("-c scaling.png c.json"), 2) << "the cost chart never replaces another";
    EXPECT_NE(testsupport::readFile("err.txt").find("-c"), std::string::npos);
}

TEST(ReportProgram, NoChartPathRunsACommandOrTouchesTheUsersFiles) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOfSweep());
    const char* hostile = "x\nsystem \"touch pwned\"\n#.png";
    setenv("CHART", hostile, 1);
    EXPECT_EQ(report("-o \"$CHART\" infoData.csv"), 0);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_TRUE(isChart(hostile));
    EXPECT_EQ(report("-o \"'q.png\" infoData.csv"), 0);
    EXPECT_TRUE(isChart("'q.png"));
    // Files named like the old fixed scratch names stay as they were.
    testsupport::writeFile("keep.txt", "mine");
    testsupport::writeFile("chart.png.tmp", "mine too");
    fs::create_symlink("keep.txt", "chart.png.data.tmp");
    EXPECT_EQ(report("-o chart.png infoData.csv"), 0);
    EXPECT_EQ(testsupport::readFile("keep.txt"), "mine");
    EXPECT_EQ(testsupport::readFile("chart.png.tmp"), "mine too");
    EXPECT_TRUE(fs::is_symlink("chart.png.data.tmp"));
}

TEST(ReportProgram, AChartThatCannotBeDrawnExitsTwoLeavingNothing) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOfSweep());
    EXPECT_EQ(report("infoData.csv", "PATH=/nonexistent"), 2);
    EXPECT_TRUE(testsupport::readFile("err.txt").find("cannot start gnuplot") != std::string::npos);
    EXPECT_FALSE(testsupport::readFile("out.txt").empty()) << "the table comes all the same";
    EXPECT_EQ(filesLeft(), (std::vector<std::string>{"infoData.csv"}));
    fs::create_directory("folder");
    EXPECT_EQ(report("-o folder infoData.csv"), 2);
    EXPECT_TRUE(testsupport::readFile("err.txt").find("'folder': it names a folder") != std::string::npos);
    EXPECT_EQ(report("-o infoData.csv/c.png infoData.csv"), 2);
    EXPECT_TRUE(testsupport::readFile("err.txt").find(
                    "'infoData.csv/c.png': cannot make its folder 'infoData.csv'") != std::string::npos)
        << testsupport::readFile("err.txt");
    fs::create_directory("locked");
    fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
    if (access("locked", W_OK) != 0) {  // root writes anywhere
        EXPECT_EQ(report("-o locked/c.png infoData.csv"), 2);
        EXPECT_TRUE(testsupport::readFile("err.txt").find(
                        "'locked/c.png': cannot create a file in folder 'locked'") != std::string::npos);
    }
    fs::permissions("locked", fs::perms::owner_all);
}

TEST(ReportProgram, MakesMissingChartFoldersAndSaysALogHasNoSpeedup) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOfSweep());
    ASSERT_EQ(report("-o out/new/chart.png infoData.csv"), 0) << testsupport::readFile("err.txt");
    EXPECT_TRUE(isChart("out/new/chart.png"));
    // A speedup chart asked of a log, which holds no wall times: said, and
    // the exit status of a chart not drawn; the table and the scaling chart
    // are made all the same.
    EXPECT_EQ(report("-s out/speedup.png infoData.csv"), 2);
    EXPECT_TRUE(testsupport::readFile("err.txt").find("the speedup chart needs the JSON of a sweep") !=
                std::string::npos)
        << testsupport::readFile("err.txt");
    EXPECT_FALSE(testsupport::readFile("out.txt").empty());
    EXPECT_TRUE(isChart("scaling.png"));
    EXPECT_FALSE(fs::exists("out/speedup.png"));
}

TEST(ReportProgram, OptionsAndFailures) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(report("--help"), 0);
    EXPECT_EQ(testsupport::readFile("out.txt").rfind("Usage: diagsum-report", 0), 0u);
    EXPECT_EQ(report("-h"), 0);
    EXPECT_EQ(report("--version"), 0);
    EXPECT_EQ(report("--colour x"), 64);
    EXPECT_EQ(report("--no-chart=x f"), 64);
    EXPECT_TRUE(testsupport::readFile("err.txt").find("'--no-chart' takes no value") != std::string::npos);
    EXPECT_EQ(report("missing.csv"), 1);
    testsupport::writeFile("empty.csv", "\n \r\n");
    EXPECT_EQ(report("empty.csv"), 1);
    testsupport::writeFile("infoData.csv", logOfSweep());
    EXPECT_EQ(report("-n infoData.csv > /dev/full"), 1);
    EXPECT_TRUE(testsupport::readFile("err.txt").find("cannot write the table") != std::string::npos);
    EXPECT_EQ(report("-n infoData.csv >&-"), 1);
    EXPECT_EQ(filesLeft(), (std::vector<std::string>{"empty.csv", "infoData.csv"}));
}

TEST(ReportProgram, AFileThatIsNotASweepIsRefusedInOneLineAndSkippedLinesAreCounted) {
    testsupport::ScratchDir dir;
    std::string prose;
    for (int i = 0; i < 400; i++) {
        prose += "Some words of a README, line " + std::to_string(i) + "\n";
    }
    testsupport::writeFile("README.md", prose);
    EXPECT_EQ(report("README.md"), 1);
    EXPECT_EQ(testsupport::readFile("err.txt"),
              "diagsum-report: README.md is neither a diagsum log nor a sweep's JSON (400 of 400 entries are not "
              "runs)\n");
    testsupport::writeFile("infoData.csv", logOfSweep() + "x\ny\nz\nw\nv\nu\n");
    EXPECT_EQ(report("-n infoData.csv"), 0);
    const std::string err = testsupport::readFile("err.txt");
    EXPECT_NE(err.find("infoData.csv: 2 more entries skipped (--verbose lists them)\n"), std::string::npos) << err;
    EXPECT_EQ(report("-n -q infoData.csv"), 0);
    EXPECT_EQ(testsupport::readFile("err.txt"), "");
}

TEST(ReportProgram, ComparesTwoSweepsAndReadsSeveralAsOne) {
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    const auto sweepJson = [](const std::string& size, int spread) {
        std::string runs;
        for (int threads : {1, 2, 4, 8}) {
            for (int run = 0; run < 10; run++) {
                runs += std::string(runs.empty() ? "" : ",") + R"({"name": "diagsum/)" + size + "/threads:" +
                        std::to_string(threads) + R"(", "real_time": )" + std::to_string(900 + spread * run) +
                        R"(, "cpu_time": )" + std::to_string(1000 * threads + spread * run) +
                        R"(, "time_unit": "us"})";
            }
        }
        return R"({"context": {"host_name": "box", "date": "2026-01-02T03:04:05+00:00", "num_cpus": 2},
                  "benchmarks": [)" + runs + "]}";
    };
    testsupport::writeFile("a.json", sweepJson("500x500", 7));
    testsupport::writeFile("b.json", sweepJson("100x100", 3));
    ASSERT_EQ(report("--compare --label first a.json a.json"), 0) << testsupport::readFile("err.txt");
    const std::string table = testsupport::readFile("out.txt");
    EXPECT_NE(table.find("| 500 × 500 | 8 | box, 2026-01-02 03:04 | 10 |"), std::string::npos) << table;
    EXPECT_EQ(table.find("| faster |"), std::string::npos);
    EXPECT_EQ(table.find("| slower |"), std::string::npos);
    EXPECT_TRUE(isChart("compare.png"));
    EXPECT_EQ(report("--compare a.json"), 64);
    // Labels that would make two sides one, or break the table's rows.
    for (const char* labels :
         {"--label x --label x", "--label ''", "--label 'x|y'", "--label \"$(printf 'x\\ny')\""}) {
        EXPECT_EQ(report(std::string("--compare -n ") + labels + " a.json a.json"), 64) << labels;
        const std::string err = testsupport::readFile("err.txt");
        EXPECT_EQ(err.rfind("diagsum-report: --label ", 0), 0u) << labels;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << labels << ": one line";
    }
    ASSERT_EQ(report("-o both.png a.json b.json"), 0) << testsupport::readFile("err.txt");
    EXPECT_NE(testsupport::readFile("out.txt").find("| 100 × 100 | 8 | 10 |"), std::string::npos);
    EXPECT_TRUE(isChart("both.png"));
    EXPECT_EQ(report("-x sideways a.json"), 64);
    EXPECT_EQ(testsupport::readFile("err.txt").find('\n'), testsupport::readFile("err.txt").size() - 1)
        << "one line";

    // Read twice, a sweep's runs would count twice; compared, a file may
    // meet itself. A chart a comparison does not draw, or a chart with no
    // name, is refused rather than quietly left out.
    EXPECT_EQ(report("-n a.json ./a.json"), 64);
    EXPECT_EQ(report("--compare -s s.png a.json b.json"), 64);
    EXPECT_EQ(report("-o '' a.json"), 64);
    EXPECT_FALSE(fs::exists("scaling.png"));
    // The longest name the file system takes, whose scratch file must be
    // named shorter.
    const std::string longest(251, 'c');
    EXPECT_EQ(report("-q -o " + longest + ".png a.json"), 0) << testsupport::readFile("err.txt");
    EXPECT_TRUE(isChart(longest + ".png"));

    // Runs of 0 µs leave the ratio and its interval out instead of
    // printing infinities.
    std::string zero = sweepJson("500x500", 7);
    for (size_t at; (at = zero.find(R"("real_time": 900,)")) != std::string::npos;) {
        zero.replace(at, 17, R"("real_time": 0,)");
    }
    testsupport::writeFile("zero.json", zero);
    ASSERT_EQ(report("--compare -n zero.json zero.json"), 0) << testsupport::readFile("err.txt");
    EXPECT_EQ(testsupport::readFile("out.txt").find("nan"), std::string::npos) << testsupport::readFile("out.txt");
    EXPECT_EQ(testsupport::readFile("out.txt").find("inf"), std::string::npos);
}
