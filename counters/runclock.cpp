#include "counters/runclock.h"

// The counters are read outside both clocks, so neither clock counts their
// system calls: a tick still means processor time spent on the run, and the
// wall time is what it was before the counters existed. getrusage walks
// every thread of the process (a pool's idle team included) and each perf
// read sums the counters of every thread, so inside the processor clock
// they would cost a run more the more workers it has. Their own interval
// then holds the clocks' plus the clock reads, a microsecond or two: user +
// system time matches the ticks to that.
RunClockStart startRunClock() {
    RunClockStart start;
    start.perf = readPerfCounters();
    start.usage = readResourceUse();
    start.wall = std::chrono::steady_clock::now();
    start.ticks = clock();
    return start;
}

RunTime stopRunClock(const RunClockStart& start) {
    const clock_t endTicks = clock();
    const auto endWall = std::chrono::steady_clock::now();
    const rusage endUsage = readResourceUse();
    const PerfReading endPerf = readPerfCounters();
    RunTime time;
    time.usage = resourceUseBetween(start.usage, endUsage);
    time.perf = perfCountsBetween(start.perf, endPerf);
    time.ticks = difftime(static_cast<time_t>(endTicks), static_cast<time_t>(start.ticks));
    time.wallMicros = std::chrono::duration<double, std::micro>(endWall - start.wall).count();
    time.wallBeginNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.wall.time_since_epoch()).count();
    time.wallEndNs = std::chrono::duration_cast<std::chrono::nanoseconds>(endWall.time_since_epoch()).count();
    return time;
}
