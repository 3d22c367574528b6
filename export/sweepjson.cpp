#include "export/sweepjson.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

Json context(const SweepOptions& options, const std::string& executable, const BuildSettings& settings) {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3) {
        load[0] = load[1] = load[2] = 0;
    }
    Json modes = Json::array();
    for (RunMode mode : options.modes) {
        modes.push_back(runModeName(mode));
    }
    return {
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
}

constexpr double microsPerTick = 1e6 / CLOCKS_PER_SEC;

struct Sample {
    std::vector<double> wall;
    std::vector<double> cpu;
};

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
        benchmarks->push_back(aggregate);
    }
}

// Spawn runs carry the plain name in every sweep, so that a comparison tool
// pairs the same experiment whatever else was swept beside it; pool runs
// carry their mode.
std::string runName(const SweepOptions& options, RunMode mode, int32_t threads) {
    std::string name =
        "diagsum/" + std::to_string(options.rows) + "x" + std::to_string(options.columns) + "/";
    if (mode == RunMode::pool) {
        name += std::string(runModeName(mode)) + "/";
    }
    return name + "threads:" + std::to_string(threads);
}

}  // namespace

std::string sweepJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
                      const std::string& executable, const BuildSettings& settings) {
    // The runs of each worker count and mode, in the order they were timed.
    const size_t modeCount = options.modes.size();
    std::vector<Sample> samples(options.threadCounts.size() * modeCount);
    for (const TimedRun& run : runs) {
        const auto mode =
            std::find(options.modes.begin(), options.modes.end(), run.mode) - options.modes.begin();
        if (run.countIndex >= options.threadCounts.size() || static_cast<size_t>(mode) >= modeCount) {
            continue;
        }
        Sample& sample = samples[run.countIndex * modeCount + static_cast<size_t>(mode)];
        sample.wall.push_back(run.time.wallMicros);
        sample.cpu.push_back(run.time.ticks * microsPerTick);
    }
    Json benchmarks = Json::array();
    for (size_t countIndex = 0; countIndex < options.threadCounts.size(); countIndex++) {
        const int32_t threads = options.threadCounts[countIndex];
        for (size_t family = 0; family < modeCount; family++) {
            const Sample& sample = samples[countIndex * modeCount + family];
            Json base = entry(runName(options, options.modes[family], threads), family, countIndex, threads);
            base["repetitions"] = sample.wall.size();
            for (size_t i = 0; i < sample.wall.size(); i++) {
                Json iteration = base;
                iteration["repetition_index"] = i;
                iteration["real_time"] = sample.wall[i];
                iteration["cpu_time"] = sample.cpu[i];
                iteration["time_unit"] = "us";
                benchmarks.push_back(std::move(iteration));
            }
            // Google Benchmark reports aggregates only over repetitions.
            if (sample.wall.size() >= 2) {
                addAggregates(&benchmarks, base, sample);
            }
        }
    }
    const Json document = {{"context", context(options, executable, settings)}, {"benchmarks", benchmarks}};
    // The program's path and the machine's names are bytes, not always UTF-8;
    // a stray byte becomes U+FFFD instead of ending the program after the
    // whole sweep.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
