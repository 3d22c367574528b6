// The facts about the machine and the process that explain a measurement
// made there: processor and topology, frequency policy, load, memory-map
// limit, C library, thread stacks and the environment variables that change
// how the program runs. Files are read under a root folder ("" for the
// machine itself) so that a recorded /sys and /proc tree can stand in.
// Anything that cannot be read is "unknown" (or absent), never a failure.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

inline constexpr const char* unknownFact = "unknown";

struct LoadAverage {
    bool known = false;
    double one = 0;  // over 1, 5 and 15 minutes
    double five = 0;
    double fifteen = 0;
};

struct MachineFingerprint {
    std::string cpuModel = unknownFact;      // /proc/cpuinfo "model name"
    std::optional<int> packages;             // distinct physical packages of the online processors
    std::optional<int> cores;                // distinct cores of the online processors
    std::optional<int> hardwareThreads;      // online processors
    std::optional<int> threadsPerCore;       // siblings of the first online processor
    std::optional<int> numaNodes;            // online NUMA nodes
    std::string governor = unknownFact;      // cpufreq scaling governor of the first online processor
    std::string boost = unknownFact;         // "on", "off" (cpufreq boost or intel_pstate no_turbo)
    std::optional<long> maxMapCount;         // vm.max_map_count
    LoadAverage load;                        // when read
};

// Reads the machine's facts from `root`/sys and `root`/proc.
MachineFingerprint readMachineFingerprint(const std::string& root);

// `root`/proc/loadavg.
LoadAverage readLoadAverage(const std::string& root);

// How many processors a list such as "0-3,8" names; none when it is not
// such a list.
std::optional<int> cpuListCount(const std::string& list);

// What the running process itself brings to a measurement.
struct ProcessFacts {
    std::string glibcVersion = unknownFact;  // gnu_get_libc_version()
    std::optional<long> threadStackBytes;    // the default stack of a new thread
    std::vector<std::pair<std::string, std::string>> environment;  // GLIBC_TUNABLES, OMP_*, GOMP_*, sorted
};

// The facts of this process; `environment` is a null-terminated list of
// "NAME=value" entries such as environ.
ProcessFacts readProcessFacts(char** environment);

// One line each (no program name, no newline) for what makes the machine a
// poor place to measure right now: a 1-minute load average of at least the
// number of online processors (and at least 1), or a frequency governor other
// than "performance". Nothing for facts that could not be read.
std::vector<std::string> measurementWarnings(const MachineFingerprint& machine);
