// A timed run written as a record and read back, every field: what a child
// invocation sends its parent.
#include "export/runrecord.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Every field set, none to its default, the doubles to values that only
// read back exactly when written with all their digits.
TimedRun everyFieldSet() {
    TimedRun run{};
    run.countIndex = 7;
    run.mode = RunMode::pool;
    run.time.ticks = 1234.0 / 3;
    run.time.wallMicros = 0.1 + 0.2;
    run.time.usage = ResourceUse{11, 12, 13, 14, 15, 16};
    run.time.perf.present = 0b1010000000101;
    for (size_t i = 0; i < perfEventCount; i++) {
        run.time.perf.values[i] = 1e15 + static_cast<double>(i) / 7;
    }
    run.stack = 2;
    run.sequence = (uint64_t{1} << 53) + 1;
    run.cpusUsed = 3;
    run.placementMisses = 4;
    run.invocation = 5;
    run.time.wallBeginNs = int64_t{1} << 62;
    run.time.wallEndNs = (int64_t{1} << 62) + 3;
    run.split = Split::dynamic;
    run.elementsMax = (int64_t{1} << 40) + 1;
    RunTrace trace;
    reserveRunTrace(&trace, 2);
    trace.run = Span{10, 90};
    trace.workers[1] = WorkerSpan{Span{20, 80}, 7, 8};
    trace.creates[0] = Span{11, 12};
    trace.joins[1] = Span{85, 89};
    run.trace = trace;
    return run;
}

// Compares field by field; the bindings name every member, so a member
// added to a run stops this test from compiling until it is compared too.
void expectSameRun(const TimedRun& a, const TimedRun& b) {
    const auto& [count, mode, time, stack, sequence, cpus, misses, invocation, split, elementsMax, trace] = a;
    EXPECT_EQ(count, b.countIndex);
    EXPECT_EQ(mode, b.mode);
    const auto& [ticks, wall, wallBegin, wallEnd, usage, perf] = time;
    EXPECT_EQ(ticks, b.time.ticks);
    EXPECT_EQ(wall, b.time.wallMicros);
    EXPECT_EQ(wallBegin, b.time.wallBeginNs);
    EXPECT_EQ(wallEnd, b.time.wallEndNs);
    const auto& [user, system, minor, major, voluntary, involuntary] = usage;
    EXPECT_EQ(user, b.time.usage.userMicros);
    EXPECT_EQ(system, b.time.usage.systemMicros);
    EXPECT_EQ(minor, b.time.usage.minorFaults);
    EXPECT_EQ(major, b.time.usage.majorFaults);
    EXPECT_EQ(voluntary, b.time.usage.voluntarySwitches);
    EXPECT_EQ(involuntary, b.time.usage.involuntarySwitches);
    const auto& [present, values] = perf;
    EXPECT_EQ(present, b.time.perf.present);
    EXPECT_EQ(values, b.time.perf.values);
    EXPECT_EQ(stack, b.stack);
    EXPECT_EQ(sequence, b.sequence);
    EXPECT_EQ(cpus, b.cpusUsed);
    EXPECT_EQ(misses, b.placementMisses);
    EXPECT_EQ(invocation, b.invocation);
    EXPECT_EQ(split, b.split);
    EXPECT_EQ(elementsMax, b.elementsMax);
    ASSERT_EQ(trace.has_value(), b.trace.has_value());
    if (trace.has_value()) {
        const auto& [run, workers, creates, joins] = *trace;
        const auto spans = [](const std::vector<Span>& list) {
            std::vector<std::pair<int64_t, int64_t>> edges;
            for (const auto& [begin, end] : list) {
                edges.emplace_back(begin, end);
            }
            return edges;
        };
        EXPECT_EQ(spans({run}), spans({b.trace->run}));
        ASSERT_EQ(workers.size(), b.trace->workers.size());
        for (size_t k = 0; k < workers.size(); k++) {
            const auto& [wallSpan, cpuBegin, cpuEnd] = workers[k];
            EXPECT_EQ(spans({wallSpan}), spans({b.trace->workers[k].wall})) << k;
            EXPECT_EQ(cpuBegin, b.trace->workers[k].cpuBeginNs) << k;
            EXPECT_EQ(cpuEnd, b.trace->workers[k].cpuEndNs) << k;
        }
        EXPECT_EQ(spans(creates), spans(b.trace->creates));
        EXPECT_EQ(spans(joins), spans(b.trace->joins));
    }
}

}  // namespace

TEST(RunRecord, EveryFieldReadsBackExactlyThroughItsText) {
    const TimedRun sent = everyFieldSet();
    TimedRun read{};
    ASSERT_TRUE(parseRunRecord(nlohmann::json::parse(runRecord(sent).dump()), &read));
    expectSameRun(read, sent);
    TimedRun spawn{};
    ASSERT_TRUE(parseRunRecord(runRecord(TimedRun{}), &spawn));
    expectSameRun(spawn, TimedRun{});
}

TEST(RunRecord, ARecordMissingAFieldOrOfAnotherShapeIsRefusedAndLeavesTheRun) {
    const nlohmann::json whole = runRecord(everyFieldSet());
    nlohmann::json missing = whole;
    missing["time"]["usage"].erase("major_faults");
    nlohmann::json badMode = whole;
    badMode["mode"] = "fork";
    nlohmann::json badType = whole;
    badType["sequence"] = "twelve";
    nlohmann::json shortPerf = whole;
    shortPerf["time"]["perf"]["values"].erase(0);
    nlohmann::json badSplit = whole;
    badSplit["split"] = "striped";
    nlohmann::json shortSpan = whole;
    shortSpan["trace"]["joins"][0].erase(0);
    for (const nlohmann::json& bad :
         {missing, badMode, badType, shortPerf, badSplit, shortSpan, nlohmann::json::array()}) {
        TimedRun run{};
        run.sequence = 99;
        EXPECT_FALSE(parseRunRecord(bad, &run)) << bad.dump();
        EXPECT_EQ(run.sequence, 99u);
    }
}
