#include "export/sweepjson.h"

#include <pthread.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#ifndef DIAGSUM_VERSION
#define DIAGSUM_VERSION "0"
#endif

using Json = nlohmann::ordered_json;

namespace {

std::string readLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The value of the first "key : value" line of /proc/cpuinfo with that key.
std::string cpuInfo(const std::string& key) {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || line.compare(0, key.size(), key) != 0) {
            continue;
        }
        const auto value = line.find_first_not_of(" \t", colon + 1);
        return value == std::string::npos ? "" : line.substr(value);
    }
    return "";
}

// "32K", "1M" or plain bytes, as the kernel lists cache sizes.
long cacheBytes(const std::string& text) {
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, 10);
    if (end != nullptr && (*end == 'K' || *end == 'k')) {
        return value * 1024;
    }
    if (end != nullptr && *end == 'M') {
        return value * 1024 * 1024;
    }
    return value;
}

// How many processors a list such as "0-3,8" names.
int cpuListCount(const std::string& list) {
    int count = 0;
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        int first = 0;
        int last = 0;
        const int read = sscanf(item.c_str(), "%d-%d", &first, &last);
        count += read == 2 ? last - first + 1 : read == 1 ? 1 : 0;
    }
    return count;
}

Json caches() {
    Json list = Json::array();
    for (int index = 0;; index++) {
        const std::string dir = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(index) + "/";
        const std::string type = readLine(dir + "type");
        if (type.empty()) {
            break;
        }
        list.push_back({{"type", type},
                        {"level", atoi(readLine(dir + "level").c_str())},
                        {"size", cacheBytes(readLine(dir + "size"))},
                        {"num_sharing", cpuListCount(readLine(dir + "shared_cpu_list"))}});
    }
    return list;
}

// The local time in ISO 8601, with the offset written +hh:mm.
std::string isoDate() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[64];
    const size_t length = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    snprintf(text + length, sizeof text - length, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60,
             minutes % 60);
    return text;
}

std::string hostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// A processor whose frequency governor is not "performance" may change
// speed during the sweep.
bool cpuScalingEnabled() {
    const std::string governor = readLine("/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor");
    return !governor.empty() && governor != "performance";
}

std::string kernel() {
    utsname names{};
    if (uname(&names) != 0) {
        return "";
    }
    return std::string(names.sysname) + " " + names.release + " " + names.version;
}

// How the runs were made: stack sizes, placement and order.
void addRunShape(Json* context, const SweepOptions& options, const SweepRecord& record) {
    Json stacks = Json::array();
    for (size_t bytes : options.stackSizes) {
        stacks.push_back(stackSizeName(bytes));
    }
    (*context)["stack_sizes"] = stacks;
    if (const char* poolStack = getenv("OMP_STACKSIZE"); poolStack != nullptr) {
        (*context)["omp_stacksize"] = poolStack;
    }
    (*context)["bind"] = placementName(options.placement);
    if (!record.bindCpus.empty()) {
        (*context)["bind_cpus"] = record.bindCpus;
    }
    (*context)["order"] = runOrderName(options.order.order);
    if (options.order.order == RunOrder::random) {
        (*context)["seed"] = record.seed;
    }
}

// Whether the sweep stopped early and why, and how far it got.
void addProgress(Json* context, const SweepOptions& options, size_t runsMade, int stopSignal) {
    const size_t planned = options.threadCounts.size() * options.modes.size() * options.stackSizes.size() *
                           static_cast<size_t>(options.runs > 0 ? options.runs : 0);
    (*context)["runs_planned"] = planned;
    (*context)["runs_made"] = runsMade;
    (*context)["stopped"] = stopSignal != 0;
    if (stopSignal != 0) {
        const char* abbreviation = sigabbrev_np(stopSignal);
        (*context)["stop_signal"] = std::string("SIG") + (abbreviation != nullptr ? abbreviation : "?");
        (*context)["stop_signal_number"] = stopSignal;
    }
}

Json context(const SweepOptions& options, const std::string& executable, const BuildSettings& settings,
             const SweepFacts& facts, const SweepRecord& record) {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3) {
        load[0] = load[1] = load[2] = 0;
    }
    Json modes = Json::array();
    for (RunMode mode : options.modes) {
        modes.push_back(runModeName(mode));
    }
    Json context = {
        {"date", isoDate()},
        {"host_name", hostName()},
        {"executable", executable},
        {"num_cpus", sysconf(_SC_NPROCESSORS_ONLN)},
        {"mhz_per_cpu", std::lround(atof(cpuInfo("cpu MHz").c_str()))},
        {"cpu_scaling_enabled", cpuScalingEnabled()},
        {"caches", caches()},
        {"load_avg", {load[0], load[1], load[2]}},
#ifdef NDEBUG
        {"library_build_type", "release"},
#else
        {"library_build_type", "debug"},
#endif
        {"diagsum_version", DIAGSUM_VERSION},
#if defined(__clang__)
        {"compiler", std::string("clang++ ") + __clang_version__},
#else
        {"compiler", std::string("g++ ") + __VERSION__},
#endif
        {"kernel", kernel()},
        {"cpu_model", cpuInfo("model name")},
        {"rows", options.rows},
        {"columns", options.columns},
        {"runs", options.runs},
        {"warmup", options.warmup},
        {"modes", modes},
        {"settings",
         {{"getInputFromUser", settings.getInputFromUser},
          {"generateExecutionData", settings.generateExecutionData},
          {"printInfoProcess", settings.printInfoProcess},
          {"default_M", settings.default_M},
          {"default_N", settings.default_N},
          {"default_NumThreads", settings.default_NumThreads}}},
    };
    addSweepFacts(&context, facts);
    addRunShape(&context, options, record);
    return context;
}

constexpr double microsPerTick = 1e6 / CLOCKS_PER_SEC;

struct Sample {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<const TimedRun*> runs;
    std::vector<std::vector<std::pair<std::string, double>>> counters;  // per run
};

// The values of counter `field` over the runs that have it.
std::vector<double> counterValues(const Sample& sample, const std::string& field) {
    std::vector<double> values;
    for (const auto& fields : sample.counters) {
        for (const auto& [name, value] : fields) {
            if (name == field) {
                values.push_back(value);
            }
        }
    }
    return values;
}

// Every counter field of the sample, in the order of first appearance.
std::vector<std::string> counterNames(const Sample& sample) {
    std::vector<std::string> names;
    for (const auto& fields : sample.counters) {
        for (const auto& field : fields) {
            if (std::find(names.begin(), names.end(), field.first) == names.end()) {
                names.push_back(field.first);
            }
        }
    }
    return names;
}

double mean(const std::vector<double>& values) {
    double total = 0;
    for (double v : values) {
        total += v;
    }
    return total / static_cast<double>(values.size());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

// Sample standard deviation, as Google Benchmark reports it.
double stddev(const std::vector<double>& values) {
    const double m = mean(values);
    double squares = 0;
    for (double v : values) {
        squares += (v - m) * (v - m);
    }
    return std::sqrt(squares / static_cast<double>(values.size() - 1));
}

// The fields every entry of one worker count and mode shares, in Google
// Benchmark's order; "repetitions" is the number of runs actually timed.
Json entry(const std::string& name, size_t family, size_t instance, int32_t threads) {
    return {{"name", name},          {"family_index", family},  {"per_family_instance_index", instance},
            {"run_name", name},      {"run_type", "iteration"}, {"repetitions", 0},
            {"repetition_index", 0}, {"threads", threads},      {"iterations", 1}};
}

// The aggregate `name` of one counter's values; 0 for a spread of a
// single value.
double aggregateOf(const std::string& name, const std::vector<double>& values) {
    if (name == "mean") {
        return mean(values);
    }
    if (name == "median") {
        return median(values);
    }
    const double spread = values.size() >= 2 ? stddev(values) : 0;
    if (name == "stddev") {
        return spread;
    }
    const double m = mean(values);
    return m != 0 ? spread / m : 0;
}

void addAggregates(Json* benchmarks, const Json& base, const Sample& sample) {
    struct Aggregate {
        const char* name;
        double wall;
        double cpu;
    };
    const double wallMean = mean(sample.wall);
    const double cpuMean = mean(sample.cpu);
    const double wallStd = stddev(sample.wall);
    const double cpuStd = stddev(sample.cpu);
    const Aggregate aggregates[] = {
        {"mean", wallMean, cpuMean},
        {"median", median(sample.wall), median(sample.cpu)},
        {"stddev", wallStd, cpuStd},
        {"cv", wallMean != 0 ? wallStd / wallMean : 0, cpuMean != 0 ? cpuStd / cpuMean : 0},
    };
    for (const Aggregate& a : aggregates) {
        Json aggregate = base;
        aggregate.erase("repetition_index");
        aggregate["name"] = base["run_name"].get<std::string>() + "_" + a.name;
        aggregate["run_type"] = "aggregate";
        aggregate.erase("iterations");
        aggregate["aggregate_name"] = a.name;
        aggregate["aggregate_unit"] = std::string(a.name) == "cv" ? "percentage" : "time";
        aggregate["iterations"] = sample.wall.size();
        aggregate["real_time"] = a.wall;
        aggregate["cpu_time"] = a.cpu;
        aggregate["time_unit"] = "us";
        for (const std::string& field : counterNames(sample)) {
            const std::vector<double> values = counterValues(sample, field);
            aggregate[field] = aggregateOf(a.name, values);
        }
        benchmarks->push_back(aggregate);
    }
}

// Spawn runs carry no mode in every sweep, so that a comparison tool pairs
// the same experiment whatever else was swept beside it; pool runs carry
// their mode. The settings that are not the defaults follow.
std::string runName(const SweepOptions& options, RunMode mode, size_t stack, int32_t threads) {
    std::string name =
        "diagsum/" + std::to_string(options.rows) + "x" + std::to_string(options.columns) + "/";
    if (mode == RunMode::pool) {
        name += std::string(runModeName(mode)) + "/";
    }
    if (options.stackSizes[stack] != 0) {
        name += "stack:" + stackSizeName(options.stackSizes[stack]) + "/";
    }
    if (options.placement.policy != BindPolicy::none) {
        name += "bind:" + placementName(options.placement) + "/";
    }
    return name + "threads:" + std::to_string(threads);
}

}  // namespace

std::string sweepJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
                      const std::string& executable, const BuildSettings& settings, const SweepFacts& facts,
                      const SweepRecord& record) {
    // The runs of each worker count, stack size and mode, in the order they
    // were timed.
    const size_t modeCount = options.modes.size();
    const size_t familyCount = modeCount * options.stackSizes.size();
    std::vector<Sample> samples(options.threadCounts.size() * familyCount);
    for (const TimedRun& run : runs) {
        const auto mode =
            std::find(options.modes.begin(), options.modes.end(), run.mode) - options.modes.begin();
        if (run.countIndex >= options.threadCounts.size() || static_cast<size_t>(mode) >= modeCount ||
            run.stack >= options.stackSizes.size()) {
            continue;
        }
        Sample& sample =
            samples[run.countIndex * familyCount + run.stack * modeCount + static_cast<size_t>(mode)];
        sample.wall.push_back(run.time.wallMicros);
        sample.cpu.push_back(run.time.ticks * microsPerTick);
        sample.runs.push_back(&run);
        sample.counters.push_back(runCounterFields(run.time));
    }
    Json benchmarks = Json::array();
    for (size_t countIndex = 0; countIndex < options.threadCounts.size(); countIndex++) {
        const int32_t threads = options.threadCounts[countIndex];
        // A count is whole when every variant of it has all its runs, as
        // the mean lines on stdout count it.
        bool whole = true;
        for (size_t family = 0; family < familyCount; family++) {
            whole = whole && samples[countIndex * familyCount + family].wall.size() ==
                                 static_cast<size_t>(options.runs);
        }
        for (size_t family = 0; family < familyCount; family++) {
            const Sample& sample = samples[countIndex * familyCount + family];
            const std::string name =
                runName(options, options.modes[family % modeCount], family / modeCount, threads);
            Json base = entry(name, family, countIndex, threads);
            base["repetitions"] = sample.wall.size();
            for (size_t i = 0; i < sample.wall.size(); i++) {
                Json iteration = base;
                iteration["repetition_index"] = i;
                iteration["real_time"] = sample.wall[i];
                iteration["cpu_time"] = sample.cpu[i];
                iteration["time_unit"] = "us";
                for (const auto& [field, value] : sample.counters[i]) {
                    iteration[field] = value;
                }
                iteration["sequence"] = sample.runs[i]->sequence;
                if (sample.runs[i]->cpusUsed >= 0) {
                    iteration["cpus_used"] = sample.runs[i]->cpusUsed;
                    iteration["placement_misses"] = sample.runs[i]->placementMisses;
                }
                benchmarks.push_back(std::move(iteration));
            }
            // Google Benchmark reports aggregates only over repetitions; a
            // count cut short keeps its runs but is not summed up.
            if (whole && sample.wall.size() >= 2) {
                addAggregates(&benchmarks, base, sample);
            }
        }
    }
    Json about = context(options, executable, settings, facts, record);
    addProgress(&about, options, runs.size(), record.stopSignal);
    const Json document = {{"context", about}, {"benchmarks", benchmarks}};
    // The program's path and the machine's names are bytes, not always UTF-8;
    // a stray byte becomes U+FFFD instead of ending the program after the
    // whole sweep.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
