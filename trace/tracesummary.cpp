#include "trace/tracesummary.h"

#include <algorithm>

namespace {

bool isWholeWorker(const WorkerSpan& worker) {
    return isWhole(worker.wall) && worker.cpuBeginNs >= 0 && worker.cpuEndNs >= worker.cpuBeginNs;
}

double micros(int64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

}  // namespace

std::optional<RunTraceSummary> summarizeRunTrace(const RunTrace& trace) {
    if (trace.workers.empty() || !isWhole(trace.run)) {
        return std::nullopt;
    }
    int64_t lastStart = trace.run.beginNs;
    int64_t busyMax = 0;
    int64_t busyTotal = 0;
    for (const WorkerSpan& worker : trace.workers) {
        if (!isWholeWorker(worker) || worker.wall.beginNs < trace.run.beginNs ||
            worker.wall.endNs > trace.run.endNs) {
            return std::nullopt;
        }
        lastStart = std::max(lastStart, worker.wall.beginNs);
        const int64_t busy = worker.cpuEndNs - worker.cpuBeginNs;
        busyMax = std::max(busyMax, busy);
        busyTotal += busy;
    }
    const auto workers = static_cast<double>(trace.workers.size());
    const int64_t wall = trace.run.endNs - trace.run.beginNs;
    RunTraceSummary summary{};
    summary.startLatencyUs = micros(lastStart - trace.run.beginNs);
    summary.busyMaxUs = micros(busyMax);
    summary.busyMeanUs = micros(busyTotal) / workers;
    if (busyMax > 0) {
        summary.loadBalance = summary.busyMeanUs / summary.busyMaxUs;
    }
    if (wall > 0) {
        summary.parallelEfficiency = static_cast<double>(busyTotal) / (workers * static_cast<double>(wall));
    }
    return summary;
}
