// What the machine allows: T workers on P usable processors can at best
// run min(T, P) times as fast as one, so the ideal speedup of T workers
// against a base of B is min(T, P) / min(B, P). A speedup whose whole
// interval lies above it is no finding about the program but about the
// base count's runs: slow first runs, or a machine that was slower while
// they were made. P is the context's usable_cpus (what the sweep's process
// could run on), else its num_cpus; unknown (0), the ideal is T / B.
#pragma once

#include <cstdint>

#include "report/analysis/scaling.h"

// The processors of the model's first input that gives them: usable_cpus,
// else num_cpus; 0 when none does.
int32_t usableProcessors(const SweepModel& model);

// min(T, P) / min(B, P); T / B when `processors` is 0.
double idealSpeedup(int32_t threads, int32_t base, int32_t processors);

// The 95 % interval of median wall time at `base` / at `group`: from the
// levels above the runs when both groups have them (report/stats/levels.h),
// else a seeded bootstrap of the runs.
Interval speedupInterval(const SweepModel& model, const RunGroup& base, const RunGroup& group);

// Fills every group's speedupInterval, idealSpeedup and impossibleSpeedup
// (wall times only), and adds one line to report->advice when a speedup is
// impossible.
void addBounds(ScalingReport* report);
