#include "floatfiles/floatfiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "floatfiles/fixedtext.h"
#include "testsupport.h"

using testsupport::readFile;

namespace {

struct Slots {
    Array array{};
    explicit Slots(std::initializer_list<float> values) {
        EXPECT_TRUE(createArray(&array, static_cast<uint32_t>(values.size())));
        for (float v : values) {
            array.data[++array.top].value = v;
        }
    }
    ~Slots() { deleteArray(&array); }
};

}  // namespace

TEST(ResultFile, OneSixDecimalLinePerSlotFromSlotZero) {
    testsupport::ScratchDir dir;
    Slots slots{1.0f, 2.5f, -3.25f, 500.0f, 0.1f};
    arrayFloatToFile(slots.array, "out.txt");
    EXPECT_EQ(readFile("out.txt"), "1.000000\n2.500000\n-3.250000\n500.000000\n0.100000\n");
}

TEST(ResultFile, WritesOnlySlotsInUse) {
    testsupport::ScratchDir dir;
    Slots slots{1.0f, 2.0f, 3.0f};
    slots.array.top = 0;
    arrayFloatToFile(slots.array, "out.txt");
    EXPECT_EQ(readFile("out.txt"), "1.000000\n");
}

TEST(ResultFile, TruncatesExistingFileAndEmptyArrayLeavesItEmpty) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("out.txt", "old contents that are longer than the new ones\n");
    Slots one{7.0f};
    arrayFloatToFile(one.array, "out.txt");
    EXPECT_EQ(readFile("out.txt"), "7.000000\n");
    Array empty{};
    ASSERT_TRUE(createArray(&empty, 0));
    arrayFloatToFile(empty, "out.txt");
    EXPECT_EQ(readFile("out.txt"), "");
    deleteArray(&empty);
}

TEST(ResultFile, NineHundredNinetyNineDiagonalsGiveAsManyLines) {
    testsupport::ScratchDir dir;
    Array results{};
    ASSERT_TRUE(createArray(&results, 999));
    results.top = 998;
    for (int d = 0; d < 999; d++) {
        results.data[d].value = static_cast<float>(d <= 499 ? d + 1 : 999 - d);
    }
    arrayFloatToFile(results, "out.txt");
    const std::string text = readFile("out.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 999);
    EXPECT_EQ(text.substr(0, 18), "1.000000\n2.000000\n");
    EXPECT_NE(text.find("\n500.000000\n499.000000\n"), std::string::npos);
    deleteArray(&results);
}

TEST(ResultFile, UnopenableFileIsSkipped) {
    testsupport::ScratchDir dir;
    Slots slots{1.0f};
    arrayFloatToFile(slots.array, "missing-directory/out.txt");
    EXPECT_FALSE(std::filesystem::exists("missing-directory"));
}

namespace {

constexpr float untouched = -77.0f;

// A matrix of `untouched` cells that releases itself.
struct FileMatrix {
    Matrix m{};
    FileMatrix(uint32_t rows, uint32_t columns) {
        EXPECT_TRUE(createMatrix(&m, rows, columns));
        fillMatrix(m, untouched);
    }
    ~FileMatrix() { deleteMatrix(&m); }
    std::vector<float> cells() const {
        std::vector<float> out;
        for (int32_t i = 0; i < m.rows; i++) {
            out.insert(out.end(), m.values[i], m.values[i] + m.columns);
        }
        return out;
    }
};

std::vector<float> readInto(uint32_t rows, uint32_t columns, const std::string& text) {
    testsupport::writeFile("matrix.txt", text);
    FileMatrix fm(rows, columns);
    fileToMatrix(fm.m, "matrix.txt");
    return fm.cells();
}

constexpr float U = untouched;

}  // namespace

TEST(MatrixFile, RandomFileRoundTripsForSeveralShapes) {
    testsupport::ScratchDir dir;
    for (auto [rows, columns] : {std::pair{1u, 1u}, {3u, 4u}, {4u, 3u}, {1u, 17u}, {20u, 20u}}) {
        const int32_t count = static_cast<int32_t>(rows * columns);
        srand(rows * 31 + columns);
        generateRandomFloatFile("random.txt", count);
        srand(rows * 31 + columns);
        std::vector<float> expected;
        for (int32_t i = 0; i < count; i++) {
            expected.push_back(static_cast<float>(rand() % 60) * 0.5f);
        }
        FileMatrix fm(rows, columns);
        fileToMatrix(fm.m, "random.txt");
        EXPECT_EQ(fm.cells(), expected) << rows << " x " << columns;
    }
}

TEST(MatrixFile, RandomFileFormat) {
    testsupport::ScratchDir dir;
    srand(1);
    generateRandomFloatFile("random.txt", 3);
    const std::string text = readFile("random.txt");
    EXPECT_TRUE(std::regex_match(text, std::regex(R"((\d{1,2}\.(0|5)00000 ){3})"))) << text;
    for (int32_t count : {0, -1, INT32_MIN}) {
        testsupport::writeFile("random.txt", "old");
        generateRandomFloatFile("random.txt", count);
        EXPECT_EQ(readFile("random.txt"), "") << count;
    }
}

TEST(MatrixFile, ShortFileFillsLeadingCellsOnly) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(readInto(2, 2, "1 2 3"), (std::vector<float>{1, 2, 3, U}));
    EXPECT_EQ(readInto(2, 2, "1\n2\t3\n\n"), (std::vector<float>{1, 2, 3, U}));
    EXPECT_EQ(readInto(2, 3, "  -1.5e1 0x10 inf"), (std::vector<float>{-15, 16, INFINITY, U, U, U}));
}

TEST(MatrixFile, ValuesBeyondLastCellAreIgnored) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(readInto(1, 2, "1 2 3 4 junk"), (std::vector<float>{1, 2}));
}

TEST(MatrixFile, TextThatIsNotANumberStopsTheReading) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(readInto(2, 2, "1 word 3"), (std::vector<float>{1, U, U, U}));
    EXPECT_EQ(readInto(2, 2, "word 1 2 3"), (std::vector<float>{U, U, U, U}));
    EXPECT_EQ(readInto(2, 2, "1 2 3 ?"), (std::vector<float>{1, 2, 3, U}));
    EXPECT_EQ(readInto(2, 2, "1 2,5 3"), (std::vector<float>{1, 2, U, U}));
}

TEST(MatrixFile, EmptyOrBlankFileChangesNoCell) {
    testsupport::ScratchDir dir;
    EXPECT_EQ(readInto(2, 2, ""), (std::vector<float>{U, U, U, U}));
    EXPECT_EQ(readInto(2, 2, " \n\t \n"), (std::vector<float>{U, U, U, U}));
}

TEST(MatrixFile, MissingFileChangesNoCell) {
    testsupport::ScratchDir dir;
    FileMatrix fm(2, 2);
    fileToMatrix(fm.m, "no-such-file.txt");
    EXPECT_EQ(fm.cells(), (std::vector<float>{U, U, U, U}));
}

namespace {

std::string viaPrintf(double value, int precision) {
    char text[400];
    snprintf(text, sizeof text, "%.*f", precision, value);
    return text;
}

std::string viaFormatFixed(double value, int precision) {
    char text[fixedTextCapacity(6)];
    return std::string(text, formatFixed(text, value, precision));
}

}  // namespace

TEST(FixedText, MatchesPrintfForSpecialAndEdgeValues) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.5,
                             2.5,
                             0.125,
                             2.675,
                             0.0000005,
                             0.0000015,
                             0.0000025,
                             0.005,
                             0.015,
                             0.025,
                             999999.995,
                             999999.99,
                             1234567.891,
                             9007199254740992.0,
                             9007199254740993.0,
                             -9007199254740991.0,
                             1e15,
                             1e16,
                             1e22,
                             1e23,
                             1e300,
                             DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             DBL_TRUE_MIN,
                             -DBL_TRUE_MIN,
                             FLT_MAX,
                             -FLT_MAX,
                             FLT_MIN,
                             FLT_TRUE_MIN,
                             static_cast<double>(0.1f),
                             1e-7,
                             123456.7890125,
                             INFINITY,
                             -INFINITY,
                             NAN,
                             -NAN,
                             std::nan("1")};
    for (double v : values) {
        for (int precision : {2, 6}) {
            EXPECT_EQ(viaFormatFixed(v, precision), viaPrintf(v, precision))
                << v << " %." << precision << "f";
        }
    }
}

TEST(FixedText, MatchesPrintfForManyRandomValues) {
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 200000; i++) {
        double v;
        if (i % 2 == 0) {
            // Any float, as the result file widens them.
            const auto bits = static_cast<uint32_t>(random());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            v = f;
        } else if (i % 4 == 1) {
            // Any double, as the run log's times.
            const uint64_t bits = random();
            std::memcpy(&v, &bits, sizeof v);
        } else {
            // Tick counts with a few decimals, and ties at the last place.
            v = static_cast<double>(random() % 100000000) / 100.0 + ((i % 8 == 3) ? 0.005 : 0.0);
        }
        for (int precision : {2, 6}) {
            ASSERT_EQ(viaFormatFixed(v, precision), viaPrintf(v, precision))
                << v << " %." << precision << "f";
        }
    }
}
