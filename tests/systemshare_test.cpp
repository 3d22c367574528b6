// The system share: its interval from enough ticks, n/a from too few.
#include "report/analysis/systemshare.h"

#include <gtest/gtest.h>

#include "reportmodel.h"

namespace {

// One count of 10 runs, each with `user` and `system` µs.
SweepModel sharedRuns(double user, double system) {
    SweepModel model = reportmodel::empty(true);
    const int32_t userField = fieldIndex(&model, "user_time_us");
    const int32_t systemField = fieldIndex(&model, "system_time_us");
    for (int i = 0; i < 10; i++) {
        Run run;
        run.wall = run.cpu = user + system;
        run.fields = static_cast<int32_t>(model.runFields.size());
        model.runFields.push_back(std::vector<double>(2));
        model.runFields.back()[static_cast<size_t>(userField)] = user * (1 + 0.1 * (i % 3));
        model.runFields.back()[static_cast<size_t>(systemField)] = system;
        addRun(&model, {500, 500, settingIndex(&model, {}), modeIndex(&model, "spawn"), 1}, std::move(run));
    }
    finishRuns(&model);
    return model;
}

}  // namespace

TEST(SystemShare, AShareOfEnoughTicksHasItsIntervalAndOneOfFewIsNone) {
    // 10 runs of 0.4 s: 400 ticks; the share 0.1 / 0.5 varies with the user time.
    const SweepModel many = sharedRuns(400000, 100000);
    const ShareEstimate share = systemShareEstimate(many, many.groups[0]);
    ASSERT_TRUE(share.interval.known);
    EXPECT_FALSE(share.fewTicks);
    EXPECT_GT(share.share, 0.15);
    EXPECT_LT(share.share, 0.2);
    EXPECT_LE(share.interval.low, share.share);
    EXPECT_GE(share.interval.high, share.share);
    EXPECT_GE(share.interval.low, 0.0);
    EXPECT_LE(share.interval.high, 1.0);
    // 10 runs of 15 ms: 150 ms, 15 ticks of 10 ms.
    const SweepModel few = sharedRuns(10000, 5000);
    const ShareEstimate none = systemShareEstimate(few, few.groups[0]);
    EXPECT_TRUE(none.fewTicks);
    EXPECT_FALSE(none.interval.known);
}
