#include "trace/runtrace.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>

namespace {

int64_t readClock(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void endTracedWorker(void* span) {
    endWorker(static_cast<WorkerSpan*>(span));
}

}  // namespace

void reserveRunTrace(RunTrace* trace, int32_t workers) {
    const auto slots = static_cast<size_t>(std::max(workers, 0));
    trace->run = Span{};
    trace->workers.assign(slots, WorkerSpan{});
    trace->creates.assign(slots, Span{});
    trace->joins.assign(slots, Span{});
}

int64_t monotonicNs() {
    return readClock(CLOCK_MONOTONIC);
}

int64_t threadCpuNs() {
    return readClock(CLOCK_THREAD_CPUTIME_ID);
}

void beginSpan(Span* span) {
    span->beginNs = monotonicNs();
}

void endSpan(Span* span) {
    span->endNs = monotonicNs();
}

void beginWorker(WorkerSpan* span) {
    span->wall.beginNs = monotonicNs();
    span->cpuBeginNs = threadCpuNs();
}

void endWorker(WorkerSpan* span) {
    span->cpuEndNs = threadCpuNs();
    span->wall.endNs = monotonicNs();
}

void* tracedWorkerStart(void* traced) {
    const auto* worker = static_cast<const TracedWorker*>(traced);
    beginWorker(worker->span);
    void* result = nullptr;
    // The handler runs when the routine returns (pop with 1) and when it
    // calls pthread_exit, which unwinds through here.
    pthread_cleanup_push(endTracedWorker, worker->span);
    result = worker->routine(worker->argument);
    pthread_cleanup_pop(1);
    return result;
}
