// The model of a sweep (report/sweep): where a log's sweeps begin, which
// sweeps are told apart and how their series are named.
#include "report/sweep/sweepsplit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "report/sweep/seriesname.h"
#include "reportmodel.h"

namespace {

// A log of `runs` runs of 500 x 500 per count, in sequential order.
std::string sequentialLog(const std::vector<int>& counts, int runs, int rows = 500) {
    std::string log;
    for (int threads : counts) {
        for (int run = 0; run < runs; run++) {
            log += std::to_string(100 * threads + run) + ",00; " + std::to_string(rows) + "; 500; " +
                   std::to_string(rows + 499) + "; " + std::to_string(threads) + "\n";
        }
    }
    return log;
}

std::vector<LogRunPlace> places(const std::vector<int>& counts, int32_t rows = 500) {
    std::vector<LogRunPlace> list;
    for (int threads : counts) {
        list.push_back({rows, 500, threads});
    }
    return list;
}

std::vector<int> repeated(const std::vector<int>& counts, int times) {
    std::vector<int> list;
    for (int i = 0; i < times; i++) {
        list.insert(list.end(), counts.begin(), counts.end());
    }
    return list;
}

}  // namespace

TEST(LogSweeps, ASequentialSweepAppendedStartsAgainAtItsFirstCount) {
    // 1 to 4 then 1, 2: the second sweep's counts come back after the others.
    std::vector<int> counts;
    for (int threads : {1, 2, 3, 4, 1, 2}) {
        counts.insert(counts.end(), 5, threads);
    }
    const std::vector<uint32_t> sweeps = logSweeps(places(counts));
    EXPECT_EQ(std::count(sweeps.begin(), sweeps.end(), 0u), 20);
    EXPECT_EQ(std::count(sweeps.begin(), sweeps.end(), 1u), 10);
    EXPECT_EQ(sweeps[19], 0u);
    EXPECT_EQ(sweeps[20], 1u);
    // Stopped in its third count, then run again: a short count, then a new sweep.
    counts = {1, 1, 1, 2, 2, 2, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3};
    EXPECT_EQ(logSweeps(places(counts)), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST(LogSweeps, InterleavedAndRandomSweepsMixTheirCountsAndStayOne) {
    const std::vector<int> interleaved = repeated({1, 2, 4, 8}, 10);
    const std::vector<uint32_t> one(interleaved.size(), 0);
    EXPECT_EQ(logSweeps(places(interleaved)), one);
    // Two variants per count (spawn and pool logged together) interleaved.
    std::vector<int> pairs;
    for (int threads : repeated({1, 2, 4, 8}, 10)) {
        pairs.insert(pairs.end(), 2, threads);
    }
    EXPECT_EQ(logSweeps(places(pairs)), std::vector<uint32_t>(pairs.size(), 0));
    std::vector<int> shuffled = repeated({1, 2, 3, 4, 5, 6, 7, 8}, 20);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    EXPECT_EQ(logSweeps(places(shuffled)), std::vector<uint32_t>(shuffled.size(), 0));
}

TEST(LogSweeps, EachSizeHasItsOwnSweepsNumberedAsTheyBegin) {
    std::vector<LogRunPlace> runs = places({1, 1, 2, 2});
    const std::vector<LogRunPlace> other = places({1, 1, 2, 2}, 100);
    runs.insert(runs.end(), other.begin(), other.end());
    const std::vector<LogRunPlace> again = places({1, 1, 2, 2});
    runs.insert(runs.end(), again.begin(), again.end());
    EXPECT_EQ(logSweeps(runs), (std::vector<uint32_t>{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}));
}

TEST(SweepsApart, SweepsThatShareASeriesAreLabelledUnlessPooled) {
    SweepModel model = reportmodel::ofLog(sequentialLog({1, 2, 4, 8, 16, 32, 64}, 4) + sequentialLog({16, 32, 64}, 4));
    ASSERT_EQ(model.sweeps.size(), 2u);
    EXPECT_EQ(model.sweeps[1].firstEntry, 29u);
    EXPECT_EQ(sweepPlace(model, 1), "infoData.csv, lines 29-40");
    SweepModel pooled = model;
    EXPECT_EQ(tellSweepsApart(&model, false), (std::vector<int32_t>{0, 1}));
    ASSERT_EQ(model.groups.size(), 10u) << "7 counts of the first sweep, 3 of the second";
    EXPECT_EQ(seriesLabel(model, model.groups[0].key.series()), "500 × 500, sweep 1");
    EXPECT_EQ(groupLabel(model, model.groups.back().key), "500 × 500, sweep 2, 64 workers");
    for (const RunGroup& group : model.groups) {
        EXPECT_EQ(group.runs.size(), 4u) << "no count pools the two sweeps";
    }
    EXPECT_TRUE(tellSweepsApart(&pooled, true).empty());
    ASSERT_EQ(pooled.groups.size(), 7u);
    EXPECT_EQ(pooled.groups.back().runs.size(), 8u);
    EXPECT_EQ(seriesLabel(pooled, pooled.groups[0].key.series()), "500 × 500");
}

TEST(SweepsApart, SweepsWithNothingInCommonStandSideBySideUnlabelled) {
    SweepModel model = reportmodel::ofLog(sequentialLog({1, 2, 4}, 3) + sequentialLog({1, 2, 4}, 3, 100));
    EXPECT_TRUE(tellSweepsApart(&model, false).empty());
    ASSERT_EQ(model.groups.size(), 6u);
    EXPECT_EQ(seriesLabel(model, model.groups[0].key.series()), "100 × 500");
    EXPECT_EQ(seriesLabel(model, model.groups[3].key.series()), "500 × 500");
}

TEST(SweepsAsSides, EachFileIsASideAndAFileOfTwoSweepsTwo) {
    SweepModel model = reportmodel::ofLog(sequentialLog({1, 2}, 3) + sequentialLog({1, 2}, 3));
    model.files.push_back({"b.json", InputKind::json, {}, {}, 0});
    SweepModel pooled = model;
    sweepsAsSides(&model, {"old", "new"}, false);
    ASSERT_EQ(model.apart.size(), 2u) << "the second file holds no sweep";
    EXPECT_EQ(model.apart[0].label, "old, sweep 1");
    EXPECT_EQ(model.apart[1].label, "old, sweep 2");
    sweepsAsSides(&pooled, {"old", "new"}, true);
    ASSERT_EQ(pooled.apart.size(), 1u);
    EXPECT_EQ(pooled.apart[0].label, "old");
    EXPECT_EQ(pooled.groups[0].runs.size(), 6u);
}

TEST(SeriesNames, ShowWhatTellsTheModelsSeriesApart) {
    SweepModel model = reportmodel::empty(true);
    reportmodel::add(&model, 500, 500, 4, 100, 90);
    EXPECT_EQ(seriesLabel(model, {500, 500, 0, 0, 0}), "500 × 500");
    reportmodel::add(&model, 500, 500, 4, 100, 90, "pool", "stack:64k");
    finishRuns(&model);
    EXPECT_EQ(seriesLabel(model, model.groups[0].key.series()), "500 × 500, defaults, spawn");
    const SeriesName name = nameSeries(model, model.groups[1].key.series());
    EXPECT_EQ(name.text(), "500 × 500, stack:64k, pool");
    EXPECT_EQ(name.variant(), "stack:64k, pool");
}
