// Pool runs: the same run as timeDiagRun, summed by a team of OpenMP workers
// (GCC's libgomp, or LLVM's libomp in a clang build) that already exists
// when the run starts. The runtime keeps its threads between parallel
// regions, so a pool run measures everything a spawn run does except
// starting and joining the workers.
//
// For each worker count: startPoolTeam(T), any number of timePoolRun(..., T,
// ...), then endPoolTeam(). Call them from the program's initial thread,
// outside any parallel region.
//
// Linking this module makes idle OpenMP workers sleep at once instead of
// spinning (OMP_WAIT_POLICY=passive, unless the user set OMP_WAIT_POLICY,
// GOMP_SPINCOUNT, KMP_BLOCKTIME or KMP_LIBRARY), so that no run's ticks
// include idle workers' spinning.
// When the system cannot start a thread, libgomp itself ends the program
// ("libgomp: Thread creation failed").
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/diagrun.h"
#include "machine/binding.h"
#include "splits/splitworker.h"
#include "trace/runtrace.h"

// Brings up a team of `numThreads` (1 ... maxWorkers) workers with an untimed
// parallel region, with dynamic team sizes off. False after one line on
// stdout ("Could not create the thread team ...") when OpenMP gives fewer
// threads (a thread limit, or a call from inside a parallel region); a count
// out of range is refused with "Invalid thread count". With
// `masks`, each thread of the team then binds itself to its CPU (worker k
// to entry k), outside any measured interval; the initial thread is worker
// 0 and gets its own CPUs back at endPoolTeam. False after one line when a
// thread cannot be bound.
bool startPoolTeam(int32_t numThreads, const CpuMasks* masks = nullptr);

// What a pool run's workers do beside summing as threadSumFunc does; each
// part is left out where it is null.
struct PoolRunWork {
    int32_t* startCpus = nullptr;  // numThreads entries: each worker notes the CPU it starts the run on
    SplitWork* split = nullptr;    // the split's work, prepared for this run: worker k runs its body
    RunTrace* trace = nullptr;     // reserved for numThreads: worker k's span, around its whole part
};

// One pool run, timed like timeDiagRun: from before the first allocation
// (prepareDiagRun) to after the last worker is done. The run is handed to one
// parallel region of `numThreads` threads; thread k fills argument entry k
// and runs sumWorkerDiagonals as worker k, so every worker sums the diagonals
// it sums in a spawn run and the run leaves the same result slots; with a
// split, thread k runs sumSplitShare as worker k instead. The handle array
// is made but unused. On a failure (the preparation's, or a team
// smaller than `numThreads`, reported as startPoolTeam does) releases
// everything and returns false.
bool timePoolRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, RunTime* time,
                 PoolRunWork work = {});

// Ends the team: libgomp joins its idle threads (omp_pause_resource_all with
// omp_pause_hard) and the next region starts new ones. Does nothing inside a
// parallel region.
void endPoolTeam();

// The team's threads get the stack size OMP_STACKSIZE names, read by
// libgomp once, when the program starts; a program cannot change it for
// itself afterwards.
inline constexpr const char* poolStackVariable = "OMP_STACKSIZE";

// Whether this process's team threads get `bytes` of stack (0: the system's
// default, neither OMP_STACKSIZE nor GOMP_STACKSIZE set).
bool poolStackSizeIs(size_t bytes);

// Starts this program afresh (/proc/self/exe, the same `argv`) with
// OMP_STACKSIZE set to `bytes` (not 0), so that libgomp reads it; returns
// only when that fails (errno says why).
void restartWithPoolStackSize(size_t bytes, char** argv);
