// Built twice: with the configured settings and with printInfoProcess on.
#include "app/diagworker.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"

namespace {

// A recognisable "never written" slot value.
const float unwritten = std::nanf("0x5a5a");

bool isUnwritten(float v) {
    uint32_t a, b;
    std::memcpy(&a, &v, 4);
    std::memcpy(&b, &unwritten, 4);
    return a == b;
}

struct SumRun {
    Matrix matrix{};
    Array results{};
    SumRun(uint32_t rows, uint32_t columns, float fill) {
        EXPECT_TRUE(createMatrix(&matrix, rows, columns));
        fillMatrix(matrix, fill);
        const uint32_t slots = matrix.diagonals > 0 ? static_cast<uint32_t>(matrix.diagonals) : 0;
        EXPECT_TRUE(createArray(&results, slots));
        results.top = static_cast<int32_t>(slots) - 1;
        for (uint32_t d = 0; d < slots; d++) {
            results.data[d].value = unwritten;
        }
    }
    ~SumRun() {
        deleteArray(&results);
        deleteMatrix(&matrix);
    }
    // Starts the workers whose indices are listed, all told there are
    // `numThreads` of them, and joins them.
    void sumWith(int32_t numThreads, const std::vector<uint16_t>& ids) {
        std::vector<ThreadArgs> args;
        for (uint16_t id : ids) {
            args.push_back(ThreadArgs{&matrix, id, numThreads, &results});
        }
        std::vector<pthread_t> threads(ids.size());
        for (size_t i = 0; i < ids.size(); i++) {
            ASSERT_EQ(pthread_create(&threads[i], nullptr, threadSumFunc, &args[i]), 0);
        }
        for (pthread_t t : threads) {
            pthread_join(t, nullptr);
        }
    }
    void sumWith(int32_t numThreads) {
        std::vector<uint16_t> ids;
        for (int32_t i = 0; i < numThreads; i++) {
            ids.push_back(static_cast<uint16_t>(i));
        }
        sumWith(numThreads, ids);
    }
    float slot(int32_t d) const { return results.data[d].value; }
};

std::vector<float> slots(const SumRun& run) {
    std::vector<float> out;
    for (int32_t d = 0; d < run.matrix.diagonals; d++) {
        out.push_back(run.slot(d));
    }
    return out;
}

}  // namespace

TEST(DiagonalSum, OneWorkerOnFiveHundredSquareOfOnes) {
    testing::internal::CaptureStdout();
    SumRun run(500, 500, 1.0f);
    run.sumWith(1);
    testing::internal::GetCapturedStdout();
    for (int32_t d = 0; d < 999; d++) {
        const float expected = d <= 499 ? static_cast<float>(d + 1) : static_cast<float>(999 - d);
        ASSERT_EQ(run.slot(d), expected) << "diagonal " << d;
    }
}

TEST(DiagonalSum, AddsCellsFromTopLeftEndInOrder) {
    // 1e8 + 1 + 1 ... in float: walking from the big cell first loses every 1,
    // walking the other way would not.
    SumRun run(3, 3, 1.0f);
    run.matrix.values[0][0] = 1e8f;
    testing::internal::CaptureStdout();
    run.sumWith(1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.slot(2), 1e8f);
    run.matrix.values[0][0] = 1.0f;
    run.matrix.values[2][2] = 1e8f;
    testing::internal::CaptureStdout();
    run.sumWith(1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.slot(2), 1e8f + 2.0f);
}

TEST(DiagonalSum, AnyWorkerCountLeavesSameSlotsAsOne) {
    for (auto [rows, columns] : {std::pair{3u, 4u}, {37u, 11u}, {5u, 60u}}) {
        SumRun reference(rows, columns, 0.0f);
        for (int32_t i = 0; i < reference.matrix.rows; i++) {
            for (int32_t j = 0; j < reference.matrix.columns; j++) {
                reference.matrix.values[i][j] = 0.25f * static_cast<float>((i * 7 + j * 3) % 11);
            }
        }
        testing::internal::CaptureStdout();
        reference.sumWith(1);
        for (int32_t workers : {2, 3, 4, 7, 16, 64, 127, 300}) {
            SumRun run(rows, columns, 0.0f);
            for (int32_t i = 0; i < run.matrix.rows; i++) {
                std::memcpy(run.matrix.values[i], reference.matrix.values[i], sizeof(float) * columns);
            }
            run.sumWith(workers);
            EXPECT_EQ(slots(run), slots(reference))
                << rows << " x " << columns << ", " << workers << " workers";
        }
        testing::internal::GetCapturedStdout();
    }
}

TEST(DiagonalSum, EachWorkerWritesOnlyItsOwnDiagonals) {
    // Workers run alone, so every slot written is one of theirs: together
    // they write each slot exactly once.
    for (int32_t workers : {1, 4, 6, 9}) {
        std::vector<int> writes(6, 0);
        for (int32_t k = 0; k < workers; k++) {
            SumRun run(3, 4, 1.0f);
            testing::internal::CaptureStdout();
            run.sumWith(workers, {static_cast<uint16_t>(k)});
            testing::internal::GetCapturedStdout();
            for (int32_t d = 0; d < 6; d++) {
                const bool mine = d % workers == k;
                EXPECT_EQ(!isUnwritten(run.slot(d)), mine)
                    << "worker " << k << " of " << workers << ", diagonal " << d;
                writes[d] += isUnwritten(run.slot(d)) ? 0 : 1;
            }
        }
        for (int count : writes) {
            EXPECT_EQ(count, 1) << workers << " workers";
        }
    }
}

TEST(DiagonalSum, MatricesWithoutDiagonalsEndAtOnce) {
    Matrix empty{};
    ASSERT_TRUE(createMatrix(&empty, 0, 0));
    Array results{};
    ASSERT_TRUE(createArray(&results, 0));
    ThreadArgs args{&empty, 0, 1, &results};
    pthread_t t;
    testing::internal::CaptureStdout();
    ASSERT_EQ(pthread_create(&t, nullptr, threadSumFunc, &args), 0);
    pthread_join(t, nullptr);
    testing::internal::GetCapturedStdout();
    deleteArray(&results);
    deleteMatrix(&empty);
}

TEST(DiagonalSum, DegenerateShapesWriteNoSlot) {
    // 0 x 5 has "diagonals" but no cells.
    SumRun run(0, 5, 1.0f);
    testing::internal::CaptureStdout();
    run.sumWith(2);
    testing::internal::GetCapturedStdout();
    for (int32_t d = 0; d < run.matrix.diagonals; d++) {
        EXPECT_TRUE(isUnwritten(run.slot(d)));
    }
}

TEST(DiagonalSum, NoWorkerStepBelowOneSumsNothing) {
    SumRun run(3, 4, 1.0f);
    testing::internal::CaptureStdout();
    run.sumWith(0, {0});
    run.sumWith(-3, {1});
    testing::internal::GetCapturedStdout();
    for (int32_t d = 0; d < 6; d++) {
        EXPECT_TRUE(isUnwritten(run.slot(d)));
    }
}

// Progress lines: exactly one start line, one line per diagonal and one end
// line per worker, in these formats.
#if DIAGSUM_PRINT_INFO_PROCESS
TEST(WorkerProgress, OneStartOneLinePerDiagonalOneEnd) {
    SumRun run(3, 4, 1.0f);
    testing::internal::CaptureStdout();
    run.sumWith(4);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::regex start(R"(\[Thread (\d+) iniciando\])");
    const std::regex diag("T(\\d+) : \\[DG: (\\d\\d+), \tSM: (\\d+\\.\\d\\d)\\]");
    const std::regex end(R"(\[Thread (\d+) terminou, fez (\d+) somas\])");
    std::vector<int> starts(4), ends(4), sumsReported(4, -1), diagonalLines(6);
    std::istringstream lines(out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, m, start)) {
            starts.at(std::stoi(m[1]))++;
        } else if (std::regex_match(line, m, end)) {
            ends.at(std::stoi(m[1]))++;
            sumsReported.at(std::stoi(m[1])) = std::stoi(m[2]);
        } else if (std::regex_match(line, m, diag)) {
            const int worker = std::stoi(m[1]);
            const int d = std::stoi(m[2]);
            EXPECT_EQ(d % 4, worker);
            diagonalLines.at(d)++;
            const float expected = static_cast<float>(d <= 2 ? d + 1 : (d == 3 ? 3 : 6 - d));
            char text[32];
            snprintf(text, sizeof text, "%.2f", static_cast<double>(expected));
            EXPECT_EQ(m[3].str(), text);
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_EQ(starts, std::vector<int>(4, 1));
    EXPECT_EQ(ends, std::vector<int>(4, 1));
    EXPECT_EQ(sumsReported, (std::vector<int>{2, 2, 1, 1}));
    EXPECT_EQ(diagonalLines, std::vector<int>(6, 1));
    EXPECT_NE(out.find("T0 : [DG: 00, \tSM: 1.00]\n"), std::string::npos);
}
#endif

#if DIAGSUM_PRINT_INFO_PROCESS
TEST(WorkerProgress, WorkerPastLastDiagonalReportsZeroSums) {
    SumRun run(3, 4, 1.0f);
    testing::internal::CaptureStdout();
    run.sumWith(8, {7});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[Thread 7 iniciando]\n[Thread 7 terminou, fez 0 somas]\n");
}
#endif

#if !DIAGSUM_PRINT_INFO_PROCESS
TEST(WorkerProgress, SilentWithoutPrintInfoProcess) {
    SumRun run(30, 40, 1.0f);
    testing::internal::CaptureStdout();
    run.sumWith(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
#endif
