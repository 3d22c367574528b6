#include "export/contextjson.h"

#include <pthread.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "machine/binding.h"

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

// How the runs were made: stack sizes, placement, splits and order.
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
    Json splits = Json::array();
    for (Split split : options.splits) {
        splits.push_back(splitName(split));
    }
    (*context)["splits"] = splits;
    (*context)["order"] = runOrderName(options.order.order);
    if (options.order.order == RunOrder::random) {
        (*context)["seed"] = record.seed;
    }
    (*context)["invocations"] = options.invocations;
    // As it was named, relative or not: the report finds it from there.
    if (!options.tracePath.empty()) {
        (*context)["trace_file"] = options.tracePath;
    }
    if (!record.invocationSeeds.empty()) {
        (*context)["invocation_seeds"] = record.invocationSeeds;
    }
}

// Whether the sweep stopped early and why, and how far it got.
void addProgress(Json* context, const SweepOptions& options, size_t runsMade, int stopSignal) {
    const size_t planned = options.threadCounts.size() * options.modes.size() * options.splits.size() *
                           options.stackSizes.size() *
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

}  // namespace

Json sweepContext(const SweepOptions& options, const std::string& executable, const BuildSettings& settings,
                  const SweepFacts& facts, const SweepRecord& record, size_t runsMade) {
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
        {"usable_cpus", allowedCpus().size()},
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
    addProgress(&context, options, runsMade, record.stopSignal);
    return context;
}
