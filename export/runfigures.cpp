#include "export/runfigures.h"

#include "trace/tracesummary.h"

namespace {

constexpr const char* traceFigureNames[] = {"start_latency_us", "busy_max_us", "busy_mean_us", "load_balance",
                                            "parallel_efficiency"};

}  // namespace

std::vector<RunFigure> runFigureFields(int64_t elementsMax, const std::optional<RunTrace>& trace) {
    std::vector<RunFigure> fields;
    if (elementsMax >= 0) {
        fields.emplace_back("elements_max", static_cast<double>(elementsMax));
    }
    if (!trace.has_value()) {
        return fields;
    }
    // A record with an edge never read or out of order gives no summary:
    // every figure then says it cannot be told rather than guess.
    const std::optional<RunTraceSummary> summary = summarizeRunTrace(*trace);
    if (!summary.has_value()) {
        for (const char* name : traceFigureNames) {
            fields.emplace_back(name, std::nullopt);
        }
        return fields;
    }
    const std::optional<double> values[] = {summary->startLatencyUs, summary->busyMaxUs, summary->busyMeanUs,
                                            summary->loadBalance, summary->parallelEfficiency};
    for (size_t i = 0; i < std::size(values); i++) {
        fields.emplace_back(traceFigureNames[i], values[i]);
    }
    return fields;
}
