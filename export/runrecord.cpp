#include "export/runrecord.h"

#include <stdexcept>
#include <string>

using Json = nlohmann::ordered_json;

namespace {

// The structured bindings below name every member of their record: a
// member added later is a compile error here, not a field lost.

Json usageRecord(const ResourceUse& usage) {
    const auto& [user, system, minor, major, voluntary, involuntary] = usage;
    return {
        {"user_time_us", user},  {"system_time_us", system},        {"minor_faults", minor},
        {"major_faults", major}, {"voluntary_switches", voluntary}, {"involuntary_switches", involuntary}};
}

Json perfRecord(const PerfCounts& perf) {
    const auto& [present, values] = perf;
    return {{"present", present}, {"values", values}};
}

Json timeRecord(const RunTime& time) {
    const auto& [ticks, wallMicros, usage, perf] = time;
    return {
        {"ticks", ticks}, {"wall_us", wallMicros}, {"usage", usageRecord(usage)}, {"perf", perfRecord(perf)}};
}

void readUsage(const nlohmann::json& record, ResourceUse* usage) {
    record.at("user_time_us").get_to(usage->userMicros);
    record.at("system_time_us").get_to(usage->systemMicros);
    record.at("minor_faults").get_to(usage->minorFaults);
    record.at("major_faults").get_to(usage->majorFaults);
    record.at("voluntary_switches").get_to(usage->voluntarySwitches);
    record.at("involuntary_switches").get_to(usage->involuntarySwitches);
}

void readPerf(const nlohmann::json& record, PerfCounts* perf) {
    record.at("present").get_to(perf->present);
    record.at("values").get_to(perf->values);
}

void readTime(const nlohmann::json& record, RunTime* time) {
    record.at("ticks").get_to(time->ticks);
    record.at("wall_us").get_to(time->wallMicros);
    readUsage(record.at("usage"), &time->usage);
    readPerf(record.at("perf"), &time->perf);
}

// The mode as the outputs spell it.
RunMode modeNamed(const std::string& name) {
    if (name == runModeName(RunMode::pool)) {
        return RunMode::pool;
    }
    if (name == runModeName(RunMode::spawn)) {
        return RunMode::spawn;
    }
    throw std::invalid_argument("unknown mode");
}

}  // namespace

Json runRecord(const TimedRun& run) {
    const auto& [countIndex, mode, time, stack, sequence, cpusUsed, placementMisses, invocation] = run;
    return {{"count_index", countIndex},
            {"mode", runModeName(mode)},
            {"time", timeRecord(time)},
            {"stack", stack},
            {"sequence", sequence},
            {"cpus_used", cpusUsed},
            {"placement_misses", placementMisses},
            {"invocation", invocation}};
}

bool parseRunRecord(const nlohmann::json& record, TimedRun* run) try {
    TimedRun read{};
    record.at("count_index").get_to(read.countIndex);
    read.mode = modeNamed(record.at("mode").get<std::string>());
    readTime(record.at("time"), &read.time);
    record.at("stack").get_to(read.stack);
    record.at("sequence").get_to(read.sequence);
    record.at("cpus_used").get_to(read.cpusUsed);
    record.at("placement_misses").get_to(read.placementMisses);
    record.at("invocation").get_to(read.invocation);
    *run = read;
    return true;
} catch (const nlohmann::json::exception&) {
    return false;
} catch (const std::invalid_argument&) {
    return false;
}
