// Feeds arbitrary bytes, as a file, to fileToMatrix on matrices of several
// shapes. Whatever the bytes, the cells the reader sets must be a row-major
// prefix, every other cell must keep its contents, and the k-th value read
// must be the same whatever the shape.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "floatfiles/floatfiles.h"
#include "gridstore/gridstore.h"

namespace {

struct Shape {
    uint32_t rows;
    uint32_t columns;
};

constexpr Shape shapes[] = {{1, 1}, {2, 3}, {3, 2}, {4, 4}, {1, 16}, {16, 1}, {0, 3}, {3, 0}};

// Two distinct "untouched" patterns: a value read can equal at most one.
constexpr uint32_t untouchedA = 0x7fc0dead;
constexpr uint32_t untouchedB = 0xffc0beef;

float fromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t toBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

std::vector<uint32_t> readCells(Shape shape, const char* path, uint32_t untouched) {
    Matrix m{};
    if (!createMatrix(&m, shape.rows, shape.columns)) {
        abort();
    }
    fillMatrix(m, fromBits(untouched));
    fileToMatrix(m, path);
    std::vector<uint32_t> cells;
    for (int32_t i = 0; i < m.rows; i++) {
        for (int32_t j = 0; j < m.columns; j++) {
            cells.push_back(toBits(m.values[i][j]));
        }
    }
    deleteMatrix(&m);
    return cells;
}

const std::string& scratchPath() {
    static const std::string path = "/tmp/diagsum-fuzz-" + std::to_string(getpid()) + ".txt";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = scratchPath().c_str();
    FILE* file = fopen(path, "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0) {
        abort();
    }
    std::vector<uint32_t> valuesRead;  // the longest prefix seen so far
    for (Shape shape : shapes) {
        const auto a = readCells(shape, path, untouchedA);
        const auto b = readCells(shape, path, untouchedB);
        size_t set = 0;
        while (set < a.size() && (a[set] != untouchedA || b[set] != untouchedB)) {
            if (a[set] != b[set]) {
                abort();  // the same file gave two different values
            }
            set++;
        }
        for (size_t k = set; k < a.size(); k++) {
            if (a[k] != untouchedA || b[k] != untouchedB) {
                abort();  // a cell past the values read was changed
            }
        }
        for (size_t k = 0; k < set; k++) {
            if (k < valuesRead.size() && valuesRead[k] != a[k]) {
                abort();  // the k-th value depends on the shape
            }
        }
        if (set > valuesRead.size()) {
            valuesRead.assign(a.begin(), a.begin() + static_cast<long>(set));
        }
    }
    unlink(path);
    return 0;
}
