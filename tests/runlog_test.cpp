#include "app/runlog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testsupport.h"

using testsupport::readFile;

namespace {

std::string logLine(double time, int32_t threads = 1) {
    testsupport::ScratchDir dir;
    executionDataToCSV(ExecutionData{time, 500, 500, 999, threads}, "infoData.csv");
    return readFile("infoData.csv");
}

}  // namespace

TEST(ExecutionLog, MissingFileIsCreatedWithOneLine) {
    EXPECT_EQ(logLine(12345.0), "12345,00; 500; 500; 999; 1\n");
}

TEST(ExecutionLog, AppendsAndNeverRewrites) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("infoData.csv", "earlier line, kept as it is\n");
    executionDataToCSV(ExecutionData{1.0, 3, 4, 6, 2}, "infoData.csv");
    executionDataToCSV(ExecutionData{2.5, 500, 500, 999, 127}, "infoData.csv");
    EXPECT_EQ(readFile("infoData.csv"),
              "earlier line, kept as it is\n1,00; 3; 4; 6; 2\n2,50; 500; 500; 999; 127\n");
}

TEST(ExecutionLog, TwoDecimalsWithDecimalComma) {
    EXPECT_EQ(logLine(0.5), "0,50; 500; 500; 999; 1\n");
    EXPECT_EQ(logLine(0.0), "0,00; 500; 500; 999; 1\n");
    EXPECT_EQ(logLine(999999.99), "999999,99; 500; 500; 999; 1\n");
    EXPECT_EQ(logLine(2.675), "2,67; 500; 500; 999; 1\n")
        << "rounds the double's exact value, as printf does";
}

TEST(ExecutionLog, LongTimesAreWrittenWhole) {
    EXPECT_EQ(logLine(999999.996), "1000000,00; 500; 500; 999; 1\n");
    EXPECT_EQ(logLine(1234567.891), "1234567,89; 500; 500; 999; 1\n");
    EXPECT_EQ(logLine(1e15), "1000000000000000,00; 500; 500; 999; 1\n");
    const std::string huge = logLine(1e300);
    EXPECT_EQ(huge.size(), std::strlen("1") + 300 + std::strlen(",00; 500; 500; 999; 1\n"));
}

TEST(ExecutionLog, UnopenableFileIsSkipped) {
    testsupport::ScratchDir dir;
    executionDataToCSV(ExecutionData{1.0, 1, 1, 1, 1}, "no-such-directory/infoData.csv");
    EXPECT_FALSE(std::filesystem::exists("no-such-directory"));
}

TEST(ReplaceChar, ReplacesEveryOccurrenceAndKeepsLength) {
    char text[] = "1.2.3";
    replaceChar(text, '.', ',');
    EXPECT_STREQ(text, "1,2,3");
}

TEST(ReplaceChar, EmptyTextAndTextWithoutTheCharacterStayAsTheyAre) {
    char empty[] = "";
    replaceChar(empty, '.', ',');
    EXPECT_STREQ(empty, "");
    char plain[] = "12345";
    replaceChar(plain, '.', ',');
    EXPECT_STREQ(plain, "12345");
    replaceChar(nullptr, '.', ',');
}

TEST(ConsolePause, PromptsThenTakesOneCharacter) {
    testsupport::feedStdin("\nrest");
    testing::internal::CaptureStdout();
    runlog::pause();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nPressione enter para continuar...");
    EXPECT_EQ(std::getchar(), 'r');
}

TEST(ConsolePause, ReturnsAtEndOfInput) {
    testsupport::feedStdin("");
    testing::internal::CaptureStdout();
    runlog::pause();
    testing::internal::GetCapturedStdout();
}
