// report/program: diagsum-report itself: its command line (this module),
// its stop handlers, its two runs (a summary of the inputs, or a
// comparison), the charts it draws and where its text goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/charts/charts.h"

// How much of the warnings and skipped entries goes to stderr.
enum class Verbosity { quiet, normal, verbose };

struct ReportOptions {
    std::string chartPath;         // -o; "" for the default
    std::string speedupPath;       // -s
    std::string costPath;          // -c
    std::string modelPath;         // -M
    std::string timelinePath;      // -T
    std::string driftPath;         // -D; "" for none
    std::vector<int32_t> predict;  // --predict: counts to predict the throughput at
    std::string exportPath;        // --export-json; "" for none
    bool charts = true;
    bool compare = false;
    bool pool = false;  // sweeps that share a series are pooled, not told apart
    std::vector<std::string> labels;
    ChartOptions chart;
    Verbosity verbosity = Verbosity::normal;
    std::vector<std::string> inputs;
};

// Parses the command line into `options`; -1 to go on, else the exit
// status: 0 after --help or --version, 64 after one line on stderr for a
// command line that cannot be used.
int parseOptions(int argc, char** argv, ReportOptions* options);

// Whether two paths name the same file, whether it exists yet or not:
// "./a.png" and "a.png" do.
bool samePath(const std::string& a, const std::string& b);
