// Every failure point of the programs' own file I/O, tried one at a time:
// the I/O shim (iofault_shim.cpp, loaded with LD_PRELOAD) counts the open,
// write, fsync, rename, ftruncate, flock and close calls a short sweep and
// a report make on their files, then each run fails one of them with the
// errors a disk gives. After each: a failure is either harmless (every
// output whole and new, exit 0, nothing said) or said on stderr naming the
// file, with a failing exit status; no file is half-written; no temporary
// is left unless the message names it; an old file stays whole where the
// new one could not be made; every measured run is in the log or the JSON.
#include "iofaults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "programs.h"
#include "testsupport.h"

using namespace iofaults;
using testsupport::readFile;

namespace {

bool parses(const std::string& text) {
    return nlohmann::json::accept(text);
}

// The sums of a size x size matrix of ones, as out.txt holds them.
std::string sumsOf(int size) {
    std::string text;
    for (int d = 0; d < 2 * size - 1; d++) {
        text += std::to_string(std::min(d + 1, 2 * size - 1 - d)) + ".000000\n";
    }
    return text;
}

// The new runs in the JSON text: -1 when it is not the new sweep's.
long newRuns(const std::string& text) {
    if (!parses(text)) {
        return -1;
    }
    const auto json = nlohmann::json::parse(text);
    const auto& runs = json["benchmarks"];
    if (runs.empty() || runs[0]["name"] != "diagsum/20x20/threads:1") {
        return -1;
    }
    return std::count_if(runs.begin(), runs.end(),
                         [](const auto& run) { return run["run_type"] == "iteration"; });
}

// The lines of the log after `old`, each a whole 20 x 20 line; -1 when the
// old lines are not kept as they were or a line is not whole.
long newLogLines(const std::string& log, const std::string& old) {
    if (log.rfind(old, 0) != 0 || (!log.empty() && log.back() != '\n')) {
        return -1;
    }
    std::istringstream lines(log.substr(old.size()));
    long whole = 0;
    for (std::string line; std::getline(lines, line); whole++) {
        if (!std::regex_match(line, std::regex(R"(\d+,\d\d; 20; 20; 39; [12])"))) {
            return -1;
        }
    }
    return whole;
}

// The old outputs every trial of the sweep starts from.
struct OldFiles {
    std::string out = sumsOf(10);
    std::string json;
    std::string log = "100,00; 10; 10; 19; 1\n";
};

const std::vector<std::string> sweepArgs{"-s",     "20x20",      "-t",    "1,2",          "-r",    "2",
                                         "--json", "sweep.json", "--log", "infoData.csv", "--out", "out.txt"};
constexpr long sweepRuns = 4;

void checkSweep(const Outcome& outcome, const OldFiles& old) {
    EXPECT_TRUE(outcome.status == 0 || outcome.status == 1) << outcome.status << " " << outcome.err;
    const std::string json = readFile("sweep.json");
    const std::string out = readFile("out.txt");
    const long logged = newLogLines(readFile("infoData.csv"), old.log);
    const long inJson = newRuns(json);
    EXPECT_TRUE(json == old.json || inJson == sweepRuns) << "the JSON is the old one or the whole new one";
    EXPECT_TRUE(out == old.out || out == sumsOf(20)) << "out.txt is whole";
    EXPECT_GE(logged, 0) << "the old lines stay and every line is whole";
    long kept = -1;
    for (const std::string& temporary : temporaries()) {
        EXPECT_NE(outcome.err.find(temporary), std::string::npos)
            << "a temporary no message names: " << temporary;
        const std::string text = readFile(temporary);
        EXPECT_TRUE(newRuns(text) == sweepRuns || text == sumsOf(20)) << temporary << " is whole";
        kept = std::max(kept, newRuns(text));
    }
    const bool measured = !readFile("stdout.txt").empty();
    if (outcome.status == 0) {
        EXPECT_EQ(outcome.err, "");
        EXPECT_TRUE(logged == sweepRuns && inJson == sweepRuns && out == sumsOf(20)) << "all new";
        return;
    }
    EXPECT_TRUE(
        std::regex_search(outcome.err, std::regex("cannot write (out\\.txt|sweep\\.json|infoData\\.csv)")))
        << outcome.err;
    if (!measured) {
        EXPECT_TRUE(json == old.json && out == old.out && logged == 0) << "refused before the first run";
        return;
    }
    const bool saidLost = outcome.err.find("infoData.csv") != std::string::npos &&
                          outcome.err.find("sweep.json") != std::string::npos;
    EXPECT_TRUE(logged == sweepRuns || inJson == sweepRuns || kept == sweepRuns || saidLost)
        << "a measured run is lost without a word";
}

}  // namespace

TEST(IoFaults, EverySweepFailurePointIsSaidAndLosesNothing) {
    testsupport::ScratchDir dir;
    OldFiles old;
    {
        // The old JSON: a sweep of another size.
        const Outcome made = runUnder(
            DIAGSUM_EXE,
            {"-s", "10x10", "-t", "1", "-r", "1", "--no-log", "--json", "old.json", "--out", "/dev/null"},
            Fault{});
        ASSERT_EQ(made.status, 0) << made.err;
        old.json = readFile("old.json");
        std::filesystem::remove("old.json");
    }
    auto seed = [&old] {
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove(entry.path());
        }
        testsupport::writeFile("out.txt", old.out);
        testsupport::writeFile("sweep.json", old.json);
        testsupport::writeFile("infoData.csv", old.log);
    };
    seed();
    const std::map<std::string, long> made = countCalls(DIAGSUM_EXE, sweepArgs);
    for (const char* call : {"open", "write", "fsync", "rename", "flock", "close"}) {
        EXPECT_GT(made.count(call) != 0 ? made.at(call) : 0, 0) << call << " is never called";
    }
    const std::vector<Fault> faults = failurePoints(made);
    for (const Fault& fault : faults) {
        SCOPED_TRACE(describe(fault));
        seed();
        checkSweep(runUnder(DIAGSUM_EXE, sweepArgs, fault), old);
    }
    std::cout << "[ info ] the sweep's calls: " << countsText(made) << "; " << faults.size()
              << " failure points tried\n";
}

namespace {

bool wholePng(const std::string& text) {
    static const std::string head("\x89PNG\r\n\x1a\n", 8);
    static const std::string tail("IEND\xae\x42\x60\x82", 8);
    return text.size() > 16 && text.compare(0, 8, head) == 0 && text.compare(text.size() - 8, 8, tail) == 0;
}

// The table, the scaling chart (-o), the speedup chart (-s), the split of
// the time (cost.png) and the throughput (model.png), drawn for a JSON input.
const std::vector<std::string> reportArgs{"in.json", "-o", "chart.png", "-s", "speedup.png"};
const char* const charts[] = {"chart.png", "speedup.png", "cost.png", "model.png"};

void checkReport(const Outcome& outcome, const std::string& input, const std::string& oldChart) {
    // 1: the input cannot be read or the table written; 2: a chart cannot be drawn.
    EXPECT_TRUE(outcome.status >= 0 && outcome.status <= 2) << outcome.status << " " << outcome.err;
    EXPECT_EQ(readFile("in.json"), input) << "the input is only read";
    for (const char* chart : charts) {
        const std::string text = readFile(chart);
        EXPECT_TRUE(text == oldChart || wholePng(text)) << chart << " is half-drawn";
        if (outcome.status == 0) {
            EXPECT_TRUE(text != oldChart && wholePng(text)) << chart << " is not drawn anew";
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        const bool known = name == "in.json" || name == "stdout.txt" || name == "stderr.txt" ||
                           std::find(std::begin(charts), std::end(charts), name) != std::end(charts);
        // A chart drawn whole whose rename failed is kept, and the message names it.
        const bool named = outcome.err.find("kept in '") != std::string::npos &&
                           outcome.err.find(name + "'") != std::string::npos && wholePng(readFile(name));
        EXPECT_TRUE(known || named) << "left behind: " << name;
    }
    if (outcome.status == 0) {
        EXPECT_EQ(outcome.err, "");
    } else {
        EXPECT_TRUE(std::regex_search(outcome.err, std::regex("(chart|speedup|cost|model)\\.png|in\\.json")))
            << outcome.err;
    }
}

}  // namespace

TEST(IoFaults, EveryReportFailurePointIsSaidAndLeavesWholeCharts) {
    testsupport::ScratchDir dir;
    const Outcome swept = runUnder(
        DIAGSUM_EXE,
        {"-s", "20x20", "-t", "1-4", "-r", "3", "--no-log", "--json", "in.json", "--out", "/dev/null"},
        Fault{});
    ASSERT_EQ(swept.status, 0) << swept.err;
    const std::string input = readFile("in.json");
    const std::string oldChart = "old chart\n";  // not a PNG: a new one is told from it
    auto seed = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            if (entry.path().filename() != "in.json") {
                std::filesystem::remove(entry.path());
            }
        }
        for (const char* chart : charts) {
            testsupport::writeFile(chart, oldChart);
        }
    };
    seed();
    const std::map<std::string, long> made = countCalls(DIAGSUM_REPORT_EXE, reportArgs);
    ASSERT_FALSE(made.empty()) << "the report fails without a fault";
    const std::vector<Fault> faults = failurePoints(made);
    for (const Fault& fault : faults) {
        SCOPED_TRACE(describe(fault));
        seed();
        checkReport(runUnder(DIAGSUM_REPORT_EXE, reportArgs, fault), input, oldChart);
    }
    std::cout << "[ info ] the report's calls: " << countsText(made) << "; " << faults.size()
              << " failure points tried\n";
}

// What a crash cannot take: the JSON file synced before its rename and its
// folder after; out.txt, rewritten by every run, synced once, after its last
// rename; the log synced once, before it is closed.
TEST(IoFaults, WholeFilesAndTheLogAreSyncedInTheirOrder) {
    testsupport::ScratchDir dir;
    const std::string trace = (std::filesystem::current_path() / "trace.txt").string();
    ASSERT_EQ(runUnder(DIAGSUM_EXE, sweepArgs, Fault{}, "", trace).status, 0);
    std::vector<std::string> calls;
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);) {
        calls.push_back(std::regex_replace(line, std::regex(R"(\.\d+\.\d+)"), ".tmp"));
    }
    auto at = [&calls](const std::string& call, size_t from = 0) {
        const auto found =
            std::find(calls.begin() + static_cast<long>(std::min(from, calls.size())), calls.end(), call);
        return found == calls.end() ? std::string::npos : static_cast<size_t>(found - calls.begin());
    };
    const size_t jsonSync = at("fsync sweep.json.tmp");
    const size_t jsonRename = at("rename sweep.json.tmp sweep.json");
    ASSERT_NE(jsonSync, std::string::npos);
    EXPECT_LT(jsonSync, jsonRename);
    EXPECT_NE(at("fsync .", jsonRename), std::string::npos) << "the folder after the rename";
    EXPECT_EQ(at("fsync out.txt.tmp"), std::string::npos) << "no run's out.txt is synced on its own";
    const auto lastOutRename = std::find(calls.rbegin(), calls.rend(), "rename out.txt.tmp out.txt");
    ASSERT_NE(lastOutRename, calls.rend());
    const size_t outSync = at("fsync out.txt", static_cast<size_t>(calls.rend() - lastOutRename));
    ASSERT_NE(outSync, std::string::npos) << "the last out.txt is synced";
    EXPECT_NE(at("fsync .", outSync), std::string::npos);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "fsync infoData.csv"), 1);
    EXPECT_LT(at("fsync infoData.csv"), at("close infoData.csv", at("fsync infoData.csv")));
}
