// The real program, run whole: the sweep over 1 to 127 workers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

using testsupport::readFile;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

}  // namespace

TEST(BenchmarkSweep, RealProgramPrintsMeansLogsEveryRunAndLeavesLastSums) {
    testsupport::ScratchDir dir;
    const std::string command = std::string("'") + DIAGSUM_EXE + "' > stdout.txt 2> stderr.txt < /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const std::string out = readFile("stdout.txt");
    ASSERT_EQ(out.back(), '\n');
    const auto means = lines(out);
    ASSERT_EQ(means.size(), 127u) << "nothing but the 127 mean lines";
    const std::regex meanLine(R"((\d+) - (\d+\.\d{6}))");
    for (size_t i = 0; i < means.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(means[i], m, meanLine)) << means[i];
        EXPECT_EQ(std::stoul(m[1]), i + 1);
    }
    EXPECT_EQ(readFile("stderr.txt"), "");

    const auto log = lines(readFile("infoData.csv"));
    ASSERT_EQ(log.size(), 6350u);
    const std::regex logLine(R"(\d+,\d\d; 500; 500; 999; (\d+))");
    for (size_t i = 0; i < log.size(); i++) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(log[i], m, logLine)) << "line " << i + 1 << ": " << log[i];
        ASSERT_EQ(std::stoul(m[1]), i / 50 + 1) << "line " << i + 1;
    }

    std::string expected;
    for (int d = 0; d < 999; d++) {
        char line[32];
        snprintf(line, sizeof line, "%f\n", static_cast<double>(d <= 499 ? d + 1 : 999 - d));
        expected += line;
    }
    EXPECT_EQ(readFile("out.txt"), expected);
}
