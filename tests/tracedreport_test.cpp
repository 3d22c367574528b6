// The report of a small real sweep made with --trace: the sweep's JSON
// names its trace file, the report tables the trace figures, names the
// best counts, says why it fits no model, and draws a whole timeline.png
// from the trace file and model.png; without the trace file it says so in one line and
// draws no timeline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "testsupport.h"

using testsupport::Finished;
using testsupport::readFile;
using testsupport::runProgram;

namespace {

bool hasGnuplot() {
    return std::system("command -v gnuplot > /dev/null 2>&1") == 0;
}

// A PNG that ends with its IEND chunk (name, then its CRC).
bool endsLikeAPng(const std::string& bytes) {
    static const std::string signature("\x89PNG\r\n\x1a\n", 8);
    static const std::string tail("IEND\xae\x42\x60\x82", 8);
    return bytes.size() > 16 && bytes.compare(0, 8, signature) == 0 &&
           bytes.compare(bytes.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TEST(TracedReport, ExplainsATracedSweepAndDrawsItsTimeline) {
    testsupport::ScratchDir dir;
    const Finished sweep = runProgram(DIAGSUM_EXE, "--trace t.json --json s.json -t 1,2,8 -r 6");
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    EXPECT_EQ(nlohmann::json::parse(readFile("s.json"))["context"]["trace_file"], "t.json");
    const Finished report = runProgram(DIAGSUM_REPORT_EXE, "s.json");
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_NE(report.out.find("| start latency µs | 95 % CI | load balance |"), std::string::npos)
        << report.out;
    EXPECT_NE(report.out.find("fastest here: "), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("USL: 3 worker counts, fewer than the 6 a fit needs: no fit"),
              std::string::npos)
        << report.out;
    if (!hasGnuplot()) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    EXPECT_TRUE(endsLikeAPng(readFile("timeline.png")));
    EXPECT_TRUE(endsLikeAPng(readFile("model.png"))) << "the measured throughput, without a fit";

    std::filesystem::remove("timeline.png");
    std::filesystem::remove("t.json");
    // Quiet: no noise warnings, only the line of the missing trace file.
    const Finished without = runProgram(DIAGSUM_REPORT_EXE, "-q s.json");
    EXPECT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(testsupport::lines(without.err).size(), 1u) << without.err;
    EXPECT_NE(without.err.find("t.json"), std::string::npos) << without.err;
    EXPECT_FALSE(std::filesystem::exists("timeline.png"));
}
