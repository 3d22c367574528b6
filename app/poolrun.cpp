#include "app/poolrun.h"

#include <omp.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/diagworker.h"
#include "i18n/messages.h"

namespace {

// Idle OpenMP workers wait between regions, and by default libgomp has them
// spin before they sleep: up to GOMP_SPINCOUNT turns, 300,000 by default
// (about 3 ms), 100 once it runs more threads than there are
// processors. The processor clock counts every thread of the process, so
// that spinning lands in whatever run is being measured: in the pool run
// itself (while the initial thread allocates and fills, and at the region's
// end) and in spawn runs made while a team exists. Passive waiting makes
// idle workers sleep at once, so a run's ticks count its own work.
//
// libgomp reads OMP_WAIT_POLICY once, in its own initialiser. As a shared
// library it is initialised before any code of the program that could still
// change the environment (an entry in .preinit_array runs earlier, but the C
// library sets the environment afresh after it). Linked from its static
// archive, its initialiser runs among the program's own, after the C
// library's; this one has a higher priority and runs first. LLVM's libomp
// (a clang build) reads its environment only at the first OpenMP call, so
// this constructor is early enough for it as a shared library: passive
// waiting there means a block time of 0. A choice the user made
// (OMP_WAIT_POLICY, or the runtime's own knob: GOMP_SPINCOUNT, KMP_BLOCKTIME,
// KMP_LIBRARY) is kept.
__attribute__((constructor(101))) void chooseIdleWait() {
    for (const char* chosen : {"OMP_WAIT_POLICY", "GOMP_SPINCOUNT", "KMP_BLOCKTIME", "KMP_LIBRARY"}) {
        if (getenv(chosen) != nullptr) {
            return;
        }
    }
    setenv("OMP_WAIT_POLICY", "passive", 0);
}

bool failTeam(int32_t size, int32_t numThreads) {
    // TRANSLATORS: the threads OpenMP gave, the threads asked for.
    printf(_("Could not create the thread team (%d of %d)\n"), size, numThreads);
    return false;
}

// ThreadSanitizer cannot see libgomp's barriers (libgomp is not built for
// it), so under TSan the region's two edges are declared by hand, exactly
// where OpenMP promises them: everything the initial thread did before the
// region happens before every worker's part, and every worker's part happens
// before what follows the region. Workers get no edge between each other, so
// a race between two workers (or with the initial thread) is still reported.
// The compiler's own hand-off record (the region's shared variables, written
// just before libgomp is called) is left unchecked: the functions holding the
// region are not instrumented, and every access they make to the run is in
// teamWorker, which is.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define POOL_REGION __attribute__((no_sanitize_thread, noinline))
char regionStart;  // the fork edge
char regionEnd;    // the join edge
void forkEdge() {
    __tsan_release(&regionStart);
}
void workerStarts() {
    __tsan_acquire(&regionStart);
}
void workerEnds() {
    __tsan_release(&regionEnd);
}
void joinEdge() {
    __tsan_acquire(&regionEnd);
}
#else
#define POOL_REGION
void forkEdge() {}
void workerStarts() {}
void workerEnds() {}
void joinEdge() {}
#endif

// Worker k of a team of `workers`: fills its argument entry and sums its
// diagonals (or runs the split's body); with no run, or in a team of the
// wrong size, nobody sums. Thread 0 reports the size. With start notes,
// each worker first notes the CPU it starts the run on; with a record, its
// span holds its whole part.
__attribute__((noinline)) void teamWorker(DiagRun* run, int32_t k, int32_t workers, int32_t* size,
                                          const PoolRunWork* work) {
    if (k == 0) {
        *size = workers;
    }
    if (run == nullptr || workers != run->numThreads) {
        return;
    }
    WorkerSpan* span = work->trace != nullptr ? &work->trace->workers[static_cast<size_t>(k)] : nullptr;
    if (span != nullptr) {
        beginWorker(span);
    }
    if (work->startCpus != nullptr) {
        work->startCpus[k] = sched_getcpu();
    }
    if (work->split != nullptr) {
        sumSplitShare(work->split, k);
    } else {
        run->args[k] = ThreadArgs{&run->matrix, static_cast<uint16_t>(k), workers, &run->results};
        sumWorkerDiagonals(&run->args[k]);
    }
    if (span != nullptr) {
        endWorker(span);
    }
}

// Hands the prepared run (or none) to a team of `numThreads` workers and
// waits for all of them (the region's closing barrier); returns the size of
// the team OpenMP gave.
POOL_REGION int32_t runTeam(int32_t numThreads, DiagRun* run, const PoolRunWork* work) {
    int32_t size = 0;
    forkEdge();
#pragma omp parallel num_threads(numThreads)
    {
        workerStarts();
        teamWorker(run, omp_get_thread_num(), omp_get_num_threads(), &size, work);
        workerEnds();
    }
    joinEdge();
    return size;
}

// A DiagonalSummer: `work` is the run's PoolRunWork.
bool sumDiagonalsInTeam(DiagRun* run, void* work) {
    const int32_t size = runTeam(run->numThreads, run, static_cast<const PoolRunWork*>(work));
    return size == run->numThreads || failTeam(size, run->numThreads);
}

// The initial thread's CPUs before a bound team took it over (it is the
// team's worker 0); empty when no bound team is up.
std::vector<int32_t> initialThreadCpus;

// Binds every thread of the team to its CPU, each thread itself; libgomp
// keeps the same threads for the team's later regions of the same size.
// Returns the first error (0 when every thread is bound).
POOL_REGION int bindTeam(int32_t numThreads, const CpuMasks* masks) {
    int firstError = 0;
#pragma omp parallel num_threads(numThreads)
    {
        const auto k = static_cast<size_t>(omp_get_thread_num());
        const int error = pthread_setaffinity_np(pthread_self(), masks->size, workerMask(*masks, k));
        if (error != 0) {
#pragma omp critical
            firstError = firstError != 0 ? firstError : error;
        }
    }
    return firstError;
}

// Gives the initial thread back the CPUs it had before the team.
void unbindInitialThread() {
    if (!initialThreadCpus.empty()) {
        bindCallingThread(initialThreadCpus);
    }
    initialThreadCpus.clear();
}

}  // namespace

bool startPoolTeam(int32_t numThreads, const CpuMasks* masks) {
    if (numThreads < 1 || numThreads > maxWorkers) {
        printf("%s", _("Invalid thread count\n"));
        return false;
    }
    omp_set_dynamic(0);
    const PoolRunWork none;
    const int32_t size = runTeam(numThreads, nullptr, &none);
    if (size != numThreads) {
        return failTeam(size, numThreads);
    }
    if (masks == nullptr) {
        return true;
    }
    initialThreadCpus = allowedCpus();
    const int error = bindTeam(numThreads, masks);
    if (error != 0) {
        printf(_("Cannot bind the team's threads to their CPUs: %s\n"), strerror(error));
        return false;
    }
    return true;
}

bool timePoolRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, RunTime* time,
                 PoolRunWork work) {
    return timeSummedRun(run, rows, columns, numThreads, sumDiagonalsInTeam, &work, time);
}

void endPoolTeam() {
    omp_pause_resource_all(omp_pause_hard);
    unbindInitialThread();
}

std::string poolStackSizeValue(size_t bytes) {
    return std::to_string(bytes) + "B";
}

bool poolStackSizeIs(size_t bytes) {
    const char* set = getenv(poolStackVariable);
    if (bytes == 0) {
        return set == nullptr && getenv("GOMP_STACKSIZE") == nullptr;
    }
    return set != nullptr && set == poolStackSizeValue(bytes);
}

void restartWithPoolStackSize(size_t bytes, char** argv) {
    if (setenv(poolStackVariable, poolStackSizeValue(bytes).c_str(), 1) != 0) {
        return;
    }
    execv("/proc/self/exe", argv);
}
