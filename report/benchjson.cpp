#include "report/benchjson.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "i18n/messages.h"

using nlohmann::json;

namespace {

constexpr size_t maxModeLength = 32;

bool parsePositive(std::string_view text, int32_t* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty() && *value > 0;
}

bool isModeName(std::string_view mode) {
    if (mode.empty() || mode.size() > maxModeLength) {
        return false;
    }
    for (char c : mode) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && c != '-' && c != '_') {
            return false;
        }
    }
    return true;
}

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
    if (unit == "s") {
        return 1e6;
    }
    return 0;
}

const json* member(const json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

bool stringMember(const json& object, const char* key, std::string* value) {
    const json* found = member(object, key);
    if (found == nullptr || !found->is_string()) {
        return false;
    }
    *value = found->get<std::string>();
    return true;
}

// A time member in µs: a finite number of at least 0.
bool timeMember(const json& object, const char* key, double scale, double* micros) {
    const json* found = member(object, key);
    if (found == nullptr || !found->is_number()) {
        return false;
    }
    *micros = found->get<double>() * scale;
    return std::isfinite(*micros) && *micros >= 0;
}

// One entry of "benchmarks": true and the run, or false with a reason;
// aggregates give false with no reason.
bool readEntry(const json& entry, RunName* name, double* cpu, double* wall, std::string* reason) {
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
    if (const json* error = member(entry, "error_occurred"); error != nullptr && *error == true) {
        *reason = _("the run reported an error");
        return false;
    }
    if (const json* threads = member(entry, "threads");
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
    if (!timeMember(entry, "real_time", scale, wall) || !timeMember(entry, "cpu_time", scale, cpu)) {
        *reason = _("\"real_time\" and \"cpu_time\" must be times of at least 0");
        return false;
    }
    return true;
}

}  // namespace

bool parseRunName(std::string_view name, RunName* run, std::string* reason) {
    constexpr std::string_view program = "diagsum/";
    constexpr std::string_view threadsPrefix = "threads:";
    *reason = _("not a run of diagsum (diagsum/<rows>x<columns>[/<mode>]/threads:<T>)");
    if (!name.starts_with(program)) {
        return false;
    }
    name.remove_prefix(program.size());
    const auto sizeEnd = name.find('/');
    const auto threadsAt = name.rfind('/');
    if (sizeEnd == std::string_view::npos || !name.substr(threadsAt + 1).starts_with(threadsPrefix)) {
        return false;
    }
    const std::string_view size = name.substr(0, sizeEnd);
    const auto times = size.find('x');
    if (times == std::string_view::npos) {
        return false;
    }
    run->mode = "spawn";
    if (threadsAt != sizeEnd) {
        const std::string_view mode = name.substr(sizeEnd + 1, threadsAt - sizeEnd - 1);
        if (!isModeName(mode)) {
            *reason = _("the mode in the name must be letters, digits, '-' or '_'");
            return false;
        }
        run->mode = mode;
    }
    if (!parsePositive(size.substr(0, times), &run->rows) ||
        !parsePositive(size.substr(times + 1), &run->columns) ||
        !parsePositive(name.substr(threadsAt + 1 + threadsPrefix.size()), &run->threads)) {
        *reason = _("rows, columns and workers in the name must be integers of at least 1");
        return false;
    }
    return true;
}

bool readBenchJson(std::string_view text, RunSet* runs, std::string* error) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::exception& failure) {
        *error = formatMessage(_("not valid JSON: %s"), failure.what());
        return false;
    }
    const json* list = document.is_object() ? member(document, "benchmarks") : nullptr;
    if (list == nullptr || !list->is_array()) {
        *error = _("no \"benchmarks\" list");
        return false;
    }
    runs->hasWall = true;
    std::string reason;
    for (size_t i = 0; i < list->size(); i++) {
        RunName name;
        double cpu = 0;
        double wall = 0;
        if (!readEntry((*list)[i], &name, &cpu, &wall, &reason)) {
            if (!reason.empty()) {
                runs->problems.push_back({"benchmarks[" + std::to_string(i) + "]", reason});
            }
            continue;
        }
        const GroupKey key{name.rows, name.columns, modeIndex(runs, name.mode), name.threads};
        addRun(runs, key, cpu, wall);
    }
    finishRuns(runs);
    return true;
}
