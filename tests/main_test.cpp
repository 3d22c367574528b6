// Built three times: with the configured settings, with getInputFromUser on
// and with generateExecutionData off; each test is built where its settings hold.
#include "app/main.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "app/settings.h"
#include "testsupport.h"

using testsupport::readFile;

namespace {

// The sum lines nomain prints for a rows x columns matrix of ones.
[[maybe_unused]] std::string sumLines(int rows, int columns) {
    std::string text;
    for (int d = 0; d < rows + columns - 1; d++) {
        const int fromStart = d + 1;
        const int fromEnd = rows + columns - 1 - d;
        const int length = std::min({fromStart, fromEnd, rows, columns});
        char line[64];
        snprintf(line, sizeof line, "Soma da diagonal %d = [%.2f]\n", d, static_cast<double>(length));
        text += line;
    }
    return text;
}

// The sums as out.txt holds them.
[[maybe_unused]] std::string outFile(int rows, int columns) {
    std::string text;
    for (int d = 0; d < rows + columns - 1; d++) {
        const int length = std::min({d + 1, rows + columns - 1 - d, rows, columns});
        char line[64];
        snprintf(line, sizeof line, "%f\n", static_cast<double>(length));
        text += line;
    }
    return text;
}

const std::regex timeLine(R"(\*\*\*TEMPO GASTO: \d+\.\d\d s\n$)");
const std::string prompt = "Digite os valores:\n<linhas> <colunas> <qtd. de threads>\n";
const std::string pausePrompt = "\nPressione enter para continuar...";

struct Outcome {
    int result;
    std::string out;
};

Outcome runSingle(const std::string& input = "") {
    testsupport::feedStdin(input);
    testing::internal::CaptureStdout();
    const int result = nomain();
    return {result, testing::internal::GetCapturedStdout()};
}

}  // namespace

#if !DIAGSUM_GET_INPUT_FROM_USER && !DIAGSUM_PRINT_INFO_PROCESS && DIAGSUM_GENERATE_EXECUTION_DATA && \
    DIAGSUM_DEFAULT_M == 500 && DIAGSUM_DEFAULT_N == 500 && DIAGSUM_DEFAULT_NUM_THREADS == 1
TEST(SingleRun, DefaultSettingsReportEveryDiagonalAndTheTime) {
    testsupport::ScratchDir dir;
    const Outcome run = runSingle();
    EXPECT_EQ(run.result, 0);
    const std::string head = "Matriz: (500 X 500)\nThreads: 1\n" + sumLines(500, 500);
    ASSERT_EQ(run.out.substr(0, head.size()), head);
    EXPECT_TRUE(std::regex_match(run.out.substr(head.size()), timeLine)) << run.out.substr(head.size());
    EXPECT_EQ(readFile("out.txt"), outFile(500, 500));
    EXPECT_TRUE(std::regex_match(readFile("infoData.csv"), std::regex(R"(\d+,\d\d; 500; 500; 999; 1\n)")))
        << readFile("infoData.csv");
}
#endif

#if !DIAGSUM_GET_INPUT_FROM_USER && DIAGSUM_GENERATE_EXECUTION_DATA
TEST(SingleRun, SecondRunAppendsToLogAndRewritesResults) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("out.txt", std::string(100000, 'x'));
    ASSERT_EQ(runSingle().result, 0);
    ASSERT_EQ(runSingle().result, 0);
    EXPECT_EQ(readFile("out.txt"), outFile(default_M, default_N));
    const std::string log = readFile("infoData.csv");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}
#endif

#if DIAGSUM_GET_INPUT_FROM_USER && !DIAGSUM_PRINT_INFO_PROCESS
TEST(SingleRun, AsksForSizesAndWaitsForEnter) {
    testsupport::ScratchDir dir;
    const Outcome run = runSingle("3 4 2\n\n");
    EXPECT_EQ(run.result, 0);
    const std::string head = prompt + "Matriz: (3 X 4)\nThreads: 2\n" + pausePrompt +
                             "Soma da diagonal 0 = [1.00]\nSoma da diagonal 1 = [2.00]\n"
                             "Soma da diagonal 2 = [3.00]\nSoma da diagonal 3 = [3.00]\n"
                             "Soma da diagonal 4 = [2.00]\nSoma da diagonal 5 = [1.00]\n";
    ASSERT_EQ(run.out.substr(0, head.size()), head);
    EXPECT_TRUE(std::regex_match(run.out.substr(head.size()), timeLine));
    EXPECT_EQ(readFile("out.txt"), "1.000000\n2.000000\n3.000000\n3.000000\n2.000000\n1.000000\n");
    if (generateExecutionData) {
        EXPECT_TRUE(std::regex_match(readFile("infoData.csv"), std::regex(R"(\d+,\d\d; 3; 4; 6; 2\n)")));
    }
}

TEST(SingleRun, MoreWorkersThanDiagonalsStillSumsEachOnce) {
    testsupport::ScratchDir dir;
    const Outcome run = runSingle("2 3 40\n\n");
    EXPECT_EQ(run.result, 0);
    EXPECT_NE(run.out.find("Threads: 40\n" + pausePrompt + sumLines(2, 3) + "***TEMPO GASTO: "),
              std::string::npos)
        << run.out;
    EXPECT_EQ(readFile("out.txt"), outFile(2, 3));
}

TEST(SingleRun, TakesTheThreeNumbersAcrossLineBreaks) {
    // What is read: the answer up to the third number's line break, then the
    // pause's Enter; "next" is left for whoever reads on.
    for (const std::string answer : {"3\n4\n2\n", "3 4\n2\n", "\n 3\t4\n\n2  \r\n"}) {
        testsupport::ScratchDir dir;
        const Outcome run = runSingle(answer + "\nnext");
        EXPECT_EQ(run.result, 0) << answer;
        EXPECT_EQ(run.out.rfind(prompt + "Matriz: (3 X 4)\nThreads: 2\n" + pausePrompt, 0), 0u) << run.out;
        EXPECT_EQ(ftell(stdin), static_cast<long>(answer.size() + 1)) << answer;
    }
    testsupport::ScratchDir dir;
    EXPECT_EQ(runSingle("3 4 2").result, 0) << "the input may end right after the third number";
}
#endif

#if DIAGSUM_GET_INPUT_FROM_USER
TEST(SingleRun, RefusedInputCreatesAndWritesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Invalid input: type three integers\n"},
        {"abc\n", "Invalid input: type three integers\n"},
        {"3 4\n", "Invalid input: type three integers\n"},
        {"3 x 2\n", "Invalid input: type three integers\n"},
        {"0 4 2\n", "Invalid input: rows and columns must be greater than zero\n"},
        {"3 -1 2\n", "Invalid input: rows and columns must be greater than zero\n"},
        {"3 4 0\n", "Invalid input: the thread count must be between 1 and 65536\n"},
        {"3 4 -5\n", "Invalid input: the thread count must be between 1 and 65536\n"},
        {"3 4 65537\n", "Invalid input: the thread count must be between 1 and 65536\n"},
        // Exactly three integers, each within int32, and nothing after the third on its line.
        {"3 4 2.7\n", "Invalid input: type three integers\n"},
        {"3 4 2abc\n", "Invalid input: type three integers\n"},
        {"3 4 4294967298\n", "Invalid input: type three integers\n"},
        {"3 4 2 5\n", "Invalid input: type three integers\n"},
        {"3\n4\n", "Invalid input: type three integers\n"},
        {"2147483647 2 1\n", "Invalid input: rows + columns - 1 must fit in 2147483647\n"},
    };
    for (auto [input, message] : cases) {
        testsupport::ScratchDir dir;
        const Outcome run = runSingle(input);
        EXPECT_EQ(run.result, -1) << input;
        EXPECT_EQ(run.out, prompt + message) << input;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << input;
    }
}
#endif

#if !DIAGSUM_GENERATE_EXECUTION_DATA && !DIAGSUM_GET_INPUT_FROM_USER
TEST(SingleRun, WithoutExecutionDataTheLogIsNeitherCreatedNorChanged) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(runSingle().result, 0);
    EXPECT_FALSE(std::filesystem::exists("infoData.csv"));
    EXPECT_TRUE(std::filesystem::exists("out.txt"));
    testsupport::writeFile("infoData.csv", "1,00; 1; 1; 1; 1\n");
    ASSERT_EQ(runSingle().result, 0);
    EXPECT_EQ(readFile("infoData.csv"), "1,00; 1; 1; 1; 1\n");
}
#endif
