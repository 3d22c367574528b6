// The report's input: runs grouped per matrix size, start-up mode and worker
// count, read from the execution log (infoData.csv) or from the JSON a sweep
// writes (see report/benchjson.h), told apart by their content.
//
// The log holds lines as the program writes them ("12345,67; 500; 500; 999; 4":
// ticks with a decimal comma, rows, columns, diagonals, workers), with any
// number of sweeps appended.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What puts runs in one group. `setting` indexes RunSet::settings, `mode`
// RunSet::modes.
struct GroupKey {
    int32_t rows;
    int32_t columns;
    int32_t setting;
    int32_t mode;
    int32_t threads;
    auto operator<=>(const GroupKey&) const = default;
};

// The runs of one group in the order the input lists them.
struct RunGroup {
    GroupKey key;
    std::vector<double> cpu;   // processor time of each run, µs (clock ticks)
    std::vector<double> wall;  // wall time of each run, µs; empty unless RunSet::hasWall
};

// An input entry that was skipped: `where` is a line number for the log,
// "benchmarks[i]" for the JSON.
struct InputProblem {
    std::string where;
    std::string reason;
};

struct RunSet {
    bool hasWall = false;            // wall times were read (the JSON)
    std::vector<std::string> modes;  // start-up modes of the runs, in order of appearance
    // How the runs were made beyond the mode, in order of appearance: ""
    // for the defaults, else such as "stack:64k/bind:compact".
    std::vector<std::string> settings;
    std::vector<RunGroup> groups;  // by key once the input is read
    std::vector<InputProblem> problems;
    size_t runs = 0;
    std::map<GroupKey, size_t> groupIndex;  // position in `groups`, while reading
};

// Adds one run to the group of `key`, making the group when it is new; runs
// of one group in a row cost no search. `wall` is kept only when
// set->hasWall.
void addRun(RunSet* set, const GroupKey& key, double cpu, double wall);

// Puts the groups in key order once every run is added.
void finishRuns(RunSet* set);

// The index of mode `name` in set->modes, added when new.
int32_t modeIndex(RunSet* set, std::string_view name);
// The index of `settings` in set->settings, added when new.
int32_t settingIndex(RunSet* set, std::string_view settings);

enum class InputKind { log, json };

// JSON when the first character that is not white space (after a UTF-8 byte
// order mark) is '{'; the log otherwise, whatever the file is called.
InputKind detectInput(std::string_view text);

struct LogRow {
    double ticks;
    int32_t rows;
    int32_t columns;
    int32_t diagonals;
    int32_t threads;
};

// Parses one log line (a trailing '\r' is allowed). False, with a short
// reason, when it is not a line the program writes.
bool parseLogLine(std::string_view line, LogRow* row, std::string* reason);

// Reads every line of a log. Lines of nothing but spaces and tabs (and a
// CRLF's '\r') are skipped quietly; other lines that do not parse are listed
// in `problems` with their 1-based line number and skipped.
RunSet readLog(std::string_view text);
