// The counters' arithmetic: resource use and perf counts between two
// readings, and the perf event list of the command line.
#include <gtest/gtest.h>

#include "counters/perfcounters.h"
#include "counters/resourceuse.h"

namespace {

rusage usageAt(long seconds, long micros, long faults, long switches) {
    rusage usage{};
    usage.ru_utime = {seconds, micros};
    usage.ru_stime = {seconds + 1, micros};
    usage.ru_minflt = faults;
    usage.ru_majflt = faults / 10;
    usage.ru_nvcsw = switches;
    usage.ru_nivcsw = switches * 2;
    return usage;
}

}  // namespace

TEST(ResourceUse, DifferencesCarryMicrosecondsAcrossSecondsAndCountExactly) {
    const ResourceUse use = resourceUseBetween(usageAt(2, 999'900, 100, 7), usageAt(3, 100, 350, 10));
    EXPECT_EQ(use.userMicros, 200);
    EXPECT_EQ(use.systemMicros, 200);
    EXPECT_EQ(use.minorFaults, 250);
    EXPECT_EQ(use.majorFaults, 25);
    EXPECT_EQ(use.voluntarySwitches, 3);
    EXPECT_EQ(use.involuntarySwitches, 6);
    // The process's own reading only grows.
    const rusage first = readResourceUse();
    const ResourceUse own = resourceUseBetween(first, readResourceUse());
    EXPECT_GE(own.userMicros + own.systemMicros, 0);
    EXPECT_GE(own.minorFaults, 0);
}

TEST(PerfCounts, DifferencesScaleMultiplexedCountsAndDropCountersNotReadOrNeverRunning) {
    PerfReading start;
    PerfReading end;
    start.values[0] = {1'000'000, 10, 10, true};  // task-clock, ns
    end.values[0] = {3'500'000, 20, 20, true};
    start.values[7] = {100, 0, 0, true};  // cycles, counting half of the interval
    end.values[7] = {600, 2000, 1000, true};
    start.values[8] = {5, 0, 0, true};  // instructions, never scheduled
    end.values[8] = {5, 1000, 0, true};
    end.values[2] = {9, 1, 1, true};  // context switches, not read at the start
    const PerfCounts counts = perfCountsBetween(start, end);
    ASSERT_TRUE(counts.has(0));
    EXPECT_DOUBLE_EQ(counts.values[0], 2500.0);  // µs
    ASSERT_TRUE(counts.has(7));
    EXPECT_DOUBLE_EQ(counts.values[7], 1000.0);
    EXPECT_FALSE(counts.has(8));
    EXPECT_FALSE(counts.has(2));
    EXPECT_STREQ(perfEventField(0), "perf_task_clock_us");
    EXPECT_STREQ(perfEventField(7), "perf_cycles");
}

TEST(PerfList, TakesNamesAndPerfsAliasesOnceEachAndRefusesTheRest) {
    std::vector<size_t> events;
    std::string why;
    ASSERT_TRUE(parsePerfList("task-clock,cs,cycles,instructions", &events, &why));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_STREQ(perfEventName(events[1]), "context-switches");
    EXPECT_STREQ(perfEventName(events[2]), "cycles");
    for (const char* refused : {"", "cycles,", "bogus", "cycles,cpu-cycles", "task-clock,,cs"}) {
        EXPECT_FALSE(parsePerfList(refused, &events, &why)) << refused;
        EXPECT_NE(why.find("task-clock"), std::string::npos) << "the refusal lists the events";
    }
    EXPECT_EQ(events.size(), 4u) << "a refused list leaves the events alone";
}

TEST(PerfCounters, NothingOpenReadsNothing) {
    const PerfCounts counts = perfCountsBetween(readPerfCounters(), readPerfCounters());
    EXPECT_EQ(counts.present, 0u);
}
