#include "report/logstats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "testsupport.h"

namespace {

LogSummary summarise(const std::string& text) {
    std::istringstream in(text);
    return summariseLog(in);
}

}  // namespace

TEST(LogParsing, ReadsLinesAsTheProgramWritesThem) {
    LogRow row{};
    std::string reason;
    ASSERT_TRUE(parseLogLine("12345,67; 500; 500; 999; 4", &row, &reason)) << reason;
    EXPECT_DOUBLE_EQ(row.ticks, 12345.67);
    EXPECT_EQ(row.rows, 500);
    EXPECT_EQ(row.columns, 500);
    EXPECT_EQ(row.diagonals, 999);
    EXPECT_EQ(row.threads, 4);
    ASSERT_TRUE(parseLogLine("0,50; 3; 4; 6; 2\r", &row, &reason)) << "a spreadsheet's CRLF";
    EXPECT_DOUBLE_EQ(row.ticks, 0.5);
    ASSERT_TRUE(parseLogLine("1234567,89; 500; 500; 999; 1", &row, &reason));
    EXPECT_DOUBLE_EQ(row.ticks, 1234567.89);
}

TEST(LogParsing, RefusesForeignLines) {
    const char* lines[] = {
        "12345.67; 500; 500; 999; 4",     // decimal point
        "12345; 500; 500; 999; 4",        // no decimals
        "12345,67, 500, 500, 999, 4",     // other separator
        "12345,67; 500; 500; 999",        // too few fields
        "12345,67; 500; 500; 999; 4; 9",  // too many fields
        "12345,67; 500; x; 999; 4",       // not a number
        "12345,67; 500; 500; 998; 4",     // diagonals do not match
        "12345,67; 500; 500; 999; 0",     // no workers
        "-5,00; 500; 500; 999; 1",        // negative time
        "1e5,00; 500; 500; 999; 1",       // exponent
        "time; rows; columns; diagonals; threads",
    };
    for (const char* line : lines) {
        LogRow row{};
        std::string reason;
        EXPECT_FALSE(parseLogLine(line, &row, &reason)) << line;
        EXPECT_FALSE(reason.empty()) << line;
    }
}

TEST(LogSummary, GroupsSeveralSweepsBySizeAndWorkersSkippingBadLines) {
    const LogSummary summary = summarise(
        "10,00; 500; 500; 999; 1\n"
        "20,00; 500; 500; 999; 1\n"
        "\n"
        "garbage\n"
        "5,00; 3; 4; 6; 2\n"
        "30,00; 500; 500; 999; 2\n"
        "   \n"
        "40,00; 500; 500; 999; 1\n"  // a second sweep appended
        "1,00; 500; 500; 999\n");
    ASSERT_EQ(summary.problems.size(), 2u);
    EXPECT_EQ(summary.problems[0].line, 4u);
    EXPECT_EQ(summary.problems[1].line, 9u);
    EXPECT_EQ(summary.runs, 5u);
    ASSERT_EQ(summary.groups.size(), 3u);
    EXPECT_EQ(summary.groups[0].rows, 3);
    EXPECT_EQ(summary.groups[0].threads, 2);
    EXPECT_EQ(summary.groups[1].threads, 1);
    EXPECT_EQ(summary.groups[1].runs, 3u);
    EXPECT_DOUBLE_EQ(summary.groups[1].mean, 70.0 / 3);
    EXPECT_EQ(summary.groups[2].threads, 2);
}

TEST(LogSummary, StatisticsOfTicks) {
    const GroupStats odd = statsOf({4, 1, 3, 2, 10});
    EXPECT_EQ(odd.runs, 5u);
    EXPECT_DOUBLE_EQ(odd.mean, 4.0);
    EXPECT_DOUBLE_EQ(odd.median, 3.0);
    EXPECT_DOUBLE_EQ(odd.min, 1.0);
    EXPECT_DOUBLE_EQ(odd.max, 10.0);
    EXPECT_DOUBLE_EQ(odd.stddev, std::sqrt(50.0 / 4));
    const GroupStats even = statsOf({2, 8, 4, 6});
    EXPECT_DOUBLE_EQ(even.median, 5.0);
    const GroupStats one = statsOf({7.5});
    EXPECT_DOUBLE_EQ(one.median, 7.5);
    EXPECT_DOUBLE_EQ(one.stddev, 0.0);
}

TEST(LogSummary, MarkdownTableHasOneRowPerGroup) {
    const LogSummary summary =
        summarise("10,00; 500; 500; 999; 1\n20,00; 500; 500; 999; 1\n5,25; 3; 4; 6; 2\n");
    EXPECT_EQ(markdownTable(summary),
              "| matrix | workers | runs | mean ticks | median | min | max | std dev |\n"
              "|---|---:|---:|---:|---:|---:|---:|---:|\n"
              "| 3 × 4 | 2 | 1 | 5.25 | 5.25 | 5.25 | 5.25 | 0.00 |\n"
              "| 500 × 500 | 1 | 2 | 15.00 | 15.00 | 10.00 | 20.00 | 7.07 |\n");
}

TEST(LogSummary, ChartDataHasOneBlockPerMatrixSize) {
    const LogSummary summary = summarise(
        "10,00; 500; 500; 999; 1\n30,00; 500; 500; 999; 1\n5,00; 3; 4; 6; 2\n6,00; 500; 500; 999; 2\n");
    EXPECT_EQ(chartData(summary),
              "# 3 × 4\n2 5.00 5.00 5.00\n\n\n# 500 × 500\n1 20.00 10.00 30.00\n2 6.00 6.00 6.00\n");
    const std::string script = chartScript(summary, "it's.dat", "out.png");
    EXPECT_NE(script.find("'it''s.dat' index 1"), std::string::npos) << script;
    EXPECT_NE(script.find("clock ticks"), std::string::npos);
}

// The program end to end: the table on stdout, skipped lines on stderr with
// their numbers, and a PNG of the chart's size.
TEST(ReportProgram, PrintsTableReportsBadLinesAndDrawsChart) {
    if (std::system("command -v gnuplot > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    testsupport::ScratchDir dir;
    std::string log;
    for (int workers = 1; workers <= 8; workers++) {
        for (int run = 0; run < 5; run++) {
            log +=
                std::to_string(100 * workers + run) + ",50; 500; 500; 999; " + std::to_string(workers) + "\n";
        }
    }
    log += "not a log line\n";
    testsupport::writeFile("infoData.csv", log);
    const std::string command =
        std::string("'") + DIAGSUM_REPORT_EXE + "' infoData.csv > table.md 2> errors.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << testsupport::readFile("errors.txt");
    const std::string table = testsupport::readFile("table.md");
    EXPECT_NE(table.find("| 500 × 500 | 8 | 5 | 802.50 | 802.50 | 800.50 | 804.50 | 1.58 |\n"),
              std::string::npos)
        << table;
    EXPECT_EQ(testsupport::readFile("errors.txt"),
              "diagsum-report: infoData.csv:41: skipped: expected 5 fields separated by ';', found 1\n");
    const std::string png = testsupport::readFile("scaling.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), chartWidth);
    EXPECT_EQ(be32(20), chartHeight);
    EXPECT_FALSE(std::filesystem::exists("scaling.png.tmp"));
}

TEST(ReportProgram, MissingOrEmptyLogFails) {
    testsupport::ScratchDir dir;
    const std::string exe = std::string("'") + DIAGSUM_REPORT_EXE + "'";
    EXPECT_NE(std::system((exe + " missing.csv 2> /dev/null").c_str()), 0);
    testsupport::writeFile("empty.csv", "\n\n");
    EXPECT_NE(std::system((exe + " empty.csv 2> /dev/null").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists("scaling.png"));
}
