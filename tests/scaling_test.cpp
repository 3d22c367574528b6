// The findings of one sweep (report/analysis), its tables and its chart
// scripts.
#include "report/analysis/scaling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "report/analysis/noise.h"
#include "report/charts/charts.h"
#include "report/sweep/sweepsplit.h"
#include "report/tables/tables.h"
#include "reportmodel.h"

using reportmodel::add;
using reportmodel::contains;

TEST(ScalingReport, SpeedupAndEfficiencyFromMedianWallTimes) {
    SweepModel runs = reportmodel::empty(true);
    for (double jitter : {0.0, 10.0, -10.0}) {
        add(&runs, 1, 300, 1000 + jitter);
        add(&runs, 2, 400, 500 + jitter);
        add(&runs, 4, 600, 400 + jitter);
    }
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    ASSERT_EQ(report.groups.size(), 3u);
    EXPECT_DOUBLE_EQ(report.groups[0].speedup, 1.0);
    EXPECT_DOUBLE_EQ(report.groups[1].speedup, 2.0);
    EXPECT_DOUBLE_EQ(report.groups[2].speedup, 2.5);
    EXPECT_DOUBLE_EQ(report.groups[2].efficiency, 2.5 / 4);
    const std::string text = reportText(report);
    EXPECT_TRUE(contains(text, "| median wall µs | 95 % CI | speedup | efficiency |\n")) << text;
    EXPECT_TRUE(
        contains(text,
                 "| 500 × 500 | 4 | 3 | 600.00 | 600.00 | n/a | 600.00 | 600.00 | 0.00 | 400.00 | n/a "
                 "| 2.50 | 0.625 |\n"))
        << text;
}

TEST(ScalingReport, SmallestCountIsTheBaseWithoutARunWithOneWorker) {
    SweepModel runs = reportmodel::empty(true);
    add(&runs, 2, 400, 600);
    add(&runs, 4, 600, 400);
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    EXPECT_DOUBLE_EQ(report.groups[0].speedup, 1.0);
    EXPECT_DOUBLE_EQ(report.groups[1].speedup, 1.5);
    EXPECT_DOUBLE_EQ(report.groups[1].efficiency, 0.75);
    EXPECT_TRUE(contains(reportText(report), "| speedup vs 2 workers (no run with 1) |"));
}

TEST(ScalingReport, CostOfEachAddedWorkerFromEightUp) {
    SweepModel runs = reportmodel::empty(false);
    for (int32_t threads : {1, 2, 3, 4}) {
        add(&runs, threads, 5000.0 / threads);  // the summation's share shrinks: not part of the fit
    }
    for (int32_t threads : {8, 9, 16, 32}) {
        add(&runs, threads, 1000 + 137.0 * threads);
        add(&runs, threads, 1000 + 137.0 * threads);
    }
    reportmodel::add(&runs, 3, 4, 1, 10);  // fewer than three counts from 8 up: every count
    reportmodel::add(&runs, 3, 4, 8, 80);
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    ASSERT_EQ(report.series.size(), 2u);
    EXPECT_DOUBLE_EQ(report.series[0].cost->micros, 10.0);
    EXPECT_DOUBLE_EQ(report.series[1].cost->micros, 137.0);
    const std::string text = reportText(report);
    EXPECT_TRUE(contains(
        text,
        "- 500 × 500: 137.00 µs [137.00, 137.00] of processor time per added worker (fitted over 8 to 32 "
        "workers, 4 counts)\n"))
        << text;
}

TEST(ScalingReport, WarnsAboutAnOutlierNamingSizeAndCount) {
    SweepModel runs = reportmodel::empty(false);
    for (int i = 0; i < 19; i++) {
        add(&runs, 8, 1000);
    }
    add(&runs, 8, 100000);
    add(&runs, 1, 500);
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    ASSERT_FALSE(report.warnings.empty());
    EXPECT_EQ(report.warnings[0],
              "500 × 500, 8 workers: 1 outlier of 20 runs beyond Q3 + 3 IQR in processor time, the largest "
              "100000.00 µs");
}

TEST(ScalingReport, StartupShareWhereBothModesRan) {
    SweepModel runs = reportmodel::empty(true);
    add(&runs, 4, 1000, 300, "spawn");
    add(&runs, 4, 750, 250, "pool");
    add(&runs, 2, 500, 250, "pool");
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    ASSERT_EQ(report.shares.size(), 1u);
    EXPECT_DOUBLE_EQ(report.shares[0].share, 0.25);
    const std::string text = reportText(report);
    EXPECT_TRUE(contains(text, "| matrix | mode | workers |")) << text;
    EXPECT_TRUE(contains(text, "| 500 × 500 | 4 | 1000.00 | 750.00 | 25.0 % |\n")) << text;
    EXPECT_TRUE(contains(text, "- 500 × 500, pool: 125.00 µs")) << text;
}

TEST(ScalingReport, LogTableHasTheIntervalColumn) {
    const SweepModel log = reportmodel::ofLog("10,00; 500; 500; 999; 1\n20,00; 500; 500; 999; 1\n");
    const ScalingReport report = analyse(log);
    EXPECT_EQ(reportText(report),
              "| matrix | workers | runs | mean ticks | median | 95 % CI of median | min | max | std dev |\n"
              "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n"
              "| 500 × 500 | 1 | 2 | 15.00 | 15.00 | n/a | 10.00 | 20.00 | 7.07 |\n"
              "\nCost of each added worker (least-squares slope of the median processor time against the "
              "worker count):\n- 500 × 500: n/a (a single worker count)\n");
}

TEST(Warnings, OneLinePerKindWithHowManyCountsAndTheWorst) {
    SweepModel runs = reportmodel::empty(false);
    for (int32_t threads = 1; threads <= 6; threads++) {
        for (int i = 0; i < 10; i++) {
            add(&runs, threads, threads <= 3 ? 1000 + 500.0 * threads * (i % 2) : 1000);
        }
    }
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    EXPECT_EQ(report.warnings.size(), 3u) << "one per noisy group when listed in full";
    const std::vector<std::string> summary = warningSummary(report);
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0],
              "processor time: coefficient of variation above 10 % at 3 of 6 counts, worst 45 % at 500 × 500, "
              "3 workers");
}

TEST(ScalingReport, SettingsGroupedLikeModesAndSharesPairedWithinThem) {
    SweepModel runs = reportmodel::empty(false);
    for (const char* settings : {"", "stack:64k"}) {
        const double scale = *settings == '\0' ? 2 : 1;
        reportmodel::add(&runs, 500, 500, 4, 1000 * scale, NAN, "spawn", settings);
        reportmodel::add(&runs, 500, 500, 4, 750, NAN, "pool", settings);
    }
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    ASSERT_EQ(report.series.size(), 4u);
    ASSERT_EQ(report.shares.size(), 2u);
    EXPECT_DOUBLE_EQ(report.shares[0].share, 0.625);
    EXPECT_DOUBLE_EQ(report.shares[1].share, 0.25);
    const std::string text = reportText(report);
    EXPECT_TRUE(contains(text, "| matrix | settings | mode | workers |")) << text;
    EXPECT_TRUE(contains(text, "| 500 × 500 | stack:64k | pool | 4 |")) << text;
    EXPECT_TRUE(contains(text, "| 500 × 500, defaults | 4 | 2000.00 | 750.00 | 62.5 % |")) << text;
    EXPECT_TRUE(contains(text, "- 500 × 500, stack:64k, spawn: ")) << text;
}

namespace {

// A stack-size sweep's JSON as diagsum writes it: counts 1, 2 and 4, the
// default stack and 64k alternating, three runs each, with counters.
std::string stackSweepJson() {
    std::string entries;
    for (int threads : {1, 2, 4}) {
        for (const char* stack : {"", "stack:64k/"}) {
            for (int run = 0; run < 3; run++) {
                entries += std::string(entries.empty() ? "" : ",") + R"({"name": "diagsum/500x500/)" + stack +
                           "threads:" + std::to_string(threads) +
                           R"(", "run_type": "iteration", "real_time": 900, "cpu_time": 1000, "time_unit": "us",
                    "user_time_us": 600, "system_time_us": 400, "minor_faults": 10, "major_faults": 0,
                    "voluntary_switches": 2, "involuntary_switches": 1})";
            }
        }
    }
    return R"({"context": {"host_name": "box", "date": "2026-01-02T03:04:05+00:00"}, "benchmarks": [)" + entries +
           "]}";
}

// Every plot command's curves: their titles and colours.
struct Curves {
    std::vector<std::string> titles;
    std::vector<std::string> colours;
};
std::vector<Curves> plotCurves(const std::string& script) {
    std::vector<Curves> plots;
    std::istringstream lines(script);
    bool inPlot = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("plot ", 0) == 0) {
            plots.emplace_back();
            inPlot = true;
        }
        if (!inPlot) {
            continue;
        }
        const auto colour = line.find("lc rgb ");
        const auto title = line.find(" title '");
        if (colour != std::string::npos && title != std::string::npos && line.find("'black'") == std::string::npos) {
            plots.back().colours.push_back(line.substr(colour + 7, 9));
            plots.back().titles.push_back(line.substr(title + 7, line.rfind('\'') - title - 6));
        }
        inPlot = !line.empty() && line.back() == '\\';
    }
    return plots;
}

bool allDistinct(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return std::adjacent_find(items.begin(), items.end()) == items.end();
}

}  // namespace

// A sweep of two stack sizes gave two identical rows per count in the cost
// table, and two curves of one title and one colour in compare.png.
TEST(SeriesNamesEverywhere, TwoStackSizesAreTwoRowsAndTwoCurvesOfTheirOwn) {
    std::string error;
    const SweepModel one = reportmodel::ofJson(stackSweepJson(), &error);
    ASSERT_TRUE(error.empty()) << error;
    ScalingReport report = analyse(one);
    addCostSplit(&report);
    const std::string cost = costTable(report);
    EXPECT_TRUE(contains(cost, "| 500 × 500 | defaults | 2 | 3 |")) << cost;
    EXPECT_TRUE(contains(cost, "| 500 × 500 | stack:64k | 2 | 3 |")) << cost;
    std::vector<std::string> rows;
    std::istringstream lines(summaryText(report));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| 500", 0) == 0) {
            rows.push_back(line);
        }
    }
    EXPECT_EQ(rows.size(), 12u) << "6 groups in the table, 6 in the cost table";
    EXPECT_TRUE(allDistinct(rows));
    for (const Curves& curves : plotCurves(scalingChartScript(report))) {
        EXPECT_TRUE(allDistinct(curves.titles));
        // Each median's colour is its band's, and no other series'.
        ASSERT_EQ(curves.colours.size(), 4u);
        EXPECT_EQ(curves.colours[0], curves.colours[1]);
        EXPECT_NE(curves.colours[1], curves.colours[3]);
    }

    // The same sweep compared with itself: four curves per panel.
    SweepModel both;
    for (const char* path : {"a.json", "b.json"}) {
        both.files.push_back({});
        both.files.back().path = path;
        ASSERT_TRUE(readBenchJson(stackSweepJson(), &both, both.files.size() - 1, &error)) << error;
    }
    finishRuns(&both);
    sweepsAsSides(&both, {"box, 2026-01-02 03:04, a.json", "box, 2026-01-02 03:04, b.json"}, false);
    const ScalingReport sides = analyse(both);
    const std::vector<Curves> plots = plotCurves(compareChartScript(sides, {}));
    ASSERT_EQ(plots.size(), 2u) << "processor time and speedup";
    for (const Curves& curves : plots) {
        ASSERT_EQ(curves.titles.size(), 4u);
        EXPECT_TRUE(allDistinct(curves.titles));
        EXPECT_TRUE(allDistinct(curves.colours));
    }
}
