// The inputs diagsum-report's tests feed it, made up here: logs and sweep
// JSON files of known runs; and what the working folder then holds.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace reportinputs {

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The log of a sequential sweep: `runs` runs per count of 500 x 500.
inline std::string logOf(const std::vector<int>& counts, int runs) {
    std::string log;
    for (int threads : counts) {
        for (int run = 0; run < runs; run++) {
            log += std::to_string(100 * threads + 7 * run) + ",00; 500; 500; 999; " +
                   std::to_string(threads) + "\n";
        }
    }
    return log;
}

// A sweep's JSON: `runs[i]` runs at `counts[i]` workers, with `context`.
// Counts one after another (sequential order), each run a little off its
// count's time, without a trend, at speedups two processors allow.
inline std::string sweepJson(const std::vector<int>& counts, const std::vector<int>& runs,
                             const std::string& context) {
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

inline const std::string boxContext =
    R"("host_name": "box", "date": "2026-01-02T03:04:05+00:00", "num_cpus": 2)";

// The names in the working folder, sorted.
inline std::vector<std::string> filesHere(const std::filesystem::path& folder = ".") {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace reportinputs
