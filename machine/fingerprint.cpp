#include "machine/fingerprint.h"

#include <gnu/libc-version.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "i18n/messages.h"

namespace {

const std::string cpuFolder = "/sys/devices/system/cpu/";

// The first line of a file, without its newline; none when the file cannot
// be read or is empty.
std::optional<std::string> firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line) || line.empty()) {
        return std::nullopt;
    }
    return line;
}

std::optional<long> wholeNumber(const std::string& path) {
    const auto line = firstLine(path);
    if (!line) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = strtol(line->c_str(), &end, 10);
    if (errno != 0 || end == line->c_str() || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

// The processors of a list such as "0-3,8", in order; none when malformed.
std::optional<std::vector<int>> cpuList(const std::string& list) {
    std::vector<int> cpus;
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        int first = 0;
        int last = 0;
        char extra = 0;
        const int read = sscanf(item.c_str(), "%d-%d%c", &first, &last, &extra);
        if (read == 1 && item.find('-') == std::string::npos) {
            last = first;
        } else if (read != 2 || first > last || first < 0) {
            return std::nullopt;
        }
        if (last - first > 1 << 20) {
            return std::nullopt;
        }
        for (long cpu = first; cpu <= last; cpu++) {  // wide: `last` may be INT_MAX
            cpus.push_back(static_cast<int>(cpu));
        }
    }
    if (cpus.empty()) {
        return std::nullopt;
    }
    return cpus;
}

std::string cpuModel(const std::string& root) {
    std::ifstream in(root + "/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || line.rfind("model name", 0) != 0) {
            continue;
        }
        const auto value = line.find_first_not_of(" \t", colon + 1);
        return value == std::string::npos ? unknownFact : line.substr(value);
    }
    return unknownFact;
}

// Packages and cores among the online processors; both none unless every
// processor's topology could be read.
void readTopology(const std::string& root, const std::vector<int>& online, MachineFingerprint* machine) {
    std::set<long> packages;
    std::set<std::pair<long, long>> cores;  // (package, die * 2^20 + core)
    for (int cpu : online) {
        const std::string topology = root + cpuFolder + "cpu" + std::to_string(cpu) + "/topology/";
        const auto package = wholeNumber(topology + "physical_package_id");
        const auto core = wholeNumber(topology + "core_id");
        if (!package || !core) {
            return;
        }
        const long die = wholeNumber(topology + "die_id").value_or(0);
        packages.insert(*package);
        cores.insert({*package, die * (1L << 20) + *core});
    }
    machine->packages = static_cast<int>(packages.size());
    machine->cores = static_cast<int>(cores.size());
    const auto siblings =
        firstLine(root + cpuFolder + "cpu" + std::to_string(online.front()) + "/topology/thread_siblings_list");
    if (siblings) {
        machine->threadsPerCore = cpuListCount(*siblings);
    }
}

// "on" or "off" from the two places kernels say whether processors may
// run above their base frequency.
std::string boostState(const std::string& root) {
    if (const auto boost = wholeNumber(root + cpuFolder + "cpufreq/boost")) {
        return *boost != 0 ? "on" : "off";
    }
    if (const auto noTurbo = wholeNumber(root + cpuFolder + "intel_pstate/no_turbo")) {
        return *noTurbo != 0 ? "off" : "on";
    }
    return unknownFact;
}

std::string number(double value) {
    char text[32];
    snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

std::optional<int> cpuListCount(const std::string& list) {
    const auto cpus = cpuList(list);
    if (!cpus) {
        return std::nullopt;
    }
    return static_cast<int>(cpus->size());
}

LoadAverage readLoadAverage(const std::string& root) {
    LoadAverage load;
    const auto line = firstLine(root + "/proc/loadavg");
    load.known = line && sscanf(line->c_str(), "%lf %lf %lf", &load.one, &load.five, &load.fifteen) == 3;
    return load;
}

MachineFingerprint readMachineFingerprint(const std::string& root) {
    MachineFingerprint machine;
    machine.cpuModel = cpuModel(root);
    const auto onlineText = firstLine(root + cpuFolder + "online");
    const auto online = onlineText ? cpuList(*onlineText) : std::nullopt;
    if (online) {
        machine.hardwareThreads = static_cast<int>(online->size());
        readTopology(root, *online, &machine);
        machine.governor = firstLine(root + cpuFolder + "cpu" + std::to_string(online->front()) +
                                     "/cpufreq/scaling_governor")
                               .value_or(unknownFact);
    }
    if (const auto nodes = firstLine(root + "/sys/devices/system/node/online")) {
        machine.numaNodes = cpuListCount(*nodes);
    }
    machine.boost = boostState(root);
    machine.maxMapCount = wholeNumber(root + "/proc/sys/vm/max_map_count");
    machine.load = readLoadAverage(root);
    return machine;
}

ProcessFacts readProcessFacts(char** environment) {
    ProcessFacts facts;
    facts.glibcVersion = gnu_get_libc_version();
    pthread_attr_t attributes;
    size_t stack = 0;
    if (pthread_getattr_default_np(&attributes) == 0) {
        if (pthread_attr_getstacksize(&attributes, &stack) == 0) {
            facts.threadStackBytes = static_cast<long>(stack);
        }
        pthread_attr_destroy(&attributes);
    }
    for (char** entry = environment; entry != nullptr && *entry != nullptr; entry++) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        const std::string name = text.substr(0, equals);
        if (equals == std::string::npos ||
            (name != "GLIBC_TUNABLES" && name.rfind("OMP_", 0) != 0 && name.rfind("GOMP_", 0) != 0)) {
            continue;
        }
        facts.environment.emplace_back(name, text.substr(equals + 1));
    }
    std::sort(facts.environment.begin(), facts.environment.end());
    return facts;
}

std::vector<std::string> measurementWarnings(const MachineFingerprint& machine) {
    std::vector<std::string> warnings;
    if (machine.load.known && machine.hardwareThreads) {
        // At that load every processor already has other work waiting beside
        // the sweep's.
        const double busy = std::max(1.0, static_cast<double>(*machine.hardwareThreads));
        if (machine.load.one >= busy) {
            char text[512];
            snprintf(text, sizeof text,
                     _("the load average is already %s on %d processors: other work competes with the runs "
                       "for the processors, so times come out higher and noisier than on a quiet machine"),
                     number(machine.load.one).c_str(), *machine.hardwareThreads);
            warnings.push_back(text);
        }
    }
    if (machine.governor != unknownFact && machine.governor != "performance") {
        char text[512];
        snprintf(text, sizeof text,
                 _("the processors' frequency governor is '%s', not 'performance': they may change speed "
                   "during the sweep, so the same work can take different times"),
                 machine.governor.c_str());
        warnings.push_back(text);
    }
    return warnings;
}
