// The files a short sweep of the tests leaves in the working directory
// (20 x 20, usually 1 to 4 workers), read back: the log's lines, the sums,
// the JSON file's context and entries, and temporaries left behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "programs.h"
#include "testsupport.h"

namespace sweepfiles {

using programs::lineCount;
using testsupport::readFile;

// Waits until the log holds `lines` lines: the sweep is under way.
inline void waitForLogLines(size_t lines) {
    for (int i = 0; i < 6000 && lineCount(readFile("infoData.csv")) < lines; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline nlohmann::json sweepContext() {
    return nlohmann::json::parse(readFile("sweep.json"))["context"];
}

// How many entries of the JSON file are of `type` ("iteration", "aggregate").
inline long entriesOf(const char* type) {
    const auto json = nlohmann::json::parse(readFile("sweep.json"));
    return std::count_if(json["benchmarks"].begin(), json["benchmarks"].end(),
                         [type](const auto& entry) { return entry["run_type"] == type; });
}

// The worker count of every line of a 20 x 20 sweep's log; a line that is
// not whole fails the test.
inline std::vector<int> loggedWorkers() {
    const std::string log = readFile("infoData.csv");
    EXPECT_TRUE(log.empty() || log.back() == '\n') << "the log ends inside a line";
    std::vector<int> workers;
    std::istringstream in(log);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(std::regex_match(line, m, std::regex(R"(\d+,\d\d; 20; 20; 39; (\d+))"))) << line;
        workers.push_back(m.empty() ? -1 : std::stoi(m[1]));
    }
    return workers;
}

// The sums of a 20 x 20 matrix of ones, as out.txt holds them.
inline std::string sumsText() {
    std::string text;
    for (int d = 0; d < 39; d++) {
        text += std::to_string(std::min(d + 1, 39 - d)) + ".000000\n";
    }
    return text;
}

// out.txt is whole.
inline bool sumsWhole() {
    return readFile("out.txt") == sumsText();
}

inline bool noTemporaryLeft() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("out.txt.", 0) == 0 || name.rfind("sweep.json.", 0) == 0) {
            return false;
        }
    }
    return true;
}

inline std::vector<std::string> sweep(const char* runs, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--size", "20x20", "--threads", "1-4", "--runs", runs};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

}  // namespace sweepfiles
