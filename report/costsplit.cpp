#include "report/costsplit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "i18n/messages.h"
#include "report/benchjson.h"
#include "report/runstats.h"

using nlohmann::json;

namespace {

const char* const resourceFields[] = {"cpu_time",      "user_time_us",       "system_time_us",
                                      "minor_faults",  "major_faults",       "voluntary_switches",
                                      "involuntary_switches"};
constexpr size_t resourceFieldCount = sizeof resourceFields / sizeof resourceFields[0];

std::string format(const char* pattern, double value) {
    if (!std::isfinite(value)) {
        return "n/a";
    }
    char text[64];
    snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string tableRow(const std::vector<std::string>& cells) {
    std::string row = "|";
    for (const std::string& cell : cells) {
        row += " " + cell + " |";
    }
    return row + "\n";
}

// A number of at least 0, or false.
bool counterValue(const json& entry, const char* field, double* value) {
    const auto found = entry.find(field);
    if (found == entry.end() || !found->is_number()) {
        return false;
    }
    *value = found->get<double>();
    return std::isfinite(*value) && *value >= 0;
}

// The group key of a run entry; false for anything else.
bool runKey(const json& entry, const std::vector<std::string>& modes, GroupKey* key) {
    const auto type = entry.find("run_type");
    if (type != entry.end() && *type == "aggregate") {
        return false;
    }
    const auto name = entry.find("name");
    const auto unit = entry.find("time_unit");
    RunName run;
    std::string reason;
    if (name == entry.end() || !name->is_string() || unit == entry.end() || *unit != "us" ||
        !parseRunName(name->get<std::string>(), &run, &reason)) {
        return false;
    }
    const auto mode = std::find(modes.begin(), modes.end(), run.mode);
    if (mode == modes.end()) {
        return false;
    }
    *key = GroupKey{run.rows, run.columns, static_cast<int32_t>(mode - modes.begin()), run.threads};
    return true;
}

void addEntry(const json& entry, CostGroup* group) {
    double values[resourceFieldCount];
    for (size_t i = 0; i < resourceFieldCount; i++) {
        if (!counterValue(entry, resourceFields[i], &values[i])) {
            return;
        }
    }
    group->runs++;
    group->cpu += values[0];
    group->user += values[1];
    group->system += values[2];
    group->minorFaults += values[3];
    group->majorFaults += values[4];
    group->voluntarySwitches += values[5];
    group->involuntarySwitches += values[6];
    for (const auto& item : entry.items()) {
        const std::string& field = item.key();
        double number = 0;
        // Names go into the table as they are: only perf's own kind of name.
        if (field.rfind("perf_", 0) != 0 || field.size() > 64 ||
            field.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos ||
            !counterValue(entry, field.c_str(), &number)) {
            continue;
        }
        auto slot = std::find_if(group->perf.begin(), group->perf.end(),
                                 [&](const auto& p) { return p.first == field; });
        if (slot == group->perf.end()) {
            group->perf.push_back({field, {0.0, 0}});
            slot = group->perf.end() - 1;
        }
        slot->second.first += number;
        slot->second.second++;
    }
}

const GroupReport* findGroup(const ScalingReport& report, const GroupKey& key) {
    const auto at = std::lower_bound(report.groups.begin(), report.groups.end(), key,
                                     [](const GroupReport& g, const GroupKey& k) { return g.key < k; });
    return at != report.groups.end() && at->key == key ? &*at : nullptr;
}

}  // namespace

const CostGroup* findCostGroup(const CostReport& cost, const GroupKey& key) {
    const auto at = std::lower_bound(cost.groups.begin(), cost.groups.end(), key,
                                     [](const CostGroup& g, const GroupKey& k) { return g.key < k; });
    return at != cost.groups.end() && at->key == key ? &*at : nullptr;
}

namespace {

// The perf fields any group has, in a fixed order.
std::vector<std::string> perfFields(const CostReport& cost) {
    std::set<std::string> fields;
    for (const CostGroup& g : cost.groups) {
        for (const auto& p : g.perf) {
            fields.insert(p.first);
        }
    }
    return {fields.begin(), fields.end()};
}

// "perf_task_clock_us" as "task-clock µs".
std::string eventHeading(const std::string& field) {
    std::string name = field.substr(5);
    const bool micros = name.size() > 3 && name.compare(name.size() - 3, 3, "_us") == 0;
    if (micros) {
        name.resize(name.size() - 3);
    }
    std::replace(name.begin(), name.end(), '_', '-');
    return micros ? name + " µs" : name;
}

double perfSum(const CostGroup& group, const std::string& field, size_t* runs) {
    for (const auto& [name, sum] : group.perf) {
        if (name == field) {
            *runs = sum.second;
            return sum.first;
        }
    }
    *runs = 0;
    return NAN;
}

// Instructions per cycle from the sums, when every run counted both.
double instructionsPerCycle(const CostGroup& group) {
    size_t instructionRuns = 0;
    size_t cycleRuns = 0;
    const double instructions = perfSum(group, "perf_instructions", &instructionRuns);
    const double cycles = perfSum(group, "perf_cycles", &cycleRuns);
    if (instructionRuns != group.runs || cycleRuns != group.runs || !(cycles > 0)) {
        return NAN;
    }
    return instructions / cycles;
}

}  // namespace

double systemShare(const CostGroup& group) {
    const double total = group.user + group.system;
    return total > 0 ? group.system / total : NAN;
}

CostReport readCostCounters(std::string_view text, const std::vector<std::string>& modes) {
    CostReport cost;
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::exception&) {
        return cost;
    }
    const auto list = document.is_object() ? document.find("benchmarks") : document.end();
    if (!document.is_object() || list == document.end() || !list->is_array()) {
        return cost;
    }
    std::map<GroupKey, CostGroup> groups;
    for (const json& entry : *list) {
        GroupKey key{};
        if (!entry.is_object() || !runKey(entry, modes, &key)) {
            continue;
        }
        CostGroup& group = groups[key];
        group.key = key;
        addEntry(entry, &group);
    }
    for (auto& [key, group] : groups) {
        if (group.runs > 0) {
            cost.groups.push_back(std::move(group));
        }
    }
    return cost;
}

void addSystemSlopes(ScalingReport* report, const CostReport& cost) {
    for (SeriesReport& series : report->series) {
        if (!series.cost) {
            continue;
        }
        std::vector<double> x;
        std::vector<double> y;
        for (size_t i = series.first; i < series.last; i++) {
            const GroupReport& g = report->groups[i];
            const CostGroup* counted = findCostGroup(cost, g.key);
            if (g.key.threads < series.cost->from || counted == nullptr || std::isnan(systemShare(*counted))) {
                continue;
            }
            x.push_back(g.key.threads);
            y.push_back(g.cpu.median * systemShare(*counted));
        }
        // Only a slope over the very counts of the cost line is its part.
        const auto line = leastSquares(x, y);
        if (line && x.size() == series.cost->counts) {
            series.cost->systemMicros = line->slope;
        }
    }
}

std::string costTable(const CostReport& cost, const ScalingReport& report) {
    if (cost.groups.empty()) {
        return "";
    }
    const bool modes = report.modes.size() > 1;
    const std::vector<std::string> perf = perfFields(cost);
    bool ipc = false;
    for (const CostGroup& g : cost.groups) {
        ipc = ipc || !std::isnan(instructionsPerCycle(g));
    }
    std::string table = _("\nWhere the processor time goes (sums over each group's runs: the kernel splits user "
                          "from system time at its tick, so one short run's split is noise):\n\n");
    std::vector<std::string> heading{_("matrix")};
    if (modes) {
        heading.push_back(_("mode"));
    }
    for (const char* column : {N_("workers"), N_("runs"), N_("(user + system) / cpu"), N_("system share"),
                               N_("minor faults per run"), N_("per worker"), N_("major faults per run"),
                               N_("voluntary switches per run"), N_("per worker"),
                               N_("involuntary switches per run"), N_("per worker")}) {
        heading.push_back(_(column));
    }
    if (ipc) {
        heading.push_back(_("instructions per cycle"));
    }
    for (const std::string& field : perf) {
        heading.push_back(eventHeading(field) + _(" per run"));
    }
    table += tableRow(heading);
    std::string rule = "|---|";
    for (size_t i = 1; i < heading.size(); i++) {
        rule += modes && i == 1 ? "---|" : "---:|";
    }
    table += rule + "\n";
    for (const CostGroup& g : cost.groups) {
        if (findGroup(report, g.key) == nullptr) {
            continue;  // runs the report itself did not take
        }
        const double runs = static_cast<double>(g.runs);
        const double workers = runs * g.key.threads;
        std::vector<std::string> cells{std::to_string(g.key.rows) + " × " + std::to_string(g.key.columns)};
        if (modes) {
            cells.push_back(report.modes[static_cast<size_t>(g.key.mode)]);
        }
        cells.insert(cells.end(),
                     {std::to_string(g.key.threads), std::to_string(g.runs),
                      format("%.3f", g.cpu > 0 ? (g.user + g.system) / g.cpu : NAN),
                      format("%.1f %%", 100 * systemShare(g)), format("%.1f", g.minorFaults / runs),
                      format("%.2f", g.minorFaults / workers), format("%.2f", g.majorFaults / runs),
                      format("%.1f", g.voluntarySwitches / runs), format("%.2f", g.voluntarySwitches / workers),
                      format("%.1f", g.involuntarySwitches / runs),
                      format("%.2f", g.involuntarySwitches / workers)});
        if (ipc) {
            cells.push_back(format("%.2f", instructionsPerCycle(g)));
        }
        for (const std::string& field : perf) {
            size_t counted = 0;
            const double sum = perfSum(g, field, &counted);
            cells.push_back(counted > 0 ? format("%.1f", sum / static_cast<double>(counted)) : "n/a");
        }
        table += tableRow(cells);
    }
    return table;
}
