// What the report says of a curve as a whole, from crafted sweeps: the
// trace figures' table (and none without them), the best counts, the fits
// of a throughput made from known coefficients given back, the no-fit line,
// the export's fields, and which runs of a trace file the timeline shows.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "report/analysis/scaling.h"
#include "report/charts/charts.h"
#include "report/export/findings.h"
#include "report/tables/tables.h"
#include "reportmodel.h"

using reportmodel::contains;

namespace {

// One run's entry; `extra` adds members (",\"load_balance\": 0.9").
std::string entry(int32_t workers, double wallUs, const std::string& split = "",
                  const std::string& extra = "") {
    const std::string name = "diagsum/500x500/" + (split.empty() ? "" : "split:" + split + "/") +
                             "threads:" + std::to_string(workers);
    return R"({"name": ")" + name + R"(", "run_type": "iteration", "threads": )" + std::to_string(workers) +
           R"(, "iterations": 1, "real_time": )" + std::to_string(wallUs) + R"(, "cpu_time": )" +
           std::to_string(wallUs * workers) + R"(, "time_unit": "us")" + extra + "}";
}

std::string sweep(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& e : entries) {
        list += (list.empty() ? "" : ",\n") + e;
    }
    return R"({"context": {"usable_cpus": 2, "num_cpus": 2}, "benchmarks": [)" + list + "]}";
}

// Runs whose throughput follows the USL with λ = 1000 runs/s, σ = 0.05 and
// κ = 0.002 exactly, ten alike per count.
std::string uslSweep(const std::vector<int32_t>& counts) {
    std::vector<std::string> entries;
    for (int32_t n : counts) {
        const double x = 1000.0 * n / (1 + 0.05 * (n - 1) + 0.002 * n * (n - 1));
        for (int r = 0; r < 10; r++) {
            entries.push_back(entry(n, 1e6 / x));
        }
    }
    return sweep(entries);
}

struct Explained {
    SweepModel model;
    ScalingReport report;
};

void explain(const std::string& text, Explained* e, const std::vector<int32_t>& predict = {}) {
    std::string error;
    e->model = reportmodel::ofJson(text, &error);
    ASSERT_EQ(error, "");
    e->report = analyse(e->model);
    addExplanations(&e->report, predict);
}

}  // namespace

TEST(Explain, TraceFiguresTabledWithTheSplitsOfOneCountTogether) {
    std::vector<std::string> entries;
    for (const char* split : {"", "blocks", "dynamic"}) {
        for (int32_t n : {1, 2}) {
            for (int r = 0; r < 6; r++) {
                const double balance = std::string(split) == "blocks" ? 0.5 : 0.9 + 0.01 * r;
                entries.push_back(entry(n, 1000, split,
                                        ", \"start_latency_us\": " + std::to_string(40 + r) +
                                            ", \"load_balance\": " + std::to_string(balance) +
                                            ", \"parallel_efficiency\": 0.8"));
            }
        }
    }
    Explained e;
    explain(sweep(entries), &e);
    const std::string text = summaryText(e.report);
    EXPECT_TRUE(contains(text,
                         "| matrix | settings | workers | traced runs | start latency µs | 95 % CI | load "
                         "balance | 95 % CI | parallel efficiency | 95 % CI |\n"))
        << text;
    // Six runs give the interval of the median from the outermost two.
    EXPECT_TRUE(contains(text,
                         "| 500 × 500 | defaults | 1 | 6 | 42.5 | [40.0, 45.0] | 0.925 | [0.900, 0.950] | "
                         "0.800 | [0.800, 0.800] |\n"
                         "| 500 × 500 | split:blocks | 1 | 6 | 42.5 | [40.0, 45.0] | 0.500 |"))
        << text;
    const nlohmann::json found = nlohmann::json::parse(findingsJson(e.report, nullptr));
    const nlohmann::json& count = found["series"][1]["counts"][0];
    EXPECT_DOUBLE_EQ(count["load_balance"]["value"].get<double>(), 0.5);
    EXPECT_DOUBLE_EQ(count["start_latency_us"]["ci_low"].get<double>(), 40);
    EXPECT_DOUBLE_EQ(count["parallel_efficiency"]["value"].get<double>(), 0.8);
}

TEST(Explain, NoTraceFiguresNoTableAndNoFields) {
    Explained e;
    explain(uslSweep({1, 2, 4}), &e);
    EXPECT_EQ(efficiencyTable(e.report), "");
    const nlohmann::json found = nlohmann::json::parse(findingsJson(e.report, nullptr));
    EXPECT_FALSE(found["series"][0]["counts"][0].contains("load_balance"));
}

TEST(Explain, FitGivesTheKnownCoefficientsBack) {
    Explained e;
    explain(uslSweep({1, 2, 3, 4, 6, 8, 12, 16, 24, 32}), &e, {64});
    ASSERT_EQ(e.report.models.size(), 1u);
    const ScalingFit& usl = e.report.models[0].usl;
    ASSERT_EQ(usl.outcome, FitOutcome::fitted);
    EXPECT_NEAR(usl.sigma.value, 0.05, 1e-6);
    EXPECT_NEAR(usl.kappa.value, 0.002, 1e-8);
    EXPECT_NEAR(usl.lambda.value, 1000, 1e-3);
    // N* = √((1 − σ)/κ) = 21.8; between 16 and 32 the fastest count is 24.
    const std::string text = summaryText(e.report);
    EXPECT_TRUE(contains(text, "| 500 × 500 | USL | 10 | 1.0000 | 0.0500 |")) << text;
    EXPECT_TRUE(contains(text, "throughput peaks at 22 ± 0 workers")) << text;
    EXPECT_TRUE(contains(text, "USL predicts")) << text;
    EXPECT_TRUE(contains(text, "counts above 2, the CPUs this process may use, measure oversubscription"))
        << text;
    EXPECT_TRUE(contains(text, "- 500 × 500: fastest here: 24 workers (no other count within the noise)"))
        << text;
    const nlohmann::json found = nlohmann::json::parse(findingsJson(e.report, nullptr));
    const nlohmann::json& fit = found["models"][0]["usl"];
    EXPECT_NEAR(fit["sigma"].get<double>(), 0.05, 1e-6);
    for (const char* key :
         {"sigma_se", "kappa", "kappa_se", "lambda", "lambda_se", "r2", "peak_workers", "peak_throughput"}) {
        EXPECT_TRUE(fit.contains(key)) << key;
    }
    EXPECT_NEAR(fit["peak_workers"].get<double>(), std::sqrt(0.95 / 0.002), 1e-3);
    EXPECT_EQ(found["models"][0]["amdahl"]["outcome"], "fitted");
    EXPECT_NE(modelChartScript(e.report).find("with yerrorbars"), std::string::npos);
}

TEST(Explain, FewerThanSixCountsIsNoFit) {
    Explained e;
    explain(uslSweep({1, 2, 8, 127}), &e);
    const std::string text = modelText(e.report);
    EXPECT_TRUE(contains(text, "- 500 × 500: USL: 4 worker counts, fewer than the 6 a fit needs: no fit.\n"))
        << text;
    EXPECT_FALSE(contains(text, "| USL |")) << text;
    EXPECT_FALSE(anyFit(e.report.models));
    EXPECT_NE(modelChartScript(e.report).find("set label 'USL: 4 worker counts"), std::string::npos);
}

TEST(Explain, TimelineShowsEveryVariantOfOneTwoEightAndTheMostWorkers) {
    std::string events;
    int pid = 0;
    for (int workers : {1, 2, 3, 8, 9, 127, 2}) {
        pid++;
        const std::string p = std::to_string(pid);
        events += R"({"ph": "M", "pid": )" + p +
                  R"(, "tid": 0, "name": "process_name", "args": {"name": "run )" + std::to_string(workers) +
                  R"("}},)";
        for (int k = 0; k < workers; k++) {
            events += R"({"ph": "M", "pid": )" + p + R"(, "tid": )" + std::to_string(k + 1) +
                      R"(, "name": "thread_name", "args": {"name": "worker"}},)";
        }
        events += R"({"ph": "X", "pid": )" + p + R"(, "tid": 1, "name": "sum", "ts": 5, "dur": 10},)";
    }
    events.pop_back();
    ScalingReport report;
    std::string error;
    ASSERT_TRUE(parseTrace(R"({"traceEvents": [)" + events + "]}", &report.trace, &error)) << error;
    ASSERT_EQ(report.trace.size(), 7u);
    EXPECT_EQ(report.trace[5].workers, 127);
    ASSERT_EQ(report.trace[0].spans.size(), 1u);
    EXPECT_DOUBLE_EQ(report.trace[0].spans[0].end, 15);
    // 1, 2 usable CPUs (both runs of 2, another variant), 4 × 2 = 8 and 127;
    // 4 × 3 = 12 is nearest 9.
    EXPECT_EQ(timelineRuns(report, 2), (std::vector<size_t>{0, 1, 6, 3, 5}));
    EXPECT_EQ(timelineRuns(report, 3), (std::vector<size_t>{0, 2, 4, 5}));
    EXPECT_FALSE(parseTrace("{\"traceEvents\": []}", &report.trace, &error));
    // A worker id no run can have names no lane: the chart is never sized by it.
    ASSERT_TRUE(parseTrace(R"({"traceEvents": [)" + events +
                               R"(, {"ph": "M", "pid": 1, "tid": 2147483647, "name": "thread_name", "args": {}}]})",
                           &report.trace, &error));
    EXPECT_EQ(report.trace[0].workers, 1);
    EXPECT_EQ(timelineRuns(report, 1 << 30).size(), 2u) << "1 and 127 workers; 4 × the CPUs stays in range";
    // Only a regular file is read as a trace: a device never ends.
    EXPECT_FALSE(readTraceFile("/dev/zero", &report.trace, &error));
}
