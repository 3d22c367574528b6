// Reading the execution log (infoData.csv) back: lines as the program writes
// them ("12345,67; 500; 500; 999; 4", decimal comma, any number of sweeps
// appended), grouped per matrix size and worker count, with the statistics
// of each group's ticks, a Markdown table and the chart's data and script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

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

struct LogProblem {
    size_t line;  // 1-based
    std::string reason;
};

struct GroupStats {
    int32_t rows;
    int32_t columns;
    int32_t threads;
    size_t runs;
    double mean;
    double median;
    double min;
    double max;
    double stddev;  // sample standard deviation; 0 for a single run
};

struct LogSummary {
    std::vector<GroupStats> groups;  // by rows, columns, then workers
    std::vector<LogProblem> problems;
    size_t runs = 0;
};

// Reads every line; blank lines are skipped quietly, other lines that do not
// parse are listed in `problems` and skipped.
LogSummary summariseLog(std::istream& in);

// Statistics of a non-empty set of tick counts.
GroupStats statsOf(std::vector<double> ticks);

// The groups as a Markdown table, ticks with two decimals.
std::string markdownTable(const LogSummary& summary);

// gnuplot input: one data block per matrix size ("workers mean min max"),
// and a script that draws the mean with a min-max band into `pngPath`.
std::string chartData(const LogSummary& summary);
std::string chartScript(const LogSummary& summary, const std::string& dataPath, const std::string& pngPath);

// Size of the chart in pixels.
inline constexpr int chartWidth = 1000;
inline constexpr int chartHeight = 600;
