// The record of what each worker of one run did, and when: every worker's
// start and end on the monotonic clock and its own processor time, and the
// driver thread's pthread_create and pthread_join calls, one slot each.
//
// Every slot is made by reserveRunTrace, before the measured interval; inside
// it the recorder only reads clocks into slots it already has: no allocation,
// no lock, and no system call but the clock reads. Each slot is written by
// one thread only (a worker its own span, the driver the rest), and the
// driver reads the record after joining the workers, so nothing is shared
// while the run goes on.
#pragma once

#include <cstdint>
#include <vector>

// A stretch of time on the monotonic clock (CLOCK_MONOTONIC), in ns; an
// edge that was never read is -1.
struct Span {
    int64_t beginNs = -1;
    int64_t endNs = -1;
};

// Whether both edges of `span` were read, in order.
inline bool isWhole(const Span& span) {
    return span.beginNs >= 0 && span.endNs >= span.beginNs;
}

// One worker: when it started and ended (monotonic) and its thread's
// processor clock (CLOCK_THREAD_CPUTIME_ID) at those two moments, read
// inside them.
struct WorkerSpan {
    Span wall;
    int64_t cpuBeginNs = -1;
    int64_t cpuEndNs = -1;
};

struct RunTrace {
    Span run;                         // the measured interval, as the driver marks it
    std::vector<WorkerSpan> workers;  // slot k: worker k
    std::vector<Span> creates;        // slot k: the driver's pthread_create of worker k
    std::vector<Span> joins;          // slot k: the driver's pthread_join of worker k
};

// Makes the record's slots for `workers` workers, every edge unread. Call
// before the measured interval; allocates only when `workers` passes what
// an earlier call made room for.
void reserveRunTrace(RunTrace* trace, int32_t workers);

// The monotonic clock and the calling thread's processor clock, in ns.
int64_t monotonicNs();
int64_t threadCpuNs();

// Reads the monotonic clock into one edge of `span`.
void beginSpan(Span* span);
void endSpan(Span* span);

// A worker's own edges: beginWorker reads the monotonic clock, then the
// thread's processor clock; endWorker reads them in the reverse order, so
// the processor time lies inside the wall span. For workers the recorder
// does not start itself (an OpenMP team member calls them around its part).
void beginWorker(WorkerSpan* span);
void endWorker(WorkerSpan* span);

// A worker started through tracedWorkerStart: its unchanged start routine,
// the routine's argument, and the slot its edges go to.
struct TracedWorker {
    void* (*routine)(void*);
    void* argument;
    WorkerSpan* span;
};

// Thread start routine; `traced` is a TracedWorker. Runs beginWorker, then
// the routine, and endWorker from a cleanup handler, so the end is read
// whether the routine returns or ends its thread with pthread_exit (as
// threadSumFunc does). Returns what the routine returns.
void* tracedWorkerStart(void* traced);
