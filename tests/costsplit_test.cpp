// The report's split of the processor time, on a recorded JSON whose sums
// split exactly: per count cpu = 300 + 100 T µs, of it 80 T µs system time
// (runs deviating by ±40 µs from that), 10 T minor faults, IPC 2.
#include <gtest/gtest.h>

#include <cmath>

#include "report/analysis/costsplit.h"
#include "report/analysis/scaling.h"
#include "report/charts/charts.h"
#include "report/tables/tables.h"
#include "reportmodel.h"
#include "testsupport.h"

namespace {

// The recorded JSON's model and findings; the findings point into the model,
// which stays where it is.
struct Recorded {
    SweepModel runs;
    ScalingReport report;
    const CostReport& cost() const { return report.cost; }
};

void readRecorded(Recorded* r) {
    const std::string text = testsupport::readFile(DIAGSUM_TEST_DATA "/counters.json");
    std::string error;
    r->runs = reportmodel::ofJson(text, &error);
    EXPECT_TRUE(error.empty()) << error;
    r->report = analyse(r->runs);
    addCostSplit(&r->report);
}

}  // namespace

TEST(CostSplit, SharesComeFromTheSumsOfRunsWithCountersNeverFromAggregates) {
    Recorded r;
    readRecorded(&r);
    ASSERT_EQ(r.cost().groups.size(), 4u);
    const CostGroup& one = r.cost().groups[0];
    EXPECT_EQ(one.runs, 3u) << "the run without counters and the aggregate are left out";
    EXPECT_DOUBLE_EQ(one.user + one.system, one.cpu);
    EXPECT_NEAR(systemShare(one), 80.0 / 400, 1e-12);
    const CostGroup& many = r.cost().groups[3];
    EXPECT_EQ(many.key.threads, 32);
    EXPECT_NEAR(systemShare(many), 80.0 * 32 / (300 + 100 * 32), 1e-12);
    EXPECT_DOUBLE_EQ(many.minorFaults, 3 * 320.0);
    CostGroup nothing;
    EXPECT_TRUE(std::isnan(systemShare(nothing)));
}

TEST(CostSplit, SystemPartOfThePerWorkerSlopeAndTheTable) {
    Recorded r;
    readRecorded(&r);
    ASSERT_EQ(r.report.series.size(), 1u);
    ASSERT_TRUE(r.report.series[0].cost);
    EXPECT_NEAR(r.report.series[0].cost->micros, 100, 1e-9);
    EXPECT_NEAR(r.report.series[0].cost->systemMicros, 80, 1e-9);
    // Three runs of a few ms each: a handful of ticks, no split to speak of.
    EXPECT_NE(reportText(r.report).find("; system time per added worker: n/a (too few ticks)"),
              std::string::npos)
        << reportText(r.report);
    const std::string table = costTable(r.report);
    // 32 workers: share 2560 / 3500 of too few ticks, 320 faults per run, 10 per worker, IPC 2.
    EXPECT_NE(table.find("| 500 × 500 | 32 | 3 | 1.000 | n/a (too few ticks) | 320.0 | 10.00 | 0.00 | 64.0 | "
                         "2.00 | 32.0 | "
                         "1.00 | 2.00 | 32000.0 | 64000.0 |"),
              std::string::npos)
        << table;
    EXPECT_NE(costChartScript(r.report).find("with boxes"), std::string::npos);
}

TEST(CostSplit, AFileWithoutCountersOrNotJsonAddsNothing) {
    std::string error;
    const std::string old = R"({"benchmarks": [{"name": "diagsum/9x9/threads:2", "run_type": "iteration",
        "threads": 2, "real_time": 5, "cpu_time": 9, "time_unit": "us"}]})";
    const SweepModel runs = reportmodel::ofJson(old, &error);
    ASSERT_TRUE(error.empty()) << error;
    ScalingReport report = analyse(runs);
    addCostSplit(&report);
    EXPECT_TRUE(report.cost.groups.empty());
    EXPECT_EQ(costTable(report), "");
    EXPECT_TRUE(costSplit(reportmodel::ofLog("12,5; 9; 9; 17; 2\n")).groups.empty());
}
