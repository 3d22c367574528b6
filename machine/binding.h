// Binding threads to CPUs through the operating system: the CPUs the
// process may use, CPU masks made once and handed to threads, and the CPU a
// thread runs on.
#pragma once

#include <sched.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The CPUs in the calling thread's affinity mask, ascending; at start-up,
// the process's (taskset, and what its cgroup allows).
std::vector<int32_t> allowedCpus();

// Binds the calling thread to `cpus` (not empty); false when the system
// refuses.
bool bindCallingThread(const std::vector<int32_t>& cpus);

struct CpuMaskFree {
    void operator()(cpu_set_t* mask) const { CPU_FREE(mask); }
};
using CpuMask = std::unique_ptr<cpu_set_t, CpuMaskFree>;

// One single-CPU mask per entry of a placement order (machine/placement.h),
// so that binding a worker costs no allocation.
struct CpuMasks {
    std::vector<int32_t> cpus;  // worker k goes to cpus[k % size]
    size_t size = 0;            // bytes of each mask
    std::vector<CpuMask> masks;
};

// The masks of `cpus` (not empty); false when a mask cannot be allocated.
bool makeCpuMasks(const std::vector<int32_t>& cpus, CpuMasks* masks);

// The mask and the CPU of worker `k`.
const cpu_set_t* workerMask(const CpuMasks& masks, size_t k);
int32_t workerCpu(const CpuMasks& masks, size_t k);

// What the workers' start notes say: how many distinct CPUs they started
// on, and how many started on a CPU other than the one planned for them.
struct PlacementCheck {
    int32_t cpusUsed;
    int32_t misses;
};
PlacementCheck checkPlacement(const CpuMasks& masks, const int32_t* startCpus, int32_t workers);
