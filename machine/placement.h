// Where the workers of a run go: the CPU each worker is bound to, planned
// from the machine's packages, cores and hardware threads. Pure: the
// topology comes in as a plain record (machine/topology.h reads it), CPU
// numbers come out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "names/valuenames.h"

// One hardware thread (processing unit) the workers may run on.
struct HardwareThread {
    int32_t cpu;      // the operating system's CPU number
    int32_t core;     // the core holding it, numbered machine-wide
    int32_t package;  // the package (socket) holding the core
};

// The hardware threads in the topology's own order (packages, then cores,
// then threads of a core).
struct Topology {
    std::vector<HardwareThread> threads;
};

enum class BindPolicy {
    none,     // the scheduler places the workers (the default)
    compact,  // fill a core's hardware threads, then the next core, then the next package
    scatter,  // one worker per core, across the packages first, then the cores' other threads
    list      // the CPUs given, dealt round-robin
};

// The policies' names; list's is only the start of its name, "list:CPUS".
inline constexpr ValueName<BindPolicy> bindPolicyNames[] = {{BindPolicy::none, "none"},
                                                            {BindPolicy::compact, "compact"},
                                                            {BindPolicy::scatter, "scatter"},
                                                            {BindPolicy::list, "list"}};
static_assert(tableNamesEach(bindPolicyNames, BindPolicy::list));

struct Placement {
    BindPolicy policy = BindPolicy::none;
    std::vector<int32_t> cpus;  // list only: in the order given
};

// The placement as the command line spells it, ranges of three or more
// consecutive CPUs written "4-7": "none", "compact", "list:0,2,4-7".
std::string placementName(const Placement& placement);

// "0,2,4-7" into CPU numbers in that order (0 to 65535, at most 65536 of
// them); false when the text is not such a list.
bool parseCpuList(std::string_view text, std::vector<int32_t>* cpus);
// CPU numbers written as parseCpuList reads them.
std::string cpuListText(const std::vector<int32_t>& cpus);

// The topology without the hardware threads whose CPU is not in `cpus`.
Topology keepCpus(const Topology& topology, const std::vector<int32_t>& cpus);

// The CPUs in the order the policy deals them: worker k goes to entry
// k modulo its length. compact and scatter use every hardware thread of
// `topology`; list gives its CPUs as they are; none gives nothing.
std::vector<int32_t> placementOrder(const Topology& topology, const Placement& placement);

// The CPU of each of `workers` workers (empty for none).
std::vector<int32_t> planWorkers(const Topology& topology, const Placement& placement, int32_t workers);
