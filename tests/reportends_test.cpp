// diagsum-report's charts and its ends, the program in a child process:
// charts it cannot draw or install, a stop signal while gnuplot draws, a
// reader that goes away, memory that runs out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "reportinputs.h"
#include "reportrun.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using nlohmann::json;
using namespace reportinputs;
using reportrun::report;
using testsupport::readFile;

namespace {

// A gnuplot on PATH that runs `body` (sh) instead of drawing; $3 is the
// picture's path.
std::string fakeGnuplot(const std::string& body) {
    fs::create_directory("bin");
    testsupport::writeFile("bin/gnuplot", "#!/bin/sh\n" + body + "\n");
    fs::permissions("bin/gnuplot", fs::perms::owner_all);
    return "PATH=\"$PWD/bin:$PATH\"";
}

}  // namespace

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
