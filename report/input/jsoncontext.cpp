#include "report/input/jsoncontext.h"

#include <cmath>
#include <cstdint>
#include <limits>

using nlohmann::json;

namespace {

void readText(const json& context, const char* key, std::string* value) {
    if (const json* found = jsonMember(context, key); found != nullptr && found->is_string()) {
        *value = found->get<std::string>();
    }
}

// An integer from `least` to `most`; left alone otherwise.
template <typename Number>
void readInteger(const json& context, const char* key, Number least, Number most, Number* value) {
    const json* found = jsonMember(context, key);
    if (found == nullptr || !found->is_number_integer()) {
        return;
    }
    if (found->is_number_unsigned()) {
        const auto number = found->get<uint64_t>();
        if (number <= static_cast<uint64_t>(most) && static_cast<int64_t>(number) >= static_cast<int64_t>(least)) {
            *value = static_cast<Number>(number);
        }
        return;
    }
    const auto number = found->get<int64_t>();
    if (number >= static_cast<int64_t>(least) && number <= static_cast<int64_t>(most)) {
        *value = static_cast<Number>(number);
    }
}

}  // namespace

InputContext readContext(const json& document) {
    InputContext context;
    const json* fields = document.is_object() ? jsonMember(document, "context") : nullptr;
    if (fields == nullptr || !fields->is_object()) {
        return context;
    }
    constexpr int32_t mostCpus = std::numeric_limits<int32_t>::max();
    constexpr int64_t mostRuns = std::numeric_limits<int64_t>::max();
    readText(*fields, "host_name", &context.host);
    readText(*fields, "date", &context.date);
    readText(*fields, "order", &context.order);
    readText(*fields, "stop_signal", &context.stopSignal);
    readText(*fields, "trace_file", &context.traceFile);
    if (const auto load = fields->find("load_avg_start");
        load != fields->end() && load->is_array() && !load->empty() && (*load)[0].is_number()) {
        const double minute = (*load)[0].get<double>();
        context.loadAtStart = std::isfinite(minute) && minute >= 0 ? minute : -1;
    }
    readInteger(*fields, "num_cpus", int32_t{1}, mostCpus, &context.cpus);
    readInteger(*fields, "usable_cpus", int32_t{1}, mostCpus, &context.usableCpus);
    readInteger(*fields, "invocations", int64_t{1}, mostRuns, &context.invocations);
    readInteger(*fields, "runs", int64_t{1}, mostRuns, &context.runs);
    readInteger(*fields, "runs_planned", int64_t{0}, mostRuns, &context.runsPlanned);
    readInteger(*fields, "runs_made", int64_t{0}, mostRuns, &context.runsMade);
    if (const json* seed = jsonMember(*fields, "seed"); seed != nullptr && seed->is_number_unsigned()) {
        context.seed = seed->get<uint64_t>();
    }
    if (const json* stopped = jsonMember(*fields, "stopped"); stopped != nullptr && stopped->is_boolean()) {
        context.stopped = stopped->get<bool>();
    }
    return context;
}
