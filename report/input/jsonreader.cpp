#include "report/input/jsonreader.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "i18n/messages.h"
#include "report/input/jsoncontext.h"
#include "report/input/runname.h"

using nlohmann::json;

namespace {

// Members every entry has that are no per-run figure of their own.
constexpr std::string_view structural[] = {"family_index", "per_family_instance_index", "repetitions",
                                           "repetition_index", "threads", "iterations", "real_time",
                                           "cpu_time", "sequence", "invocation"};

// µs per unit of Google Benchmark's "time_unit"; 0 for an unknown unit.
double microsPerUnit(const std::string& unit) {
    if (unit == "ns") {
        return 1e-3;
    }
    if (unit == "us") {
        return 1;
    }
    if (unit == "ms") {
        return 1e3;
    }
    return unit == "s" ? 1e6 : 0;
}

bool stringMember(const json& object, const char* key, std::string* value) {
    const json* found = jsonMember(object, key);
    if (found == nullptr || !found->is_string()) {
        return false;
    }
    *value = found->get<std::string>();
    return true;
}

// A time member in µs: a finite number of at least 0.
bool timeMember(const json& object, const char* key, double scale, double* micros) {
    const json* found = jsonMember(object, key);
    if (found == nullptr || !found->is_number()) {
        return false;
    }
    *micros = found->get<double>() * scale;
    return std::isfinite(*micros) && *micros >= 0;
}

// An integer member from 0 to `most`, or `absent`.
int64_t countMember(const json& object, const char* key, int64_t most, int64_t absent) {
    const json* found = jsonMember(object, key);
    if (found == nullptr || !found->is_number_unsigned() || found->get<uint64_t>() > static_cast<uint64_t>(most)) {
        return absent;
    }
    return static_cast<int64_t>(found->get<uint64_t>());
}

// Names go into table headings as they are: only plain lower-case names.
bool isFieldName(const std::string& name) {
    if (name.empty() || name.size() > 64 ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos) {
        return false;
    }
    for (std::string_view skip : structural) {
        if (name == skip) {
            return false;
        }
    }
    return true;
}

// Every other finite numeric member as a field of the run.
void readFields(const json& entry, SweepModel* model, Run* run) {
    for (const auto& item : entry.items()) {
        if (!item.value().is_number() || !isFieldName(item.key())) {
            continue;
        }
        const double value = item.value().get<double>();
        if (!std::isfinite(value)) {
            continue;
        }
        const auto field = static_cast<size_t>(fieldIndex(model, item.key()));
        if (run->fields < 0) {
            run->fields = static_cast<int32_t>(model->runFields.size());
            model->runFields.emplace_back();
        }
        std::vector<double>& values = model->runFields.back();
        if (values.size() <= field) {
            values.resize(field + 1, NAN);
        }
        values[field] = value;
    }
}

// One entry of "benchmarks": true and the run, or false with a reason;
// aggregates give false with no reason.
bool readEntry(const json& entry, RunName* name, Run* run, std::string* reason) {
    if (!entry.is_object()) {
        *reason = _("not an object");
        return false;
    }
    std::string text;
    if (stringMember(entry, "run_type", &text) && text == "aggregate") {
        reason->clear();
        return false;
    }
    if (!stringMember(entry, "name", &text)) {
        *reason = _("no \"name\"");
        return false;
    }
    if (!parseRunName(text, name, reason)) {
        return false;
    }
    if (const json* error = jsonMember(entry, "error_occurred"); error != nullptr && *error == true) {
        *reason = _("the run reported an error");
        return false;
    }
    if (const json* threads = jsonMember(entry, "threads");
        threads != nullptr && !(threads->is_number_integer() && *threads == name->threads)) {
        *reason = _("\"threads\" differs from the worker count in the name");
        return false;
    }
    std::string unit;
    const double scale = stringMember(entry, "time_unit", &unit) ? microsPerUnit(unit) : 0;
    if (scale == 0) {
        *reason = _("\"time_unit\" is not one of ns, us, ms, s");
        return false;
    }
    if (!timeMember(entry, "real_time", scale, &run->wall) || !timeMember(entry, "cpu_time", scale, &run->cpu)) {
        *reason = _("\"real_time\" and \"cpu_time\" must be times of at least 0");
        return false;
    }
    run->sequence = static_cast<int32_t>(countMember(entry, "sequence", std::numeric_limits<int32_t>::max(), -1));
    run->invocation = static_cast<int32_t>(countMember(entry, "invocation", std::numeric_limits<int32_t>::max(), 0));
    return true;
}

}  // namespace

bool readBenchJson(std::string_view text, SweepModel* model, size_t file, std::string* error) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::exception& failure) {
        *error = formatMessage(_("not valid JSON: %s"), failure.what());
        return false;
    }
    const json* list = document.is_object() ? jsonMember(document, "benchmarks") : nullptr;
    if (list == nullptr || !list->is_array()) {
        *error = _("no \"benchmarks\" list");
        return false;
    }
    InputFile& input = model->files[file];
    input.kind = InputKind::json;
    input.context = readContext(document);
    model->hasWall = true;
    const auto sweep = static_cast<int32_t>(model->sweeps.size());
    model->sweeps.push_back({file, 1, list->size(), 0});
    std::string reason;
    for (size_t i = 0; i < list->size(); i++) {
        RunName name;
        Run run;
        if (!readEntry((*list)[i], &name, &run, &reason)) {
            if (!reason.empty()) {
                model->files[file].problems.push_back({"benchmarks[" + std::to_string(i) + "]", reason});
            }
            continue;
        }
        readFields((*list)[i], model, &run);
        run.sweep = sweep;
        const GroupKey key{name.rows, name.columns, settingIndex(model, name.settings), modeIndex(model, name.mode),
                           name.threads};
        addRun(model, key, std::move(run));
        model->files[file].runs++;
        model->sweeps.back().runs++;
    }
    return true;
}
