#include "report/input/tracereader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "i18n/messages.h"
#include "plan/workers.h"

using nlohmann::json;

namespace {

std::string textOf(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

bool numberOf(const json& object, const char* key, double* value) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
        return false;
    }
    *value = found->get<double>();
    return true;
}

// What the trace file calls a complete event: "run", "create worker k",
// "join worker k", "sum".
bool spanKind(const std::string& name, TraceSpanKind* kind) {
    if (name == "run" || name == "sum") {
        *kind = name == "run" ? TraceSpanKind::run : TraceSpanKind::sum;
        return true;
    }
    if (name.starts_with("create worker ") || name.starts_with("join worker ")) {
        *kind = name[0] == 'c' ? TraceSpanKind::create : TraceSpanKind::join;
        return true;
    }
    return false;
}

void addEvent(const json& event, std::map<double, TracedRunLanes>* runs) {
    double pid = 0;
    double tid = 0;
    // A worker's lane is its number: nothing past the most workers a run
    // can have, so a crafted id cannot size the chart.
    if (!event.is_object() || !numberOf(event, "pid", &pid) || !numberOf(event, "tid", &tid) || !(tid >= 0) ||
        tid > maxWorkers || tid != static_cast<int32_t>(tid)) {
        return;
    }
    TracedRunLanes& run = (*runs)[pid];
    const std::string phase = textOf(event, "ph");
    const std::string name = textOf(event, "name");
    const auto args = event.find("args");
    if (phase == "M" && args != event.end() && args->is_object()) {
        if (name == "process_name") {
            run.name = textOf(*args, "name");
        } else if (name == "thread_name" && tid > 0) {
            run.workers = std::max(run.workers, static_cast<int32_t>(tid));
        }
        return;
    }
    TraceSpanKind kind;
    double ts = 0;
    double dur = 0;
    if (phase == "X" && spanKind(name, &kind) && numberOf(event, "ts", &ts) && numberOf(event, "dur", &dur) &&
        dur >= 0) {
        run.spans.push_back({kind, static_cast<int32_t>(tid), ts, ts + dur});
    }
}

}  // namespace

bool parseTrace(std::string_view text, std::vector<TracedRunLanes>* runs, std::string* error) {
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded()) {
        *error = _("not valid JSON");
        return false;
    }
    const auto events = document.is_object() ? document.find("traceEvents") : document.end();
    if (!document.is_object() || events == document.end() || !events->is_array()) {
        *error = _("no \"traceEvents\" list");
        return false;
    }
    std::map<double, TracedRunLanes> byProcess;
    for (const json& event : *events) {
        addEvent(event, &byProcess);
    }
    runs->clear();
    for (auto& [pid, run] : byProcess) {
        if (run.workers > 0) {
            runs->push_back(std::move(run));
        }
    }
    if (runs->empty()) {
        *error = _("it shows no run with workers");
        return false;
    }
    return true;
}

// The largest trace file read: a whole default sweep's is a few tens of MB.
constexpr std::uintmax_t largestTraceFile = std::uintmax_t{1} << 30;

bool readTraceFile(const std::string& path, std::vector<TracedRunLanes>* runs, std::string* error) {
    // Only a regular file of a sane size: a device or a FIFO named in a
    // JSON would never end.
    std::error_code failed;
    if (!std::filesystem::is_regular_file(path, failed) ||
        std::filesystem::file_size(path, failed) > largestTraceFile || failed) {
        *error = formatMessage(_("cannot read the trace file %s"), path.c_str());
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        *error = formatMessage(_("cannot read the trace file %s"), path.c_str());
        return false;
    }
    std::string why;
    if (!parseTrace(text.str(), runs, &why)) {
        // TRANSLATORS: the trace file, then why it cannot be used.
        *error = formatMessage(_("%s is not a sweep's trace file: %s"), path.c_str(), why.c_str());
        return false;
    }
    return true;
}

std::string tracePathOf(const InputFile& file) {
    const std::filesystem::path given = file.context.traceFile;
    if (given.empty() || given.is_absolute()) {
        return given.string();
    }
    // Beside the JSON first: the name was given relative to where the
    // sweep ran, which is where its JSON usually lies too.
    std::error_code error;
    const std::filesystem::path beside = std::filesystem::path(file.path).parent_path() / given;
    return std::filesystem::exists(beside, error) ? beside.string() : given.string();
}

bool readSweepTrace(const SweepModel& model, std::vector<TracedRunLanes>* runs, std::string* error) {
    runs->clear();
    for (const InputFile& file : model.files) {
        if (const std::string path = tracePathOf(file); !path.empty()) {
            return readTraceFile(path, runs, error);
        }
    }
    return true;
}
