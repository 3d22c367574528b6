// The system share of a group's processor time, system / (user + system)
// of the sums over its runs, with a 95 % interval, and whether the sums
// rest on too few kernel ticks to mean anything. The kernel charges a
// thread's time to user or system by what it was doing at each tick, so
// the split comes in whole ticks: a total of N ticks resolves the share to
// 1 / N at best. Below minShareTicks ticks (a share's step of 5 % or more)
// it is no figure at all. The tick is taken as 10 ms (USER_HZ, the
// coarsest a Linux kernel counts in), which errs towards saying n/a.
#pragma once

#include "report/stats/stats.h"
#include "report/sweep/model.h"

inline constexpr double kernelTickMicros = 10000;
inline constexpr double minShareTicks = 20;

struct ShareEstimate {
    bool counted = false;   // the runs carry user and system time
    bool fewTicks = false;  // fewer than minShareTicks ticks in all
    double share = NAN;
    Interval interval;  // a seeded bootstrap of the runs; unknown with few ticks
};

// The estimate of `group`'s runs that carry both counters.
ShareEstimate systemShareEstimate(const SweepModel& model, const RunGroup& group);

// Whether user + system time summed to `micros` spans fewer than
// minShareTicks ticks.
bool tooFewTicks(double micros);
