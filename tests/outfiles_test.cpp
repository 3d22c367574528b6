#include "app/outfiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "floatfiles/floatfiles.h"
#include "testsupport.h"

using testsupport::readFile;

namespace {

// Runs `body` in a child process, which ends with _exit(body()); returns
// the wait status. Limits and signals set there stay there.
template <typename Body>
int inChild(Body body) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Applies a file-size limit with SIGXFSZ ignored, so a write past it fails
// with EFBIG instead of killing.
void limitFileSize(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

size_t entries() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("."), {}));
}

const ExecutionData sample{12345.0, 500, 500, 999, 1};
const std::string sampleLine = "12345,00; 500; 500; 999; 1\n";

}  // namespace

TEST(LogAppender, AppendsTheLinesTheRunLogFormats) {
    testsupport::ScratchDir dir;
    LogAppender log;
    ASSERT_TRUE(openLogAppender(&log, "infoData.csv"));
    appendToLog(&log, sample);
    appendToLog(&log, sample);
    closeLogAppender(&log);
    executionDataToCSV(sample, "infoData.csv");
    EXPECT_EQ(readFile("infoData.csv"), sampleLine + sampleLine + sampleLine);
}

TEST(LogAppender, FailuresNameTheFileAndReasonOnce) {
    const int before = failedOutputs();
    LogAppender full;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(openLogAppender(&full, "/dev/full"));
    appendToLog(&full, sample);
    appendToLog(&full, sample);
    closeLogAppender(&full);
    LogAppender missing;
    EXPECT_FALSE(openLogAppender(&missing, "no-such-dir/infoData.csv"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Erro ao gravar /dev/full: No space left on device\n"
              "Erro ao gravar no-such-dir/infoData.csv: No such file or directory\n");
    EXPECT_EQ(failedOutputs(), before + 2);
}

TEST(LogAppender, LineCutShortByTheSizeLimitIsTakenBack) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        limitFileSize(100);  // room for 3 lines of 27 bytes and a part
        const int fd = open("infoData.csv", O_WRONLY | O_APPEND | O_CREAT, 0666);
        int whole = 0;
        while (appendWholeLine(fd, sampleLine.data(), sampleLine.size()) == 0) {
            whole++;
        }
        return appendWholeLine(fd, sampleLine.data(), sampleLine.size()) == EFBIG ? whole : 99;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(readFile("infoData.csv"), sampleLine + sampleLine + sampleLine);
}

TEST(WholeFile, HoldsExactlyTheResultFileBytesWithTheOldMode) {
    testsupport::ScratchDir dir;
    Array sums{};
    ASSERT_TRUE(createArray(&sums, 3));
    for (float v : {1.0f, 2.5f, 1.0f}) {
        sums.data[++sums.top].value = v;
    }
    arrayFloatToFile(sums, "expected.txt");
    testsupport::writeFile("out.txt", std::string(50000, 'x'));
    chmod("out.txt", 0640);
    EXPECT_EQ(replaceFile("out.txt", floatLines(sums)), 0);
    deleteArray(&sums);
    EXPECT_EQ(readFile("out.txt"), readFile("expected.txt"));
    EXPECT_EQ(std::filesystem::status("out.txt").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(entries(), 2u) << "no temporary file left";
}

TEST(WholeFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("out.txt", "old\n");
    const int status = inChild([] {
        limitFileSize(100);
        return replaceFile("out.txt", std::string(200, 'n'));
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);
    EXPECT_EQ(readFile("out.txt"), "old\n");
    EXPECT_EQ(entries(), 1u);
}

TEST(WholeFile, LinkKeepsNamingTheReplacedFile) {
    testsupport::ScratchDir dir;
    std::filesystem::create_directory("real");
    testsupport::writeFile("real/out.txt", "old\n");
    std::filesystem::create_symlink("real/out.txt", "out.txt");
    EXPECT_EQ(replaceFile("out.txt", "new\n"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("out.txt"));
    EXPECT_EQ(readFile("real/out.txt"), "new\n");
}

TEST(WholeFile, CheckNamesTheFileAndReasonAndLeavesNothing) {
    testsupport::ScratchDir dir;
    std::filesystem::create_directory("sub");
    OutputFile good{"out.txt"}, missing{"no-such-dir/out.txt"}, directory{"sub"};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(checkReplaceable(&good));
    EXPECT_FALSE(checkReplaceable(&missing));
    EXPECT_FALSE(checkReplaceable(&directory));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Erro ao gravar no-such-dir/out.txt: No such file or directory\n"
              "Erro ao gravar sub: Is a directory\n");
    EXPECT_EQ(entries(), 1u);
}

TEST(StandardOutput, MeanLineAsPrintfAndFullStreamReportedOnce) {
    testsupport::ScratchDir dir;
    OutputFile out{standardOutputName};
    FILE* file = fopen("means.txt", "w");
    printMeanLine(&out, file, 3, 2.5);
    fclose(file);
    EXPECT_EQ(readFile("means.txt"), "3 - 2.500000\n");
    FILE* full = fopen("/dev/full", "w");
    testing::internal::CaptureStderr();
    printMeanLine(&out, full, 1, 1.0);
    printMeanLine(&out, full, 2, 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Erro ao gravar a saida padrao: No space left on device\n");
    fclose(full);
}

TEST(StopSignals, FirstIsRecordedSecondRemovesTemporariesAndKills) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        installStopHandlers();
        raise(SIGTERM);
        PendingFile pending;
        if (stopSignal() != SIGTERM || beginReplace(&pending, "out.txt") != 0 || entries() != 1) {
            return 1;
        }
        raise(SIGINT);
        return 2;
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_EQ(entries(), 0u);
}

TEST(StopSignals, SignalIgnoredAtStartStaysIgnored) {
    const int status = inChild([] {
        signal(SIGINT, SIG_IGN);
        installStopHandlers();
        raise(SIGINT);
        raise(SIGINT);
        return stopSignal();
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
