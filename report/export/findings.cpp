#include "report/export/findings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>

#include "i18n/messages.h"
#include "outputs/replace.h"
#include "report/export/explainjson.h"
#include "report/export/jsonnumber.h"
#include "report/analysis/systemshare.h"
#include "report/stats/stats.h"
#include "report/sweep/seriesname.h"
#include "report/sweep/sweepsplit.h"

using Json = nlohmann::ordered_json;

namespace {

Json textOrNull(const std::string& text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

// The median with the interval the tables show (the levels' when the runs
// have one above them).
Json medianJson(const SampleStats& stats) {
    return {{"value", stats.runs == 0 ? Json(nullptr) : exportedNumber(stats.median)},
            {"ci_low", stats.hasInterval ? exportedNumber(stats.low) : Json(nullptr)},
            {"ci_high", stats.hasInterval ? exportedNumber(stats.high) : Json(nullptr)}};
}

Json inputsJson(const SweepModel& model) {
    Json inputs = Json::array();
    for (size_t f = 0; f < model.files.size(); f++) {
        const InputFile& file = model.files[f];
        Json sweeps = Json::array();
        for (size_t s = 0; s < model.sweeps.size(); s++) {
            if (model.sweeps[s].file == f) {
                sweeps.push_back(s + 1);
            }
        }
        const InputContext& c = file.context;
        inputs.push_back({{"path", file.path},
                          {"kind", file.kind == InputKind::json ? "json" : "log"},
                          {"runs", file.runs},
                          {"skipped", file.problems.size()},
                          {"sweeps", sweeps},
                          {"stopped", c.stopped},
                          {"runs_made", c.runsMade < 0 ? Json(nullptr) : Json(c.runsMade)},
                          {"runs_planned", c.runsPlanned < 0 ? Json(nullptr) : Json(c.runsPlanned)},
                          {"stop_signal", textOrNull(c.stopSignal)}});
    }
    return inputs;
}

// The label of the sweep reported apart that holds sweep `s`, or "".
std::string apartLabel(const SweepModel& model, size_t s) {
    for (const ApartSweep& apart : model.apart) {
        for (int32_t member : apart.members) {
            if (static_cast<size_t>(member) == s) {
                return apart.label;
            }
        }
    }
    return "";
}

Json sweepsJson(const SweepModel& model) {
    Json sweeps = Json::array();
    for (size_t s = 0; s < model.sweeps.size(); s++) {
        const Sweep& sweep = model.sweeps[s];
        sweeps.push_back({{"number", s + 1},
                          {"input", model.files[sweep.file].path},
                          {"place", sweepPlace(model, static_cast<int32_t>(s))},
                          {"runs", sweep.runs},
                          {"label", textOrNull(apartLabel(model, s))}});
    }
    return sweeps;
}

Json intervalJson(const Interval& interval, const char* low, const char* high) {
    return {{low, interval.known ? exportedNumber(interval.low) : Json(nullptr)},
            {high, interval.known ? exportedNumber(interval.high) : Json(nullptr)}};
}

// The names of what the checks found at one count.
Json flagsJson(const ScalingReport& report, const RunGroup& group, const GroupReport& g) {
    Json flags = Json::array();
    const ShareEstimate share = systemShareEstimate(*report.model, group);
    for (const auto& [found, name] :
         {std::pair{g.shortCount, "short_count"}, std::pair{g.coldStart, "cold_start"},
          std::pair{g.drift, "drift"}, std::pair{g.impossibleSpeedup, "impossible_speedup"},
          std::pair{share.fewTicks, "few_ticks"}}) {
        if (found) {
            flags.push_back(name);
        }
    }
    return flags;
}

Json countJson(const ScalingReport& report, size_t index) {
    const SweepModel& model = *report.model;
    const RunGroup& group = model.groups[index];
    const GroupReport& g = report.groups[index];
    std::set<int32_t> invocations;
    for (const Run& run : group.runs) {
        invocations.insert(run.invocation);
    }
    Json count = {{"workers", g.key.threads},           {"runs", group.runs.size()},
                  {"invocations", invocations.size()},  {"median_wall_us", medianJson(g.wall)},
                  {"median_cpu_us", medianJson(g.cpu)}, {"speedup", exportedNumber(g.speedup)}};
    count.update(intervalJson(g.speedupInterval, "speedup_ci_low", "speedup_ci_high"));
    count["ideal_speedup"] = exportedNumber(g.idealSpeedup);
    count["flags"] = flagsJson(report, group, g);
    addTraceFigures(&count, report, g.key);
    return count;
}

Json seriesJson(const ScalingReport& report) {
    const SweepModel& model = *report.model;
    Json list = Json::array();
    for (const SeriesReport& s : report.series) {
        Json settings = Json::object();
        for (const Setting& setting : model.settings[static_cast<size_t>(s.key.setting)]) {
            settings[setting.key] = setting.value;
        }
        Json counts = Json::array();
        for (size_t g = s.first; g < s.last; g++) {
            counts.push_back(countJson(report, g));
        }
        list.push_back({{"name", seriesLabel(model, s.key)},
                        {"rows", s.key.rows},
                        {"columns", s.key.columns},
                        {"mode", model.modes[static_cast<size_t>(s.key.mode)]},
                        {"settings", settings},
                        {"sweep", textOrNull(nameSeries(model, s.key).sweep)},
                        {"base_workers", s.base},
                        {"counts", counts}});
    }
    return list;
}

Json measureJson(const MeasureComparison& m, const char* prefix) {
    const std::string p = prefix;
    return {{p + "_median_us", m.present ? Json(m.median) : Json(nullptr)},
            {p + "_ratio", m.compared ? exportedNumber(m.ratio.ratio) : Json(nullptr)},
            {p + "_ratio_ci_low", m.compared ? exportedNumber(m.ratio.low) : Json(nullptr)},
            {p + "_ratio_ci_high", m.compared ? exportedNumber(m.ratio.high) : Json(nullptr)},
            {p + "_p", m.compared && m.verdict != Verdict::untested ? Json(m.p) : Json(nullptr)},
            {p + "_level_p", m.levelled ? exportedNumber(m.levelP) : Json(nullptr)},
            {p + "_verdict", verdictName(m.compared ? m.verdict : Verdict::untested)}};
}

Json comparisonJson(const CompareReport& comparison) {
    const SweepModel& model = *comparison.model;
    Json rows = Json::array();
    for (const CountComparison& count : comparison.counts) {
        SeriesName name = nameSeries(model, count.key.series());
        name.sweep.clear();
        for (const CountRow& row : count.sides) {
            Json entry = {{"series", name.text()},
                          {"workers", count.key.threads},
                          {"side", sideLabel(comparison, row.side)},
                          {"runs", row.runs}};
            entry.update(measureJson(row.wall, "wall"));
            entry.update(measureJson(row.cpu, "cpu"));
            rows.push_back(entry);
        }
    }
    Json summaries = Json::array();
    for (const CompareSummary& s : comparison.summaries) {
        summaries.push_back({{"side", sideLabel(comparison, s.side)},
                             {"measure", s.wall ? "wall" : "cpu"},
                             {"counts", s.counts},
                             {"geometric_mean_ratio", exportedNumber(s.mean.ratio)},
                             {"ci_low", exportedNumber(s.mean.low)},
                             {"ci_high", exportedNumber(s.mean.high)},
                             {"verdict", verdictName(s.verdict)}});
    }
    Json backToBack = Json::array();
    for (size_t file : comparison.backToBackFiles) {
        backToBack.push_back(model.files[file].path);
    }
    return {{"base", sideLabel(comparison, 0)},
            {"rows", rows},
            {"summaries", summaries},
            {"back_to_back", backToBack}};
}

}  // namespace

std::string findingsJson(const ScalingReport& report, const CompareReport* comparison) {
    Json document = {{"inputs", inputsJson(*report.model)},
                     {"sweeps", sweepsJson(*report.model)},
                     {"series", seriesJson(report)},
                     {"models", modelsJson(report)}};
    if (comparison != nullptr) {
        document["comparison"] = comparisonJson(*comparison);
    }
    // Paths and labels are bytes, not always UTF-8.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool writeFindings(const std::string& path, const std::string& text) {
    // Its folder is made as a chart's is (mkdir -p).
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code made;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, made);
    }
    const int error = made ? made.value() : replaceFile(path, text);
    if (error != 0) {
        fprintf(stderr, _("diagsum-report: cannot write %s: %s\n"), path.c_str(), strerror(error));
        return false;
    }
    return true;
}
