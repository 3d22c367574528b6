// report/sweep: the one model of what diagsum-report reads. Every run of
// every input, grouped by the series it belongs to (matrix size, settings,
// start-up mode and, when sweeps are told apart, its sweep) and its worker
// count, beside each input's context. The readers (report/input) fill it
// once; every table, chart, comparison and export is drawn from it. This
// folder also names a series (report/sweep/seriesname.h), the one name every
// output uses, and tells sweeps apart (report/sweep/sweepsplit.h).
#pragma once

#include <cmath>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// One "<key>:<value>" segment of a run's name, such as "stack:64k".
struct Setting {
    std::string key;
    std::string value;
    auto operator<=>(const Setting&) const = default;
};

// How a run was made beyond its mode, in the order its name gives them;
// empty for the defaults. Later options add keys of their own: the list is
// open.
using SettingList = std::vector<Setting>;

// "stack:64k/bind:compact"; "" for the defaults.
std::string settingsText(const SettingList& settings);

// What makes one curve. `settings` indexes SweepModel::settings, `mode`
// SweepModel::modes; `sweep` is 0 for runs of sweeps not told apart, else k
// for SweepModel::apart[k - 1].
struct SeriesKey {
    int32_t rows;
    int32_t columns;
    int32_t setting;
    int32_t mode;
    int32_t sweep;
    auto operator<=>(const SeriesKey&) const = default;
};

// What puts runs in one group: a series and a worker count. Groups sort by
// series first, then by count, so a series' groups stand together.
struct GroupKey {
    int32_t rows;
    int32_t columns;
    int32_t setting;
    int32_t mode;
    int32_t threads;
    int32_t sweep = 0;
    SeriesKey series() const { return {rows, columns, setting, mode, sweep}; }
    bool operator==(const GroupKey&) const = default;
    std::strong_ordering operator<=>(const GroupKey& other) const {
        return std::tie(rows, columns, setting, mode, sweep, threads) <=>
               std::tie(other.rows, other.columns, other.setting, other.mode, other.sweep, other.threads);
    }
};

// One timed run. Kept small (32 bytes): a log of millions of lines is
// millions of runs.
struct Run {
    double cpu = 0;          // processor time, µs (the log's clock ticks)
    double wall = NAN;       // wall time, µs; NaN from the log
    int32_t sequence = -1;   // when it was made: the JSON's "sequence", the log's line order; -1 unknown
    int32_t invocation = 0;  // the JSON's "invocation"; 0 when absent
    int32_t sweep = 0;       // the sweep it was read in, SweepModel::sweeps[sweep]
    int32_t fields = -1;     // its numeric fields, SweepModel::runFields[fields]; -1 for none
};

struct SweepModel;

// The value of field `field` (an index into SweepModel::fields, or -1) of
// `run`; NaN when the run has none.
double fieldValue(const SweepModel& model, const Run& run, int32_t field);

// The runs of one group in the order the inputs list them.
struct RunGroup {
    GroupKey key;
    std::vector<Run> runs;
};

std::vector<double> cpuTimes(const RunGroup& group);
// Empty when the runs have no wall time (the log).
std::vector<double> wallTimes(const RunGroup& group);

enum class InputKind { log, json };

// What a sweep's JSON context says; empty, 0 or -1 when it does not say
// (always for the log).
struct InputContext {
    std::string host;
    std::string date;
    int32_t cpus = 0;        // "num_cpus"
    int32_t usableCpus = 0;  // "usable_cpus"
    std::string order;       // "sequential", "interleaved", "random"
    std::optional<uint64_t> seed;
    int64_t invocations = 0;
    int64_t runs = 0;  // runs asked for per count and variant
    bool stopped = false;
    std::string stopSignal;  // "SIGINT" when stopped
    int64_t runsPlanned = -1;
    int64_t runsMade = -1;
    std::string traceFile;  // "trace_file": the trace diagsum --trace wrote, as it was named
    double loadAtStart = -1;  // "load_avg_start"[0], the 1-minute load average; -1 when not recorded
};

// An input entry that was skipped: `where` is a line number for the log,
// "benchmarks[i]" for the JSON.
struct InputProblem {
    std::string where;
    std::string reason;
};

struct InputFile {
    std::string path;
    InputKind kind = InputKind::log;
    InputContext context;
    std::vector<InputProblem> problems;
    size_t runs = 0;
};

// One sweep as read: a JSON file, or a stretch of a log (see sweepsplit.h).
struct Sweep {
    size_t file;        // SweepModel::files
    size_t firstEntry;  // the lines (log) or entries (JSON) it spans, from 1
    size_t lastEntry;
    size_t runs = 0;
};

// Sweeps reported apart: each is its own series, named by `label` ("sweep
// 2", or a comparison's label for its file). `members` are the sweeps it
// pools (one, unless --pool pools a file's sweeps for a comparison).
struct ApartSweep {
    std::string label;
    std::vector<int32_t> members;
};

struct SweepModel {
    bool hasWall = false;  // the runs came from sweeps' JSON
    std::vector<InputFile> files;
    std::vector<Sweep> sweeps;
    std::vector<ApartSweep> apart;
    std::vector<std::string> modes;     // in order of appearance
    std::vector<SettingList> settings;  // in order of appearance
    std::vector<std::string> fields;    // numeric per-run fields, in order of appearance
    // Per run with fields, their values by `fields`; NaN (or past the end) when absent.
    std::vector<std::vector<double>> runFields;
    std::vector<RunGroup> groups;       // in key order once finishRuns is called
    size_t runs = 0;
    std::map<GroupKey, size_t> groupIndex;  // position in `groups`, while reading
};

// The index of mode `name` in model->modes, added when new.
int32_t modeIndex(SweepModel* model, std::string_view name);
// The index of `settings` in model->settings, added when new.
int32_t settingIndex(SweepModel* model, const SettingList& settings);
// The index of field `name` in model->fields, added when new.
int32_t fieldIndex(SweepModel* model, std::string_view name);
// The index of field `name`, or -1 when no run has it.
int32_t findField(const SweepModel& model, std::string_view name);

// Adds one run to the group of `key`, making the group when it is new;
// runs of one group in a row cost no search.
void addRun(SweepModel* model, const GroupKey& key, Run run);

// Puts the groups in key order once every run is added.
void finishRuns(SweepModel* model);

// The group of `key`, or null (the groups must be finished).
const RunGroup* findGroup(const SweepModel& model, const GroupKey& key);

// The CPUs the sweep's process could use ("usable_cpus"), else the machine's
// ("num_cpus"), from the first input that says; 0 when none does.
int32_t usableCpus(const SweepModel& model);

// Whether the groups hold several modes, several settings: the series'
// names then say which (report/sweep/seriesname.h).
bool severalModes(const SweepModel& model);
bool severalSettings(const SweepModel& model);
