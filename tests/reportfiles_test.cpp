// diagsum-report's files and its ends, the program in a child process: the
// exported findings, sweeps told apart, a stopped sweep, charts it cannot
// draw or install, a stop signal, a reader that goes away, memory that runs
// out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "reportrun.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using nlohmann::json;
using testsupport::readFile;

namespace {

using reportrun::report;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The log of a sequential sweep: `runs` runs per count of 500 x 500.
std::string logOf(const std::vector<int>& counts, int runs) {
    std::string log;
    for (int threads : counts) {
        for (int run = 0; run < runs; run++) {
            log += std::to_string(100 * threads + 7 * run) + ",00; 500; 500; 999; " + std::to_string(threads) + "\n";
        }
    }
    return log;
}

// A sweep's JSON: `runs[i]` runs at `counts[i]` workers, with `context`.
// Counts one after another (sequential order), each run a little off its
// count's time, without a trend, at speedups two processors allow.
std::string sweepJson(const std::vector<int>& counts, const std::vector<int>& runs, const std::string& context) {
    std::string entries;
    int sequence = 0;
    for (size_t i = 0; i < counts.size(); i++) {
        for (int run = 0; run < runs[i]; run++) {
            const int ripple = run * 5 % 8;
            entries += std::string(entries.empty() ? "" : ",") + R"({"name": "diagsum/500x500/threads:)" +
                       std::to_string(counts[i]) + R"(", "run_type": "iteration", "real_time": )" +
                       std::to_string(500 + 500 / counts[i] + 3 * ripple) + R"(, "cpu_time": )" +
                       std::to_string(900 + 50 * counts[i] + 5 * ripple) +
                       R"(, "time_unit": "us", "sequence": )" + std::to_string(sequence++) + "}";
        }
    }
    return R"({"context": {)" + context + R"(}, "benchmarks": [)" + entries + "]}";
}

const std::string boxContext = R"("host_name": "box", "date": "2026-01-02T03:04:05+00:00", "num_cpus": 2)";

// The names in the working folder, sorted.
std::vector<std::string> filesHere(const fs::path& folder = ".") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A gnuplot on PATH that runs `body` (sh) instead of drawing; $3 is the
// picture's path.
std::string fakeGnuplot(const std::string& body) {
    fs::create_directory("bin");
    testsupport::writeFile("bin/gnuplot", "#!/bin/sh\n" + body + "\n");
    fs::permissions("bin/gnuplot", fs::perms::owner_all);
    return "PATH=\"$PWD/bin:$PATH\"";
}

}  // namespace

TEST(ReportFiles, ExportsWhatItFoundAndSaysASweepWasStopped) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2, 4}, {8, 8, 3}, boxContext + R"(, "runs": 8, "stopped": true,
        "stop_signal": "SIGINT", "runs_planned": 24, "runs_made": 19)"));
    ASSERT_EQ(report("-n --export-json found/a.json a.json"), 0) << readFile("err.txt");
    const std::string table = readFile("out.txt");
    EXPECT_EQ(table.rfind("a.json: the sweep was stopped by SIGINT after 19 of 24 planned runs.\n", 0), 0u) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 4 | 3 (short) |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | 8 |")) << table;
    EXPECT_EQ(filesHere("found"), std::vector<std::string>{"a.json"}) << "written whole, no temporary left";
    const json found = json::parse(readFile("found/a.json"));
    const json& input = found["inputs"][0];
    EXPECT_EQ(input["path"], "a.json");
    EXPECT_EQ(input["stopped"], true);
    EXPECT_EQ(input["runs_made"], 19);
    EXPECT_EQ(input["runs_planned"], 24);
    EXPECT_EQ(input["stop_signal"], "SIGINT");
    EXPECT_EQ(input["sweeps"], json::array({1}));
    const json& series = found["series"][0];
    EXPECT_EQ(series["name"], "500 × 500");
    ASSERT_EQ(series["counts"].size(), 3u);
    const json& base = series["counts"][0];
    EXPECT_EQ(base["workers"], 1);
    EXPECT_EQ(base["runs"], 8);
    EXPECT_EQ(base["invocations"], 1);
    EXPECT_EQ(base["flags"], json::array());
    EXPECT_DOUBLE_EQ(base["median_cpu_us"]["value"].get<double>(), 967.5);
    EXPECT_TRUE(base["median_cpu_us"]["ci_low"].is_number()) << "8 runs bracket their median";
    EXPECT_DOUBLE_EQ(base["speedup"].get<double>(), 1.0);
    const json& two = series["counts"][1];
    EXPECT_LT(two["speedup_ci_low"].get<double>(), two["speedup"].get<double>());
    EXPECT_GT(two["speedup_ci_high"].get<double>(), two["speedup"].get<double>());
    const json& shortCount = series["counts"][2];
    EXPECT_EQ(shortCount["flags"], json::array({"short_count"}));
    EXPECT_TRUE(shortCount["median_wall_us"]["ci_low"].is_null()) << "3 runs give no interval";
    EXPECT_EQ(report("-n --export-json a.json a.json"), 64) << "an export never replaces its input";
}

TEST(ReportFiles, AComparisonExportsEveryRowsVerdictsAndNamesFilesOfOneMinuteApart) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2}, {10, 10}, boxContext));
    testsupport::writeFile("b.json", sweepJson({1, 2}, {10, 10}, boxContext));
    ASSERT_EQ(report("--compare -n --export-json c.json a.json b.json"), 0) << readFile("err.txt");
    const std::string table = readFile("out.txt");
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | box, 2026-01-02 03:04, a.json | 10 |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | 2 | box, 2026-01-02 03:04, b.json | 10 |")) << table;
    const json found = json::parse(readFile("c.json"));
    const json& rows = found["comparison"]["rows"];
    ASSERT_EQ(rows.size(), 4u);
    for (const json& row : rows) {
        for (const char* verdict : {"wall_verdict", "cpu_verdict"}) {
            const std::string value = row[verdict];
            EXPECT_TRUE(value == "faster" || value == "slower" || value == "same" || value == "untested") << value;
        }
    }
    EXPECT_EQ(rows[1]["cpu_verdict"], "untested")
        << "a file against its twin, each count's runs back to back";
    EXPECT_EQ(found["comparison"]["back_to_back"], json::array({"a.json", "b.json"}));
    const std::string warnings = readFile("err.txt");
    EXPECT_TRUE(contains(warnings, "a.json: each count's runs were made back to back in one process"))
        << warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << "one line per file: " << warnings;
    EXPECT_EQ(rows[0]["cpu_verdict"], "untested") << "the base is not tested against itself";
}

TEST(ReportFiles, SweepsAppendedToALogAreReportedApartUnlessPooled) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOf({1, 2, 3, 4, 5, 6, 7, 8}, 5) + logOf({4, 5, 6, 7, 8}, 5));
    ASSERT_EQ(report("-n infoData.csv"), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("err.txt"),
              "diagsum-report: 2 sweeps share series and are reported apart (--pool pools them): sweep 1 "
              "(infoData.csv, lines 1-40); sweep 2 (infoData.csv, lines 41-65)\n");
    const std::string table = readFile("out.txt");
    EXPECT_EQ(table.rfind("| matrix | sweep | workers | runs |", 0), 0u) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | sweep 1 | 8 | 5 |")) << table;
    EXPECT_TRUE(contains(table, "| 500 × 500 | sweep 2 | 8 | 5 |")) << table;
    EXPECT_TRUE(contains(table, "- 500 × 500, sweep 2: ")) << table;
    ASSERT_EQ(report("-n --pool infoData.csv"), 0);
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_TRUE(contains(readFile("out.txt"), "| 500 × 500 | 8 | 10 |")) << readFile("out.txt");
    // Two files of one series: the same, each file a sweep.
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    testsupport::writeFile("b.json", sweepJson({2, 4}, {3, 3}, boxContext));
    ASSERT_EQ(report("-n -q a.json b.json"), 0) << readFile("err.txt");
    EXPECT_TRUE(contains(readFile("out.txt"), "| 500 × 500 | sweep 2 | 4 | 3 |")) << readFile("out.txt");
}

TEST(ReportFiles, AChartNamedThatCannotBeDrawnSaysWhyAndExitsTwo) {
    testsupport::ScratchDir dir;
    const std::string gnuplot = fakeGnuplot("printf '\\211PNG\\r\\n\\032\\n\\0\\0\\0\\0IEND\\0\\0\\0\\0' > \"$3\"");
    testsupport::writeFile("infoData.csv", logOf({1, 2}, 3));
    EXPECT_EQ(report("-q -c cost.png infoData.csv", gnuplot), 2);
    EXPECT_TRUE(contains(readFile("err.txt"), "the cost chart needs the JSON of a sweep with its counters; "
                                              "infoData.csv is a log, so cost.png is not drawn"))
        << readFile("err.txt");
    EXPECT_TRUE(fs::exists("scaling.png")) << "the charts it can draw are drawn";
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    testsupport::writeFile("b.json", sweepJson({4}, {3}, boxContext));
    EXPECT_EQ(report("-q -c cost.png a.json b.json", gnuplot), 2);
    EXPECT_TRUE(contains(readFile("err.txt"), "not from 2 files")) << readFile("err.txt");
    EXPECT_EQ(report("-q -c cost.png a.json", gnuplot), 2);
    EXPECT_TRUE(contains(readFile("err.txt"), "a.json has none")) << readFile("err.txt");
    EXPECT_FALSE(fs::exists("cost.png"));
    EXPECT_EQ(report("-q a.json", gnuplot), 0) << "unasked, a chart that cannot be drawn is left out";
}

TEST(ReportFiles, AChartNeverReplacesTheExportedFindings) {
    testsupport::ScratchDir dir;
    const std::string gnuplot =
        fakeGnuplot("printf '\\211PNG\\r\\n\\032\\n\\0\\0\\0\\0IEND\\0\\0\\0\\0' > \"$3\"");
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    testsupport::writeFile("b.json", sweepJson({1, 2}, {3, 3}, boxContext));
    for (const char* command :
         {"-q --export-json ./scaling.png a.json", "-q -s found.json --export-json found.json a.json",
          "--compare -q -o found.json --export-json found.json a.json b.json"}) {
        EXPECT_EQ(report(command, gnuplot), 2) << command;
        EXPECT_TRUE(contains(readFile("err.txt"), "chart over ")) << command << ": " << readFile("err.txt");
        const std::string exported = fs::exists("found.json") ? "found.json" : "scaling.png";
        EXPECT_NO_THROW(json::parse(readFile(exported))) << command << ": the findings stay whole";
        fs::remove(exported);
    }
}

TEST(ReportFiles, AFileSizeLimitFailsTheExportInsteadOfEndingTheReport) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("a.json", sweepJson({1, 2}, {3, 3}, boxContext));
    EXPECT_EQ(report("-n -q --export-json found.json a.json > /dev/null", "ulimit -f 1;"), 1);
    EXPECT_EQ(readFile("err.txt"), "diagsum-report: cannot write found.json: File too large\n");
    EXPECT_EQ(filesHere(), (std::vector<std::string>{"a.json", "err.txt", "out.txt"})) << "no temporary left";
}

TEST(ReportFiles, APictureCutShortIsNeverInstalled) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOf({1, 2}, 3));
    // What a full disk leaves: the signature and part of the first chunk, exit 0.
    const std::string gnuplot = fakeGnuplot("printf '\\211PNG\\r\\n\\032\\n\\0\\0\\0\\rIHDR\\0' > \"$3\"");
    EXPECT_EQ(report("infoData.csv", gnuplot), 2);
    EXPECT_TRUE(contains(readFile("err.txt"), "gnuplot drew no whole PNG for scaling.png")) << readFile("err.txt");
    EXPECT_FALSE(readFile("out.txt").empty()) << "the table comes all the same";
    EXPECT_EQ(filesHere(), (std::vector<std::string>{"bin", "err.txt", "infoData.csv", "out.txt"}));
}

TEST(ReportFiles, AStopEndsGnuplotRemovesTheScratchFilesAndEndsByTheSignal) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", logOf({1, 2}, 3));
    fakeGnuplot("echo $$ > gnuplot.pid\nexec sleep 60");
    const std::string path = "PATH=" + fs::current_path().string() + "/bin:" + getenv("PATH");
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        putenv(const_cast<char*>(path.c_str()));
        execl(DIAGSUM_REPORT_EXE, DIAGSUM_REPORT_EXE, "-q", "infoData.csv", static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 200 && readFile("gnuplot.pid").empty(); i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string gnuplot = readFile("gnuplot.pid");
    ASSERT_FALSE(gnuplot.empty()) << "gnuplot never started";
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(filesHere(), (std::vector<std::string>{"bin", "gnuplot.pid", "infoData.csv"}));
    // Ended: gone, or a zombie its new parent has not reaped yet.
    const std::string stat = readFile("/proc/" + gnuplot.substr(0, gnuplot.find('\n')) + "/stat");
    const size_t state = stat.rfind(") ");
    for (int i = 0; i < 100 && state != std::string::npos && stat[state + 2] != 'Z'; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string after = readFile("/proc/" + gnuplot.substr(0, gnuplot.find('\n')) + "/stat");
    EXPECT_TRUE(after.empty() || after[after.rfind(") ") + 2] == 'Z') << after;
}

TEST(ReportFiles, AReaderThatGoesAwayIsNoError) {
    testsupport::ScratchDir dir;
    std::vector<int> counts;
    for (int threads = 1; threads <= 127; threads++) {
        counts.push_back(threads);
    }
    std::string log;
    for (int sweep = 0; sweep < 6; sweep++) {
        log += logOf(counts, 2);
    }
    testsupport::writeFile("infoData.csv", log);  // its table passes a pipe's 64 KiB
    const std::string command = std::string("{ '") + DIAGSUM_REPORT_EXE +
                                "' -n -q infoData.csv 2> err.txt; echo $? > status.txt; } | head -c 10 > /dev/null";
    for (int round = 0; round < 3; round++) {
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(readFile("status.txt"), "0\n");
        EXPECT_EQ(readFile("err.txt"), "");
    }
}

// Sanitizers reserve terabytes of address space for themselves.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(ReportFiles, MemoryThatRunsOutIsOneLineAndStatusOne) {
    testsupport::ScratchDir dir;
    std::string log;
    for (int sweep = 0; sweep < 40; sweep++) {
        log += logOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 500);
    }
    testsupport::writeFile("infoData.csv", log);  // 200,000 lines, 5 MB
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        dup2(open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        const rlimit limit{20000 * 1024, 20000 * 1024};
        setrlimit(RLIMIT_AS, &limit);
        execl(DIAGSUM_REPORT_EXE, DIAGSUM_REPORT_EXE, "-n", "infoData.csv", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(readFile("err.txt"), "diagsum-report: not enough memory to read infoData.csv\n");
}
#endif
