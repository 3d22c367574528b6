// One run's figures from a crafted record: the last start, the busiest and
// the mean worker, their ratio and the share of the worker-time used; and
// no figure where the record cannot give one.
#include "trace/tracesummary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int64_t us = 1000;

// A 1000 µs run from t = 5 s; worker k starts at `starts[k]` µs into it
// and uses `busy[k]` µs of processor time within 50 µs more than that.
RunTrace craftedRun(const std::vector<int64_t>& starts, const std::vector<int64_t>& busy) {
    const int64_t origin = 5'000'000'000;
    RunTrace trace;
    reserveRunTrace(&trace, static_cast<int32_t>(starts.size()));
    trace.run = Span{origin, origin + 1000 * us};
    for (size_t k = 0; k < starts.size(); k++) {
        const int64_t begin = origin + starts[k] * us;
        trace.workers[k] = WorkerSpan{Span{begin, begin + (busy[k] + 50) * us}, 70 * us, (70 + busy[k]) * us};
    }
    return trace;
}

}  // namespace

TEST(RunTraceSummary, GivesLatencyBusyTimeBalanceAndEfficiency) {
    const auto summary = summarizeRunTrace(craftedRun({100, 300, 200, 450}, {100, 200, 300, 400}));
    ASSERT_TRUE(summary.has_value());
    EXPECT_DOUBLE_EQ(summary->startLatencyUs, 450.0) << "the last to start, not the last in the table";
    EXPECT_DOUBLE_EQ(summary->busyMaxUs, 400.0);
    EXPECT_DOUBLE_EQ(summary->busyMeanUs, 250.0);
    EXPECT_DOUBLE_EQ(summary->loadBalance.value(), 0.625);
    EXPECT_DOUBLE_EQ(summary->parallelEfficiency.value(), 1000.0 / (4 * 1000.0));
}

TEST(RunTraceSummary, SaysNothingOfWhatTheRecordCannotTell) {
    const auto idle = summarizeRunTrace(craftedRun({10, 20}, {0, 0}));
    ASSERT_TRUE(idle.has_value());
    EXPECT_FALSE(idle->loadBalance.has_value()) << "no worker used processor time";
    EXPECT_DOUBLE_EQ(idle->parallelEfficiency.value(), 0.0);

    RunTrace instant = craftedRun({0}, {0});
    instant.run.endNs = instant.run.beginNs;
    instant.workers[0].wall.endNs = instant.workers[0].wall.beginNs;
    ASSERT_TRUE(summarizeRunTrace(instant).has_value());
    EXPECT_FALSE(summarizeRunTrace(instant)->parallelEfficiency.has_value()) << "no wall time";
}

TEST(RunTraceSummary, NoneForAnIncompleteOrInconsistentRecord) {
    EXPECT_FALSE(summarizeRunTrace(RunTrace{}).has_value()) << "no worker";
    RunTrace unstarted = craftedRun({10, 20}, {5, 5});
    unstarted.workers[1] = WorkerSpan{};
    EXPECT_FALSE(summarizeRunTrace(unstarted).has_value()) << "a worker never started";
    RunTrace noEnd = craftedRun({10}, {5});
    noEnd.run.endNs = -1;
    EXPECT_FALSE(summarizeRunTrace(noEnd).has_value()) << "the interval never closed";
    RunTrace backwards = craftedRun({10}, {5});
    backwards.workers[0].cpuEndNs = backwards.workers[0].cpuBeginNs - 1;
    EXPECT_FALSE(summarizeRunTrace(backwards).has_value()) << "processor time running backwards";
    RunTrace early = craftedRun({10}, {5});
    early.workers[0].wall.beginNs = early.run.beginNs - 1;
    EXPECT_FALSE(summarizeRunTrace(early).has_value()) << "a worker before the interval";
}
