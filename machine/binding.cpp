#include "machine/binding.h"

#include <algorithm>

std::vector<int32_t> allowedCpus() {
    // The mask may be larger than the default cpu_set_t on machines with
    // more than 1024 CPUs: grow it until the kernel takes it.
    for (int count = CPU_SETSIZE; count <= (1 << 20); count *= 2) {
        CpuMask mask(CPU_ALLOC(count));
        if (!mask) {
            return {};
        }
        const size_t size = CPU_ALLOC_SIZE(count);
        if (sched_getaffinity(0, size, mask.get()) != 0) {
            continue;
        }
        std::vector<int32_t> cpus;
        for (int cpu = 0; cpu < count; cpu++) {
            if (CPU_ISSET_S(cpu, size, mask.get())) {
                cpus.push_back(cpu);
            }
        }
        return cpus;
    }
    return {};
}

bool bindCallingThread(const std::vector<int32_t>& cpus) {
    const int32_t highest = *std::max_element(cpus.begin(), cpus.end());
    CpuMask mask(CPU_ALLOC(highest + 1));
    if (!mask) {
        return false;
    }
    const size_t size = CPU_ALLOC_SIZE(highest + 1);
    CPU_ZERO_S(size, mask.get());
    for (int32_t cpu : cpus) {
        CPU_SET_S(static_cast<size_t>(cpu), size, mask.get());
    }
    return sched_setaffinity(0, size, mask.get()) == 0;
}

bool makeCpuMasks(const std::vector<int32_t>& cpus, CpuMasks* masks) {
    const int32_t highest = *std::max_element(cpus.begin(), cpus.end());
    masks->cpus = cpus;
    masks->size = CPU_ALLOC_SIZE(highest + 1);
    masks->masks.clear();
    for (int32_t cpu : cpus) {
        CpuMask mask(CPU_ALLOC(highest + 1));
        if (!mask) {
            return false;
        }
        CPU_ZERO_S(masks->size, mask.get());
        CPU_SET_S(static_cast<size_t>(cpu), masks->size, mask.get());
        masks->masks.push_back(std::move(mask));
    }
    return true;
}

const cpu_set_t* workerMask(const CpuMasks& masks, size_t k) {
    return masks.masks[k % masks.masks.size()].get();
}

int32_t workerCpu(const CpuMasks& masks, size_t k) {
    return masks.cpus[k % masks.cpus.size()];
}

PlacementCheck checkPlacement(const CpuMasks& masks, const int32_t* startCpus, int32_t workers) {
    PlacementCheck check{0, 0};
    std::vector<int32_t> seen(startCpus, startCpus + workers);
    std::sort(seen.begin(), seen.end());
    check.cpusUsed = static_cast<int32_t>(std::unique(seen.begin(), seen.end()) - seen.begin());
    for (int32_t k = 0; k < workers; k++) {
        check.misses += startCpus[k] != workerCpu(masks, static_cast<size_t>(k)) ? 1 : 0;
    }
    return check;
}
