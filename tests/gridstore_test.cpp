#include "gridstore/gridstore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A matrix that releases itself; cells numbered row * 100 + column.
struct TestMatrix {
    Matrix m{};
    TestMatrix(uint32_t rows, uint32_t columns) {
        EXPECT_TRUE(createMatrix(&m, rows, columns));
        for (int32_t i = 0; i < m.rows; i++) {
            for (int32_t j = 0; j < m.columns; j++) {
                m.values[i][j] = static_cast<float>(i * 100 + j);
            }
        }
    }
    ~TestMatrix() { deleteMatrix(&m); }
};

Coord firstCell(Matrix m, uint32_t d) {
    Coord c{-7, -7};
    EXPECT_TRUE(digaNumToCoord(m, d, &c)) << "diagonal " << d;
    return c;
}

// Walks diagonal d and returns the cells visited, first cell included.
std::vector<std::pair<int, int>> walk(Matrix m, uint32_t d) {
    Coord c = firstCell(m, d);
    std::vector<std::pair<int, int>> cells{{c.row, c.column}};
    while (getNextElementPositionMdiags(m, &c)) {
        cells.emplace_back(c.row, c.column);
    }
    return cells;
}

}  // namespace

TEST(MatrixCreation, RecordsSizesAndDiagonals) {
    TestMatrix t(3, 4);
    EXPECT_EQ(t.m.rows, 3);
    EXPECT_EQ(t.m.columns, 4);
    EXPECT_EQ(t.m.diagonals, 6);
    ASSERT_NE(t.m.values, nullptr);
}

TEST(MatrixCreation, RefusesSizesBeyondInt32WithoutAllocating) {
    Matrix m{};
    EXPECT_FALSE(createMatrix(&m, 0x80000000u, 1));
    EXPECT_EQ(m.values, nullptr);
    EXPECT_FALSE(createMatrix(&m, 1, 0x80000000u));
    EXPECT_EQ(m.values, nullptr);
    // Each side fits, the diagonal count does not.
    EXPECT_FALSE(createMatrix(&m, 0x40000000u, 0x40000001u));
    EXPECT_EQ(m.values, nullptr);
    deleteMatrix(&m);  // nothing to release
}

TEST(MatrixCreation, ZeroSizesGiveUsableEmptyMatrices) {
    for (auto [rows, columns] : {std::pair{0u, 0u}, {0u, 3u}, {3u, 0u}}) {
        Matrix m{};
        ASSERT_TRUE(createMatrix(&m, rows, columns));
        fillMatrix(m, 1.0f);
        float v = 0;
        EXPECT_FALSE(getElement(m, Coord{0, 0}, &v));
        deleteMatrix(&m);
        EXPECT_EQ(m.values, nullptr);
        EXPECT_EQ(m.rows, static_cast<int32_t>(rows)) << "sizes stay readable after release";
    }
}

TEST(DiagonalNumbering, OneByOneHasOneDiagonal) {
    TestMatrix t(1, 1);
    EXPECT_EQ(t.m.diagonals, 1);
    Coord c = firstCell(t.m, 0);
    EXPECT_EQ(c.row, 0);
    EXPECT_EQ(c.column, 0);
    Coord untouched{9, 9};
    EXPECT_FALSE(digaNumToCoord(t.m, 1, &untouched));
    EXPECT_EQ(untouched.row, 9);
    EXPECT_EQ(untouched.column, 9);
    EXPECT_FALSE(getNextElementPositionMdiags(t.m, &c));
}

TEST(DiagonalNumbering, ThreeByFourStartsFromBottomLeft) {
    TestMatrix t(3, 4);
    const std::pair<int, int> starts[] = {{2, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {0, 3}};
    for (uint32_t d = 0; d < 6; d++) {
        Coord c = firstCell(t.m, d);
        EXPECT_EQ(std::pair(c.row, c.column), starts[d]) << "diagonal " << d;
    }
    Coord c{};
    EXPECT_FALSE(digaNumToCoord(t.m, 6, &c));
    EXPECT_FALSE(digaNumToCoord(t.m, UINT32_MAX, &c));
}

TEST(DiagonalNumbering, ZeroByZeroHasNoDiagonals) {
    Matrix m{};
    ASSERT_TRUE(createMatrix(&m, 0, 0));
    EXPECT_EQ(m.diagonals, -1);
    Coord c{5, 5};
    for (uint32_t d : {0u, 1u, 1000u, UINT32_MAX}) {
        EXPECT_FALSE(digaNumToCoord(m, d, &c)) << d;
    }
    EXPECT_EQ(c.row, 5);
    deleteMatrix(&m);
}

TEST(DiagonalWalk, StopsAtLastCellAndKeepsCoordinate) {
    TestMatrix t(3, 3);
    Coord c{0, 0};
    ASSERT_TRUE(getNextElementPositionMdiags(t.m, &c));
    EXPECT_EQ(std::pair(c.row, c.column), std::pair(1, 1));
    ASSERT_TRUE(getNextElementPositionMdiags(t.m, &c));
    EXPECT_EQ(std::pair(c.row, c.column), std::pair(2, 2));
    EXPECT_FALSE(getNextElementPositionMdiags(t.m, &c));
    EXPECT_EQ(std::pair(c.row, c.column), std::pair(2, 2));
}

TEST(DiagonalWalk, CoversEveryCellOnceForTallAndWideShapes) {
    for (auto [rows, columns] : {std::pair{7u, 3u}, {3u, 7u}, {1u, 5u}, {5u, 1u}, {4u, 4u}}) {
        TestMatrix t(rows, columns);
        std::vector<int> seen(rows * columns, 0);
        for (uint32_t d = 0; d < static_cast<uint32_t>(t.m.diagonals); d++) {
            const auto cells = walk(t.m, d);
            for (auto [r, c] : cells) {
                EXPECT_EQ(c - r, static_cast<int>(d) - static_cast<int>(rows - 1));
                seen[r * columns + c]++;
            }
            // The walk ends on the bottom or right edge.
            auto [r, c] = cells.back();
            EXPECT_TRUE(r == static_cast<int>(rows) - 1 || c == static_cast<int>(columns) - 1);
        }
        for (int count : seen) {
            EXPECT_EQ(count, 1) << rows << " x " << columns;
        }
    }
}

TEST(DiagonalWalk, StepFromInt32EdgeLeavesCoordinateUnchanged) {
    TestMatrix t(2, 2);
    Coord c{INT32_MAX, 0};
    EXPECT_FALSE(getNextElementPositionMdiags(t.m, &c));
    EXPECT_EQ(c.row, INT32_MAX);
    c = Coord{0, INT32_MAX};
    EXPECT_FALSE(getNextElementPositionMdiags(t.m, &c));
    EXPECT_EQ(c.column, INT32_MAX);
    c = Coord{-1, -1};  // outside, but its next cell (0, 0) is inside
    EXPECT_TRUE(getNextElementPositionMdiags(t.m, &c));
}

TEST(ElementAccess, OutsideReadsGiveMarkerAndFalse) {
    TestMatrix t(3, 4);
    for (Coord c : {Coord{-1, 0}, Coord{0, -1}, Coord{3, 0}, Coord{0, 4}, Coord{INT32_MIN, INT32_MAX}}) {
        float v = 1.0f;
        EXPECT_FALSE(coordIsInsideMatrix(t.m, c));
        EXPECT_FALSE(getElement(t.m, c, &v));
        EXPECT_EQ(v, -500.0f);
    }
    float v = 0;
    EXPECT_TRUE(getElement(t.m, Coord{2, 3}, &v));
    EXPECT_EQ(v, 203.0f);
}

TEST(ElementAccess, OutsideWritesChangeNoCell) {
    TestMatrix t(3, 4);
    for (Coord c : {Coord{-1, 0}, Coord{0, -1}, Coord{3, 0}, Coord{0, 4}, Coord{3, 4}}) {
        EXPECT_FALSE(setElement(t.m, c, 42.0f));
    }
    for (int32_t i = 0; i < 3; i++) {
        for (int32_t j = 0; j < 4; j++) {
            EXPECT_EQ(t.m.values[i][j], static_cast<float>(i * 100 + j));
        }
    }
    EXPECT_TRUE(setElement(t.m, Coord{1, 2}, 42.0f));
    EXPECT_EQ(t.m.values[1][2], 42.0f);
}

TEST(ElementAccess, FillSetsEveryCell) {
    TestMatrix t(5, 3);
    fillMatrix(t.m, 2.5f);
    for (int32_t i = 0; i < 5; i++) {
        for (int32_t j = 0; j < 3; j++) {
            EXPECT_EQ(t.m.values[i][j], 2.5f);
        }
    }
}

TEST(RandomFill, SameSeedGivesSameMatrix) {
    TestMatrix a(7, 9), b(7, 9);
    srand(12345);
    fillMatrixWithRandom(a.m);
    srand(12345);
    fillMatrixWithRandom(b.m);
    for (int32_t i = 0; i < 7; i++) {
        for (int32_t j = 0; j < 9; j++) {
            EXPECT_EQ(a.m.values[i][j], b.m.values[i][j]);
        }
    }
}

TEST(RandomFill, OneRandPerCellInRowMajorOrder) {
    TestMatrix t(3, 4);
    srand(7);
    fillMatrixWithRandom(t.m);
    srand(7);
    for (int32_t i = 0; i < 3; i++) {
        for (int32_t j = 0; j < 4; j++) {
            EXPECT_EQ(t.m.values[i][j], static_cast<float>(rand()));
        }
    }
}

TEST(MatrixPrinting, OneLinePerRowOfBracketedCells) {
    TestMatrix t(2, 2);
    fillMatrix(t.m, 1.0f);
    t.m.values[1][0] = -2.25f;
    testing::internal::CaptureStdout();
    printMatrix(t.m);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[1.0] [1.0] \n[-2.2] [1.0] \n");
}

TEST(MatrixPrinting, NoRowsPrintNothingNoColumnsPrintEmptyLines) {
    Matrix noRows{}, noColumns{};
    ASSERT_TRUE(createMatrix(&noRows, 0, 3));
    ASSERT_TRUE(createMatrix(&noColumns, 3, 0));
    testing::internal::CaptureStdout();
    printMatrix(noRows);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    printMatrix(noColumns);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n\n");
    deleteMatrix(&noRows);
    deleteMatrix(&noColumns);
}
