// What the kernel accounts to the whole process over a measured interval,
// from getrusage(RUSAGE_SELF) read at both of its edges: processor time
// split into user and system time, page faults and context switches. Every
// thread of the process counts, those that ended during the interval too.
//
// The kernel knows a process's processor time exactly but splits it between
// user and system by sampling at its tick, so for runs of a few
// milliseconds one run's split is noise; sums over many runs are sound.
// Faults and switches are exact counts.
#pragma once

#include <sys/resource.h>

#include <cstdint>

// The differences between two readings.
struct ResourceUse {
    int64_t userMicros = 0;
    int64_t systemMicros = 0;
    int64_t minorFaults = 0;  // served without reading from disk
    int64_t majorFaults = 0;  // that had to wait for disk
    int64_t voluntarySwitches = 0;    // a thread gave up the processor (waited, slept)
    int64_t involuntarySwitches = 0;  // a thread was preempted
};

// The process's usage so far; a failed read gives zeros (getrusage cannot
// fail for RUSAGE_SELF with a valid pointer).
rusage readResourceUse();

// `end` minus `start`, field by field, times in whole microseconds.
ResourceUse resourceUseBetween(const rusage& start, const rusage& end);

// Microseconds in a timeval.
int64_t timevalMicros(const timeval& time);
