// A timed run written as a record and read back, every field: what a child
// invocation sends its parent.
#include "export/runrecord.h"

#include <gtest/gtest.h>

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
    return run;
}

// Compares field by field; the bindings name every member, so a member
// added to a run stops this test from compiling until it is compared too.
void expectSameRun(const TimedRun& a, const TimedRun& b) {
    const auto& [count, mode, time, stack, sequence, cpus, misses, invocation] = a;
    EXPECT_EQ(count, b.countIndex);
    EXPECT_EQ(mode, b.mode);
    const auto& [ticks, wall, usage, perf] = time;
    EXPECT_EQ(ticks, b.time.ticks);
    EXPECT_EQ(wall, b.time.wallMicros);
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
    for (const nlohmann::json& bad : {missing, badMode, badType, shortPerf, nlohmann::json::array()}) {
        TimedRun run{};
        run.sequence = 99;
        EXPECT_FALSE(parseRunRecord(bad, &run)) << bad.dump();
        EXPECT_EQ(run.sequence, 99u);
    }
}
