#include "trace/tracefile.h"

#include <algorithm>
#include <limits>

namespace {

using nlohmann::json;

// Threads of one process: the driver first, then the workers in order.
constexpr int64_t driverTid = 0;

int64_t workerTid(size_t k) {
    return static_cast<int64_t>(k) + 1;
}

// Rounds a time down to a whole µs from the run's origin. The same
// monotone rounding of both edges keeps every order between edges.
int64_t floorMicros(int64_t ns, int64_t originNs) {
    const int64_t offset = ns - originNs;
    return offset >= 0 ? offset / 1000 : -((-offset + 999) / 1000);
}

double exactMicros(int64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

// The earliest edge read in the record: the interval's start when it was read.
int64_t originOf(const RunTrace& trace) {
    int64_t origin = std::numeric_limits<int64_t>::max();
    const auto consider = [&origin](const Span& span) {
        if (span.beginNs >= 0) {
            origin = std::min(origin, span.beginNs);
        }
    };
    consider(trace.run);
    for (const WorkerSpan& worker : trace.workers) {
        consider(worker.wall);
    }
    std::for_each(trace.creates.begin(), trace.creates.end(), consider);
    std::for_each(trace.joins.begin(), trace.joins.end(), consider);
    return origin == std::numeric_limits<int64_t>::max() ? 0 : origin;
}

json metadata(int64_t pid, int64_t tid, const char* name, json args) {
    return json{{"ph", "M"}, {"pid", pid}, {"tid", tid}, {"name", name}, {"args", std::move(args)}};
}

json complete(int64_t pid, int64_t tid, const std::string& name, const Span& span, int64_t originNs,
              json args) {
    const int64_t ts = floorMicros(span.beginNs, originNs);
    args["wall_time_us"] = exactMicros(span.endNs - span.beginNs);
    return json{{"ph", "X"},
                {"pid", pid},
                {"tid", tid},
                {"name", name},
                {"ts", ts},
                {"dur", floorMicros(span.endNs, originNs) - ts},
                {"args", std::move(args)}};
}

void addLaneNames(json* events, int64_t pid, size_t workers) {
    events->push_back(metadata(pid, driverTid, "thread_name", {{"name", "driver"}}));
    events->push_back(metadata(pid, driverTid, "thread_sort_index", {{"sort_index", driverTid}}));
    for (size_t k = 0; k < workers; k++) {
        events->push_back(
            metadata(pid, workerTid(k), "thread_name", {{"name", "worker " + std::to_string(k)}}));
        events->push_back(metadata(pid, workerTid(k), "thread_sort_index", {{"sort_index", workerTid(k)}}));
    }
}

// The driver's lane: the run, then each create and each join inside it.
void addDriverEvents(json* events, int64_t pid, const RunTrace& trace, int64_t origin) {
    if (isWhole(trace.run)) {
        events->push_back(complete(pid, driverTid, "run", trace.run, origin, json::object()));
    }
    const auto addCalls = [&](const std::vector<Span>& calls, const char* verb) {
        for (size_t k = 0; k < calls.size(); k++) {
            if (isWhole(calls[k])) {
                const std::string name = std::string(verb) + " worker " + std::to_string(k);
                events->push_back(complete(pid, driverTid, name, calls[k], origin, json::object()));
            }
        }
    };
    addCalls(trace.creates, "create");
    addCalls(trace.joins, "join");
}

void addWorkerEvents(json* events, int64_t pid, const RunTrace& trace, int64_t origin) {
    for (size_t k = 0; k < trace.workers.size(); k++) {
        const WorkerSpan& worker = trace.workers[k];
        if (!isWhole(worker.wall)) {
            continue;
        }
        json args = json::object();
        if (worker.cpuBeginNs >= 0 && worker.cpuEndNs >= worker.cpuBeginNs) {
            args["cpu_time_us"] = exactMicros(worker.cpuEndNs - worker.cpuBeginNs);
        }
        events->push_back(complete(pid, workerTid(k), "sum", worker.wall, origin, std::move(args)));
    }
}

}  // namespace

std::string tracedRunName(const TracedRun& run) {
    const size_t workers = run.trace->workers.size();
    std::string name = std::to_string(run.rows) + " × " + std::to_string(run.columns) + ", " +
                       std::to_string(workers) + (workers == 1 ? " worker" : " workers");
    if (!run.setting.empty()) {
        name += ", " + run.setting;
    }
    name += ", run " + std::to_string(run.run);
    if (!run.reason.empty()) {
        name += " (" + run.reason + ")";
    }
    return name;
}

json traceDocument(const std::vector<TracedRun>& runs) {
    json events = json::array();
    for (size_t i = 0; i < runs.size(); i++) {
        const auto pid = static_cast<int64_t>(i) + 1;
        const RunTrace& trace = *runs[i].trace;
        const int64_t origin = originOf(trace);
        events.push_back(metadata(pid, driverTid, "process_name", {{"name", tracedRunName(runs[i])}}));
        events.push_back(metadata(pid, driverTid, "process_sort_index", {{"sort_index", pid}}));
        addLaneNames(&events, pid, trace.workers.size());
        addDriverEvents(&events, pid, trace, origin);
        addWorkerEvents(&events, pid, trace, origin);
    }
    const json about = {
        {"clock", "CLOCK_MONOTONIC; processor time from each thread's CLOCK_THREAD_CPUTIME_ID"},
        {"time_origin", "each process counts from its run's start"},
        {"rounding", "event edges rounded down to whole microseconds; args hold exact durations"}};
    return json{{"traceEvents", std::move(events)}, {"otherData", about}};
}

std::string traceFileText(const std::vector<TracedRun>& runs) {
    return traceDocument(runs).dump(1) + "\n";
}
