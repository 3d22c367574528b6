#include "export/runrecord.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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
    const auto& [ticks, wallMicros, wallBeginNs, wallEndNs, usage, perf] = time;
    return {{"ticks", ticks},           {"wall_us", wallMicros},       {"wall_begin_ns", wallBeginNs},
            {"wall_end_ns", wallEndNs}, {"usage", usageRecord(usage)}, {"perf", perfRecord(perf)}};
}

Json spanRecord(const Span& span) {
    const auto& [beginNs, endNs] = span;
    return Json::array({beginNs, endNs});
}

Json spansRecord(const std::vector<Span>& spans) {
    Json list = Json::array();
    for (const Span& span : spans) {
        list.push_back(spanRecord(span));
    }
    return list;
}

// A run's record of its workers: every edge as it was read (-1 where it
// was not), so the parent summarises and draws it as the child would.
Json traceRecord(const std::optional<RunTrace>& trace) {
    if (!trace.has_value()) {
        return nullptr;
    }
    const auto& [run, workers, creates, joins] = *trace;
    Json spans = Json::array();
    for (const WorkerSpan& worker : workers) {
        const auto& [wall, cpuBeginNs, cpuEndNs] = worker;
        spans.push_back({spanRecord(wall), cpuBeginNs, cpuEndNs});
    }
    return {{"run", spanRecord(run)},
            {"workers", spans},
            {"creates", spansRecord(creates)},
            {"joins", spansRecord(joins)}};
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
    record.at("wall_begin_ns").get_to(time->wallBeginNs);
    record.at("wall_end_ns").get_to(time->wallEndNs);
    readUsage(record.at("usage"), &time->usage);
    readPerf(record.at("perf"), &time->perf);
}

Span readSpan(const nlohmann::json& record) {
    if (record.size() != 2) {
        throw std::invalid_argument("a span is two edges");
    }
    return Span{record.at(0).get<int64_t>(), record.at(1).get<int64_t>()};
}

std::vector<Span> readSpans(const nlohmann::json& record) {
    std::vector<Span> spans;
    for (const nlohmann::json& span : record) {
        spans.push_back(readSpan(span));
    }
    return spans;
}

std::optional<RunTrace> readTrace(const nlohmann::json& record) {
    if (record.is_null()) {
        return std::nullopt;
    }
    RunTrace trace;
    trace.run = readSpan(record.at("run"));
    for (const nlohmann::json& worker : record.at("workers")) {
        trace.workers.push_back(
            WorkerSpan{readSpan(worker.at(0)), worker.at(1).get<int64_t>(), worker.at(2).get<int64_t>()});
    }
    trace.creates = readSpans(record.at("creates"));
    trace.joins = readSpans(record.at("joins"));
    return trace;
}

Split splitNamed(const std::string& name) {
    Split split;
    if (!parseSplit(name, &split)) {
        throw std::invalid_argument("unknown split");
    }
    return split;
}

// The mode as the outputs spell it.
RunMode modeNamed(const std::string& name) {
    RunMode mode;
    if (!valueNamed(name, runModeNames, &mode)) {
        throw std::invalid_argument("unknown mode");
    }
    return mode;
}

}  // namespace

Json runRecord(const TimedRun& run) {
    const auto& [countIndex, mode, time, stack, sequence, cpusUsed, placementMisses, invocation, split,
                 elementsMax, trace] = run;
    return {{"count_index", countIndex},
            {"mode", runModeName(mode)},
            {"time", timeRecord(time)},
            {"stack", stack},
            {"sequence", sequence},
            {"cpus_used", cpusUsed},
            {"placement_misses", placementMisses},
            {"invocation", invocation},
            {"split", splitName(split)},
            {"elements_max", elementsMax},
            {"trace", traceRecord(trace)}};
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
    read.split = splitNamed(record.at("split").get<std::string>());
    record.at("elements_max").get_to(read.elementsMax);
    read.trace = readTrace(record.at("trace"));
    *run = read;
    return true;
} catch (const nlohmann::json::exception&) {
    return false;
} catch (const std::invalid_argument&) {
    return false;
}
