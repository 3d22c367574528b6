// The chart scripts (report/charts): their data, the worker axis, the CPU
// mark, panels and gnuplot's text.
#include "report/charts/charts.h"

#include <gtest/gtest.h>

#include <string>

#include "report/charts/gnuplot.h"
#include "reportmodel.h"

using reportmodel::add;
using reportmodel::contains;

TEST(Charts, ScriptsHoldTheirDataTakeThePathAsArgumentAndEndAtTheLargestCount) {
    SweepModel runs = reportmodel::empty(true);
    add(&runs, 1, 100, 80);
    add(&runs, 4, 300, 20);
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    const std::string scaling = scalingChartScript(report);
    EXPECT_TRUE(contains(scaling, "set output ARG1\n"));
    EXPECT_TRUE(contains(scaling, "set xrange [0:4]\n")) << "two doublings: a linear axis";
    EXPECT_TRUE(contains(scaling, "$s0 << EOD\n1 100 100 100 1 1\n4 300 300 300 4 1\nEOD\n")) << scaling;
    EXPECT_TRUE(contains(scaling, "using 1:3:4 with filledcurves")) << "the interquartile band";
    const std::string speedup = speedupChartScript(report);
    EXPECT_TRUE(contains(speedup, "$ideal0_1 << EOD\n1 1\n4 4\nEOD\n")) << speedup;
    EXPECT_TRUE(contains(speedup, "set multiplot layout 1,2")) << "efficiency in its own panel";

    SweepModel superlinear = reportmodel::empty(true);
    add(&superlinear, 1, 100, 100);
    add(&superlinear, 2, 100, 40);
    finishRuns(&superlinear);
    const std::string steep = speedupChartScript(analyse(superlinear));
    EXPECT_TRUE(contains(steep, "set yrange [0:3.125]\n")) << "a speedup of 2.5 above the ideal 2 stays on the chart";
}

TEST(Charts, LogWorkerAxisFromThreeDoublingsCpuMarkAndAPanelPerSize) {
    SweepModel runs = reportmodel::empty(true);
    for (int32_t threads : {1, 2, 4, 8, 16}) {
        add(&runs, threads, 100.0 * threads, 100);
        reportmodel::add(&runs, 2000, 2000, threads, 9000.0 * threads, 4000);
    }
    finishRuns(&runs);
    const ScalingReport report = analyse(runs);
    const std::string scaling = scalingChartScript(report, {XScale::automatic, 2});
    EXPECT_TRUE(contains(scaling, "set logscale x 2\n"));
    EXPECT_TRUE(contains(scaling, "set xtics (1, 2, 4, 8, 16, 32)\n")) << scaling;
    EXPECT_TRUE(contains(scaling, "set multiplot layout 1,2"));
    EXPECT_TRUE(contains(scaling, "set title '2000 × 2000'\n"));
    EXPECT_TRUE(contains(scaling, "set arrow from 2, graph 0 to 2, graph 1"));
    EXPECT_TRUE(contains(scaling, "set label '2 CPUs' at 2, graph 0.96"));
    EXPECT_TRUE(contains(speedupChartScript(report), "set multiplot layout 2,2"));
    EXPECT_TRUE(contains(speedupChartScript(report), "set logscale y 10\n")) << "efficiency far below 1";
    const std::string linear = scalingChartScript(report, {XScale::linear, 64});
    EXPECT_FALSE(contains(linear, "logscale x"));
    EXPECT_FALSE(contains(linear, "CPUs")) << "a CPU count beyond the counts is not marked";
    const SweepModel one = reportmodel::ofLog("10,00; 500; 500; 999; 2\n");
    EXPECT_TRUE(contains(scalingChartScript(analyse(one), {XScale::log, 0}), "set logscale x 2\n"));
}

TEST(Charts, TextReachesGnuplotAsOneQuotedString) {
    EXPECT_EQ(gnuplotString("it's\nsystem 'x'"), "'it''s system ''x'''");
}

TEST(Charts, TheWorkerAxisIsLogarithmicOnlyForGeometricallySpreadCounts) {
    const auto axisOf = [](const std::vector<int32_t>& counts) {
        SweepModel runs = reportmodel::empty(false);
        for (int32_t threads : counts) {
            add(&runs, threads, 100.0 * threads);
        }
        finishRuns(&runs);
        return contains(scalingChartScript(analyse(runs)), "set logscale x 2\n");
    };
    std::vector<int32_t> dense;
    for (int32_t threads = 1; threads <= 127; threads++) {
        dense.push_back(threads);
    }
    EXPECT_FALSE(axisOf(dense)) << "every count from 1 to 127";
    EXPECT_TRUE(axisOf({1, 2, 4, 8, 16, 32, 64, 128}));
    EXPECT_TRUE(axisOf({1, 2, 4, 8, 16, 32, 64, 127}));
    EXPECT_TRUE(axisOf({1, 2, 3, 4, 5, 6, 7, 8, 16, 32})) << "dense, then doubling";
    EXPECT_FALSE(axisOf({1, 2, 3, 4})) << "fewer than three doublings";
    EXPECT_TRUE(logWorkerAxis(XScale::log, dense)) << "the user chooses";
    EXPECT_FALSE(logWorkerAxis(XScale::linear, {1, 2, 4, 8, 16}));
}
