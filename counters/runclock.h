// The clocks around a measured interval: the processor clock (clock(),
// every thread of the process together) and a monotonic wall clock, and
// beside them what the kernel accounted to the process (resource use) and
// the perf counters that are open (none unless asked for). Every way of
// making a run reads its interval with these two calls.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <ctime>

#include "counters/perfcounters.h"
#include "counters/resourceuse.h"

// What a run costs, read by both clocks over the same interval.
struct RunTime {
    double ticks;       // processor-clock ticks (CLOCKS_PER_SEC per second)
    double wallMicros;  // microseconds of wall time
    // The wall clock's two readings, in ns on its own scale (steady_clock,
    // which on Linux is CLOCK_MONOTONIC), for records that place other
    // moments of the run inside its interval.
    int64_t wallBeginNs;
    int64_t wallEndNs;
    ResourceUse usage;
    PerfCounts perf;
};

// The readings that open a measured interval.
struct RunClockStart {
    PerfReading perf;
    rusage usage;
    clock_t ticks;
    std::chrono::steady_clock::time_point wall;
};

// Opens a measured interval: reads the perf counters, the resource use, the
// wall clock, then the processor clock.
RunClockStart startRunClock();
// Closes the interval opened by `start`, reading in the reverse order, so
// each interval lies inside the one read before it: the processor clock's
// inside the wall clock's, both inside the resource use's. The ticks are
// difftime of the two processor-clock readings.
RunTime stopRunClock(const RunClockStart& start);
