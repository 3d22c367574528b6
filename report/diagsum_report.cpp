// diagsum-report: reads the execution log and prints, per matrix size and
// worker count, the statistics of the runs' ticks as a Markdown table, then
// draws scaling.png (mean ticks per worker count with a min-max band).
//
//   diagsum-report [-o chart.png] infoData.csv
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "report/logstats.h"

namespace {

int usage() {
    fprintf(stderr, "usage: diagsum-report [-o chart.png] infoData.csv\n");
    return 64;
}

bool writeWhole(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    return !out.fail();
}

// Draws the chart through gnuplot into a scratch file beside `pngPath`, then
// renames it, so a failed drawing never leaves a partial chart behind.
bool drawChart(const LogSummary& summary, const std::string& pngPath) {
    const std::string dataPath = pngPath + ".data.tmp";
    const std::string drawingPath = pngPath + ".tmp";
    if (!writeWhole(dataPath, chartData(summary))) {
        fprintf(stderr, "diagsum-report: cannot write %s: %s\n", dataPath.c_str(), strerror(errno));
        return false;
    }
    bool drawn = false;
    FILE* gnuplot = popen("gnuplot", "w");
    if (gnuplot == nullptr) {
        fprintf(stderr, "diagsum-report: cannot start gnuplot: %s\n", strerror(errno));
    } else {
        const std::string script = chartScript(summary, dataPath, drawingPath);
        fwrite(script.data(), 1, script.size(), gnuplot);
        const int status = pclose(gnuplot);
        drawn = status == 0 && std::filesystem::exists(drawingPath);
        if (!drawn) {
            fprintf(stderr, "diagsum-report: gnuplot could not draw the chart (is gnuplot-nox installed?)\n");
        }
    }
    std::error_code ignored;
    std::filesystem::remove(dataPath, ignored);
    if (drawn) {
        std::filesystem::rename(drawingPath, pngPath, ignored);
        drawn = !ignored;
    }
    std::filesystem::remove(drawingPath, ignored);
    return drawn;
}

}  // namespace

int main(int argc, char** argv) {
    std::string chartPath = "scaling.png";
    int option;
    while ((option = getopt(argc, argv, "o:h")) != -1) {
        if (option != 'o') {
            return usage();
        }
        chartPath = optarg;
    }
    if (optind != argc - 1) {
        return usage();
    }
    const char* logPath = argv[optind];
    std::ifstream log(logPath);
    if (!log) {
        fprintf(stderr, "diagsum-report: cannot read %s: %s\n", logPath, strerror(errno));
        return 1;
    }
    const LogSummary summary = summariseLog(log);
    for (const LogProblem& problem : summary.problems) {
        fprintf(stderr, "diagsum-report: %s:%zu: skipped: %s\n", logPath, problem.line,
                problem.reason.c_str());
    }
    if (summary.runs == 0) {
        fprintf(stderr, "diagsum-report: %s holds no runs\n", logPath);
        return 1;
    }
    const std::string table = markdownTable(summary);
    fwrite(table.data(), 1, table.size(), stdout);
    fflush(stdout);
    return drawChart(summary, chartPath) ? 0 : 2;
}
