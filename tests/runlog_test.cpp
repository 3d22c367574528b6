#include "app/runlog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

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

TEST(ExecutionLog, AppendersTakeTheLogsLockInTurn) {
    // Another appender holds the lock (between its write and its cut-back):
    // this one waits, so a cut-back can only ever take its own bytes.
    testsupport::ScratchDir dir;
    const int holder = open("infoData.csv", O_WRONLY | O_CREAT | O_APPEND, 0666);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    fflush(nullptr);
    const pid_t appender = fork();
    if (appender == 0) {
        executionDataToCSV(ExecutionData{1.0, 3, 4, 6, 2}, "infoData.csv");
        _exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int status = 0;
    EXPECT_EQ(waitpid(appender, &status, WNOHANG), 0) << "it did not wait for the lock";
    ASSERT_EQ(write(holder, "other writer\n", 13), 13);
    flock(holder, LOCK_UN);
    waitpid(appender, &status, 0);
    close(holder);
    EXPECT_EQ(readFile("infoData.csv"), "other writer\n1,00; 3; 4; 6; 2\n");
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
