#include "export/factsjson.h"

#ifndef DIAGSUM_BUILD_TYPE
#define DIAGSUM_BUILD_TYPE "unknown"
#endif
#ifndef DIAGSUM_CXX_FLAGS
#define DIAGSUM_CXX_FLAGS "unknown"
#endif
#if __has_include("diagsum_source_version.h")
#include "diagsum_source_version.h"
#endif
#ifndef DIAGSUM_SOURCE_VERSION
#define DIAGSUM_SOURCE_VERSION "unknown"
#endif

using Json = nlohmann::ordered_json;

namespace {

template <typename Number>
Json factOrUnknown(const std::optional<Number>& value) {
    return value ? Json(*value) : Json(unknownFact);
}

Json loadJson(const LoadAverage& load) {
    return load.known ? Json::array({load.one, load.five, load.fifteen}) : Json(unknownFact);
}

}  // namespace

void addSweepFacts(Json* context, const SweepFacts& facts) {
    const MachineFingerprint& m = facts.machine;
    Json& c = *context;
    c["cpu_model"] = m.cpuModel;
    c["cpu_packages"] = factOrUnknown(m.packages);
    c["cpu_cores"] = factOrUnknown(m.cores);
    c["hardware_threads"] = factOrUnknown(m.hardwareThreads);
    c["threads_per_core"] = factOrUnknown(m.threadsPerCore);
    c["numa_nodes"] = factOrUnknown(m.numaNodes);
    c["cpu_governor"] = m.governor;
    c["cpu_boost"] = m.boost;
    c["load_avg_start"] = loadJson(m.load);
    c["load_avg_end"] = loadJson(facts.loadAtEnd);
    c["glibc_version"] = facts.process.glibcVersion;
    c["build_type"] = DIAGSUM_BUILD_TYPE[0] != '\0' ? DIAGSUM_BUILD_TYPE : unknownFact;
    c["compiler_flags"] = DIAGSUM_CXX_FLAGS;
    c["source_version"] = DIAGSUM_SOURCE_VERSION;
    c["thread_stack_size"] = factOrUnknown(facts.process.threadStackBytes);
    c["vm_max_map_count"] = factOrUnknown(m.maxMapCount);
    Json environment = Json::object();
    for (const auto& [name, value] : facts.process.environment) {
        environment[name] = value;
    }
    c["environment"] = environment;
    Json events = Json::array();
    for (size_t event : facts.perfEvents) {
        events.push_back(perfEventName(event));
    }
    c["perf_events"] = events;
    Json user = Json::object();
    for (const auto& [key, value] : facts.userContext) {
        user[key] = value;
    }
    c["user_context"] = user;
}

std::vector<std::pair<std::string, double>> runCounterFields(const RunTime& time) {
    const ResourceUse& u = time.usage;
    std::vector<std::pair<std::string, double>> fields{
        {"user_time_us", static_cast<double>(u.userMicros)},
        {"system_time_us", static_cast<double>(u.systemMicros)},
        {"minor_faults", static_cast<double>(u.minorFaults)},
        {"major_faults", static_cast<double>(u.majorFaults)},
        {"voluntary_switches", static_cast<double>(u.voluntarySwitches)},
        {"involuntary_switches", static_cast<double>(u.involuntarySwitches)},
    };
    for (size_t event = 0; event < perfEventCount; event++) {
        if (time.perf.has(event)) {
            fields.emplace_back(perfEventField(event), time.perf.values[event]);
        }
    }
    return fields;
}
