// The trace file against the Chrome Trace Event Format's rules (the
// fields, µs units, every lane's events nested, every lane named), its
// names and rounding; and, where Chromium and speedscope are installed,
// the file opened in speedscope with one lane per worker.
#include "trace/tracefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "testsupport.h"
#include "traceformat.h"

namespace {

using nlohmann::json;

// A run of `workers` workers that began at 7 s + 400 ns, its edges off
// whole µs (so that rounding each edge to the nearest, or rounding ts and
// dur separately, would push a create or a join out of the run).
RunTrace craftedRun(int32_t workers) {
    const int64_t origin = 7'000'000'400;
    RunTrace trace;
    reserveRunTrace(&trace, workers);
    const int64_t step = 30'000;
    const int64_t lastJoin = origin + 600 + step * (workers + 1) * 2;
    trace.run = Span{origin, lastJoin + 300};
    for (int32_t k = 0; k < workers; k++) {
        const int64_t created = origin + 600 + step * k;
        trace.creates[k] = Span{created, created + 20'999};
        trace.workers[k] = WorkerSpan{Span{created + 15'500, created + 15'500 + 200'700 + 9'999 * k}, 1'000,
                                      1'000 + 150'123 + 9'000 * k};
        const int64_t joined = lastJoin - step * (workers - k);
        trace.joins[k] = Span{joined, joined + step - 1};
    }
    trace.joins.back().endNs = lastJoin;
    return trace;
}

// One worker in a run of 30.4 µs whose join ends 0.1 µs before the run
// does: rounding the join's ts and dur to the nearest µs apart (21 + 10)
// would end it after the run (30).
RunTrace tightRun() {
    RunTrace trace;
    reserveRunTrace(&trace, 1);
    trace.run = Span{1'000'000, 1'030'400};
    trace.creates[0] = Span{1'000'600, 1'010'300};
    trace.workers[0] = WorkerSpan{Span{1'005'000, 1'025'000}, 0, 19'000};
    trace.joins[0] = Span{1'020'600, 1'030'300};
    return trace;
}

const json* findEvent(const json& document, int64_t pid, int64_t tid, const std::string& name) {
    for (const json& event : document["traceEvents"]) {
        if (event["pid"] == pid && event["tid"] == tid && event["name"] == name) {
            return &event;
        }
    }
    return nullptr;
}

// Runs `command` through the shell; its standard output.
std::string outputOf(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t got; pipe != nullptr && (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, got);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return out;
}

}  // namespace

TEST(TraceFile, FollowsTheFormatsRulesWithEveryLaneNestedAndNamed) {
    const RunTrace spawned = craftedRun(8);
    RunTrace pooled = craftedRun(3);
    pooled.creates.clear();  // a pool run has no creates or joins
    pooled.joins.assign(3, Span{});
    pooled.workers[2] = WorkerSpan{};  // and a worker that never started
    const RunTrace tight = tightRun();
    testsupport::ScratchDir scratch;
    testsupport::writeFile("trace.json", traceFileText({{&spawned, 500, 500, 12, "", "median"},
                                                        {&pooled, 500, 500, 3, "pool", "median"},
                                                        {&tight, 1, 1, 1, "", ""}}));
    const json document = json::parse(testsupport::readFile("trace.json"));
    EXPECT_EQ(traceformat::formatFaults(document), std::vector<std::string>{});
    std::set<std::pair<int64_t, int64_t>> lanes;
    for (const json& event : document["traceEvents"]) {
        if (event["name"] == "thread_name") {
            lanes.emplace(event["pid"], event["tid"]);
        }
    }
    EXPECT_EQ(lanes.size(), size_t{9 + 4 + 2}) << "a driver lane and one lane per worker in each run";
    EXPECT_EQ(findEvent(document, 2, 0, "create worker 0"), nullptr);
    EXPECT_EQ(findEvent(document, 2, 3, "sum"), nullptr) << "no event for edges never read";
    ASSERT_NE(findEvent(document, 2, 2, "sum"), nullptr);
}

TEST(TraceFile, NamesEachRunAndLaneAndKeepsExactTimesInArgs) {
    const RunTrace trace = craftedRun(8);
    const json document = traceDocument({{&trace, 500, 500, 12, "", "median"}});
    const json* process = findEvent(document, 1, 0, "process_name");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ((*process)["args"]["name"], "500 × 500, 8 workers, run 12 (median)");
    EXPECT_EQ((*findEvent(document, 1, 0, "thread_name"))["args"]["name"], "driver");
    EXPECT_EQ((*findEvent(document, 1, 8, "thread_name"))["args"]["name"], "worker 7");
    const json* run = findEvent(document, 1, 0, "run");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ((*run)["ts"], 0) << "times count from the run's start";
    const double runUs = static_cast<double>(trace.run.endNs - trace.run.beginNs) / 1000.0;
    EXPECT_EQ((*run)["dur"], static_cast<int64_t>(runUs));
    EXPECT_DOUBLE_EQ((*run)["args"]["wall_time_us"].get<double>(), runUs);
    const json* sum = findEvent(document, 1, 4, "sum");
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ((*sum)["ts"], (trace.workers[3].wall.beginNs - trace.run.beginNs) / 1000) << "rounded down";
    EXPECT_DOUBLE_EQ((*sum)["args"]["cpu_time_us"].get<double>(), (150'123 + 9'000 * 3) / 1000.0);
    ASSERT_NE(findEvent(document, 1, 0, "join worker 7"), nullptr);
    RunTrace one;
    reserveRunTrace(&one, 1);
    EXPECT_EQ(tracedRunName({&one, 7, 1000, 1, "", ""}), "7 × 1000, 1 worker, run 1");
    EXPECT_EQ(tracedRunName({&one, 7, 1000, 4, "blocks", "median"}),
              "7 × 1000, 1 worker, blocks, run 4 (median)");
}

TEST(TraceFile, OpensInSpeedscopeWithOneLanePerWorker) {
    const std::string chromium = outputOf("command -v chromium");
    const std::filesystem::path speedscope =
        std::filesystem::path(SPEEDSCOPE_DIR) / "dist/release/index.html";
    if (chromium.empty()) {
        GTEST_SKIP() << "no chromium on the PATH (Debian's chromium package)";
    }
    if (!std::filesystem::exists(speedscope)) {
        GTEST_SKIP() << "no " << speedscope << " (npm install speedscope in " SPEEDSCOPE_DIR "/../..)";
    }
    testsupport::ScratchDir scratch;
    const RunTrace trace = craftedRun(8);
    testsupport::writeFile("trace.json", traceFileText({{&trace, 500, 500, 12, "", "median"}}));
    // speedscope's own command line opens a file this way: a script that
    // hands it the file, named in the page's #localProfilePath. The script
    // then opens the list of lanes (speedscope's "t" key) for the picture.
    outputOf(
        "printf 'speedscope.loadFileFromBase64(\"trace.json\", \"%s\");\\n' \"$(base64 -w0 trace.json)\" "
        ">trace.js");
    testsupport::writeFile("trace.js", testsupport::readFile("trace.js") +
                                           "setTimeout(function () { window.dispatchEvent("
                                           "new KeyboardEvent('keypress', {key: 't'})); }, 1000);\n");
    const std::string page = "'file://" + speedscope.string() +
                             "#localProfilePath=" + (scratch.path() / "trace.js").string() + "'";
    const auto browser = [&](const std::string& profile, const std::string& action) {
        std::filesystem::create_directory(profile);
        return "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
               " --disable-background-networking --disable-component-update --disable-sync"
               " --user-data-dir='" +
               (scratch.path() / profile).string() + "' --window-size=1400,900 --virtual-time-budget=5000 " +
               action + " " + page + " 2>/dev/null";
    };
    const std::string dom = outputOf(browser("dom-profile", "--dump-dom"));
    for (int32_t k = 0; k < 8; k++) {
        const std::string lane = "worker " + std::to_string(k) + " (tid " + std::to_string(k + 1) + ")";
        EXPECT_NE(dom.find(lane), std::string::npos) << "speedscope lists no lane " << lane;
    }
    EXPECT_NE(dom.find("(1/9)"), std::string::npos) << "the driver and eight workers";
    std::filesystem::remove(SCREENSHOT_PATH);
    outputOf(browser("shot-profile", "--screenshot='" SCREENSHOT_PATH "'"));
    EXPECT_EQ(testsupport::readFile(SCREENSHOT_PATH).substr(0, 8), "\x89PNG\r\n\x1a\n") << SCREENSHOT_PATH;
}
