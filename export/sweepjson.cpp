#include "export/sweepjson.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

#include "export/contextjson.h"
#include "export/runfigures.h"

using Json = nlohmann::ordered_json;

namespace {

constexpr double microsPerTick = 1e6 / CLOCKS_PER_SEC;

struct Sample {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<const TimedRun*> runs;
    std::vector<std::vector<RunFigure>> counters;  // per run: its counters, then its own figures
};

// The values of counter `field` over the runs that have one.
std::vector<double> counterValues(const Sample& sample, const std::string& field) {
    std::vector<double> values;
    for (const auto& fields : sample.counters) {
        for (const auto& [name, value] : fields) {
            if (name == field && value.has_value()) {
                values.push_back(*value);
            }
        }
    }
    return values;
}

// Every extra field of a run: its counters, then its own figures.
std::vector<RunFigure> runFields(const TimedRun& run) {
    std::vector<RunFigure> fields;
    for (const auto& [name, value] : runCounterFields(run.time)) {
        fields.emplace_back(name, value);
    }
    for (RunFigure& figure : runFigureFields(run.elementsMax, run.trace)) {
        fields.push_back(std::move(figure));
    }
    return fields;
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
            aggregate[field] = values.empty() ? Json(nullptr) : Json(aggregateOf(a.name, values));
        }
        benchmarks->push_back(aggregate);
    }
}

std::string runName(const SweepOptions& options, RunMode mode, size_t stack, Split split, int32_t threads) {
    std::string name =
        "diagsum/" + std::to_string(options.rows) + "x" + std::to_string(options.columns) + "/";
    for (const std::string& setting : runSettings(options, mode, stack, split)) {
        name += setting + "/";
    }
    return name + "threads:" + std::to_string(threads);
}

}  // namespace

// Spawn runs carry no mode in every sweep, so that a comparison tool pairs
// the same experiment whatever else was swept beside it; pool runs carry
// their mode. The settings that are not the defaults follow.
std::vector<std::string> runSettings(const SweepOptions& options, RunMode mode, size_t stack, Split split) {
    std::vector<std::string> settings;
    if (mode == RunMode::pool) {
        settings.emplace_back(runModeName(mode));
    }
    if (options.stackSizes[stack] != 0) {
        settings.push_back("stack:" + stackSizeName(options.stackSizes[stack]));
    }
    if (options.placement.policy != BindPolicy::none) {
        settings.push_back("bind:" + placementName(options.placement));
    }
    if (split != defaultSplit) {
        settings.push_back(std::string("split:") + splitName(split));
    }
    return settings;
}

std::string sweepJson(const SweepOptions& options, const std::vector<TimedRun>& runs,
                      const std::string& executable, const BuildSettings& settings, const SweepFacts& facts,
                      const SweepRecord& record) {
    // The runs of each worker count, stack size, split and mode, in the
    // order they were timed.
    const size_t modeCount = options.modes.size();
    const size_t splitCount = options.splits.size();
    const size_t familyCount = modeCount * splitCount * options.stackSizes.size();
    std::vector<Sample> samples(options.threadCounts.size() * familyCount);
    for (const TimedRun& run : runs) {
        const auto mode = static_cast<size_t>(
            std::find(options.modes.begin(), options.modes.end(), run.mode) - options.modes.begin());
        const auto split = static_cast<size_t>(
            std::find(options.splits.begin(), options.splits.end(), run.split) - options.splits.begin());
        if (run.countIndex >= options.threadCounts.size() || mode >= modeCount || split >= splitCount ||
            run.stack >= options.stackSizes.size()) {
            continue;
        }
        Sample& sample =
            samples[run.countIndex * familyCount + (run.stack * splitCount + split) * modeCount + mode];
        sample.wall.push_back(run.time.wallMicros);
        sample.cpu.push_back(run.time.ticks * microsPerTick);
        sample.runs.push_back(&run);
        sample.counters.push_back(runFields(run));
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
                runName(options, options.modes[family % modeCount], family / modeCount / splitCount,
                        options.splits[family / modeCount % splitCount], threads);
            Json base = entry(name, family, countIndex, threads);
            base["repetitions"] = sample.wall.size();
            for (size_t i = 0; i < sample.wall.size(); i++) {
                Json iteration = base;
                iteration["repetition_index"] = i;
                iteration["real_time"] = sample.wall[i];
                iteration["cpu_time"] = sample.cpu[i];
                iteration["time_unit"] = "us";
                for (const auto& [field, value] : sample.counters[i]) {
                    iteration[field] = value.has_value() ? Json(*value) : Json(nullptr);
                }
                iteration["sequence"] = sample.runs[i]->sequence;
                iteration["invocation"] = sample.runs[i]->invocation;
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
    const Json document = {{"context", sweepContext(options, executable, settings, facts, record, runs.size())},
                           {"benchmarks", benchmarks}};
    // The program's path and the machine's names are bytes, not always UTF-8;
    // a stray byte becomes U+FFFD instead of ending the program after the
    // whole sweep.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
