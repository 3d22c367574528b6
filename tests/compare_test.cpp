// Comparing sweeps: verdicts and summary, a file against itself, the few-runs
// warning, and the p-values against Google Benchmark's own compare.py.
#include "report/compare/compare.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "report/sweep/sweepsplit.h"
#include "report/tables/comparetable.h"
#include "testsupport.h"

namespace {

struct TimedRun {
    int32_t threads;
    double cpu;
    double wall;
};
using RunList = std::vector<TimedRun>;

// Runs of 500 x 500 at counts 1, 2 and 4: wall and processor time around
// `scale` times a base, with noise from `seed`.
RunList sweep(double scale, uint64_t seed, int runs = 20) {
    RunList list;
    std::mt19937_64 noise(seed);
    std::uniform_real_distribution<double> jitter(0.9, 1.1);
    for (int threads : {1, 2, 4}) {
        for (int i = 0; i < runs; i++) {
            const double cpu = scale * 300 * threads * jitter(noise);
            list.push_back({threads, cpu, scale * 400 * jitter(noise)});
        }
    }
    return list;
}

// A model of one JSON file per sweep, its sweeps the sides of a comparison.
// With `invocations` each count's runs are dealt round-robin to that many
// invocations; with 0 they were made back to back by one process.
SweepModel sides(const std::vector<const RunList*>& sweeps, const std::vector<std::string>& labels,
                 int32_t invocations = 5) {
    SweepModel model;
    model.hasWall = true;
    for (size_t file = 0; file < sweeps.size(); file++) {
        model.files.push_back({labels[file], InputKind::json, {}, {}, sweeps[file]->size()});
        model.sweeps.push_back({file, 1, sweeps[file]->size(), sweeps[file]->size()});
        int32_t sequence = 0;
        for (const TimedRun& timed : *sweeps[file]) {
            Run run;
            run.cpu = timed.cpu;
            run.wall = timed.wall;
            run.sweep = static_cast<int32_t>(file);
            run.sequence = sequence;
            run.invocation = invocations > 0 ? sequence % invocations : 0;
            sequence++;
            addRun(&model, {500, 500, settingIndex(&model, {}), modeIndex(&model, "spawn"), timed.threads},
                   std::move(run));
        }
    }
    finishRuns(&model);
    sweepsAsSides(&model, labels, false);
    return model;
}

// The sweep as diagsum's JSON, iterations only.
std::string json(const RunList& list) {
    std::string entries;
    for (const TimedRun& run : list) {
        entries += std::string(entries.empty() ? "" : ",") + R"({"name": "diagsum/500x500/threads:)" +
                   std::to_string(run.threads) + R"(", "run_type": "iteration", "iterations": 1, "real_time": )" +
                   std::to_string(run.wall) + R"(, "cpu_time": )" + std::to_string(run.cpu) + R"(, "time_unit": "us"})";
    }
    return R"({"context": {}, "benchmarks": [)" + entries + "]}";
}

bool hasCompareTool() {
    return std::system("/usr/bin/python3 -c 'import scipy' > /dev/null 2>&1") == 0 &&
           std::system("test -f /usr/share/benchmark/compare.py") == 0;
}

}  // namespace

TEST(Compare, AFileAgainstItselfShowsNoDifferenceAnywhere) {
    const RunList a = sweep(1, 1);
    const SweepModel model = sides({&a, &a}, {"a", "a again"});
    const CompareReport report = compareSweeps(model);
    ASSERT_EQ(report.counts.size(), 3u);
    for (const CountComparison& count : report.counts) {
        EXPECT_EQ(count.sides[1].wall.verdict, Verdict::same);
        EXPECT_EQ(count.sides[1].cpu.verdict, Verdict::same);
        EXPECT_DOUBLE_EQ(count.sides[1].cpu.p, 1.0);
    }
    ASSERT_EQ(report.summaries.size(), 2u);
    EXPECT_DOUBLE_EQ(report.summaries[0].mean.ratio, 1.0);
    EXPECT_EQ(report.summaries[0].verdict, Verdict::same);
    EXPECT_EQ(fewRunsWarning(report), "");
}

TEST(Compare, ASlowerBuildIsCalledSlowerWithItsRatio) {
    const RunList before = sweep(1, 1);
    const RunList after = sweep(1.5, 2, 6);
    const SweepModel model = sides({&before, &after}, {"before", "after"});
    const CompareReport report = compareSweeps(model);
    const MeasureComparison& cpu = report.counts[0].sides[1].cpu;
    EXPECT_EQ(cpu.verdict, Verdict::slower);
    EXPECT_LT(cpu.ratio.low, 1.5);
    EXPECT_GT(cpu.ratio.high, 1.4);
    EXPECT_EQ(report.summaries[1].verdict, Verdict::slower);
    const std::string text = compareText(report);
    EXPECT_NE(text.find("| 500 × 500 | 4 | after | 6 |"), std::string::npos) << text;
    EXPECT_NE(text.find("after against before, processor time: geometric mean of the ratios over 3 counts 1."),
              std::string::npos)
        << text;
    EXPECT_NE(fewRunsWarning(report).find("fewer than 9 runs at 3 of 3 counts (fewest 6)"), std::string::npos);
    // The intervals are seeded: the same files give the same table.
    const SweepModel again = sides({&before, &after}, {"before", "after"});
    EXPECT_EQ(compareText(compareSweeps(again)), text);
}

TEST(Compare, RunsMadeBackToBackAreUntestedWithOneNotePerFile) {
    const RunList a = sweep(1, 1);
    const RunList b = sweep(1, 2);
    const SweepModel model = sides({&a, &b}, {"a.json", "b.json"}, 0);
    const CompareReport report = compareSweeps(model);
    for (const CountComparison& count : report.counts) {
        EXPECT_EQ(count.sides[1].wall.verdict, Verdict::untested);
        EXPECT_EQ(count.sides[1].cpu.verdict, Verdict::untested);
        EXPECT_FALSE(count.sides[1].wall.levelled);
    }
    EXPECT_EQ(report.summaries[0].verdict, Verdict::untested);
    const std::vector<std::string> notes = backToBackWarnings(report);
    ASSERT_EQ(notes.size(), 2u) << "one line per file, not per count";
    EXPECT_NE(notes[0].find("a.json: each count's runs were made back to back"), std::string::npos)
        << notes[0];
    EXPECT_NE(notes[1].find("--order random --invocations 5"), std::string::npos) << notes[1];
    // Invocations give the verdicts their level.
    const CompareReport levelled = compareSweeps(sides({&a, &b}, {"a.json", "b.json"}));
    EXPECT_TRUE(levelled.backToBackFiles.empty());
    EXPECT_TRUE(levelled.counts[0].sides[1].wall.levelled);
    // Levels cannot see a machine that was busier for one file: said.
    SweepModel busy = sides({&a, &b}, {"a.json", "b.json"});
    busy.files[1].context.cpus = 2;
    busy.files[1].context.loadAtStart = 1.5;
    const std::vector<std::string> busyNotes = backToBackWarnings(compareSweeps(busy));
    ASSERT_EQ(busyNotes.size(), 1u);
    EXPECT_NE(busyNotes[0].find("b.json was made while the machine was busy (load average 1.50 on 2 CPUs)"),
              std::string::npos)
        << busyNotes[0];
}

TEST(Compare, PValuesAgreeWithComparePyToThreeDecimals) {
    if (!hasCompareTool()) {
        GTEST_SKIP() << "python3 with scipy or compare.py is not installed";
    }
    testsupport::ScratchDir dir;
    const RunList a = sweep(1, 3, 12);
    const RunList b = sweep(1.03, 4, 7);  // 7 runs: the exact distribution
    testsupport::writeFile("a.json", json(a));
    testsupport::writeFile("b.json", json(b));
    ASSERT_EQ(std::system("/usr/bin/python3 /usr/share/benchmark/compare.py -d cmp.json benchmarks a.json b.json "
                          "> /dev/null 2>&1"),
              0);
    const std::string script =
        "import json\n"
        "for e in json.load(open('cmp.json')):\n"
        "    u = e.get('utest') or {}\n"
        "    if u: print(e['name'].split(':')[1], '%.3f' % u['time_pvalue'], '%.3f' % u['cpu_pvalue'])\n";
    testsupport::writeFile("p.py", script);
    ASSERT_EQ(std::system("/usr/bin/python3 p.py > p.txt"), 0);
    // Both runs of JSON text round the times alike, so read them back.
    std::string expected;
    const SweepModel model = sides({&a, &b}, {"a", "b"});
    const CompareReport report = compareSweeps(model);
    std::string ours;
    for (const CountComparison& count : report.counts) {
        char line[64];
        snprintf(line, sizeof line, "%d %.3f %.3f\n", count.key.threads, count.sides[1].wall.p, count.sides[1].cpu.p);
        ours += line;
    }
    EXPECT_EQ(testsupport::readFile("p.txt"), ours);
}
