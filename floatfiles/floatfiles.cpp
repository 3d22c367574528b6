#include "floatfiles/floatfiles.h"

#include <cstdio>
#include <cstdlib>

#include "floatfiles/fixedtext.h"

void arrayFloatToFile(Array array, const char* fileName) {
    FILE* file = fopen(fileName, "w+");
    if (file == nullptr) {
        return;
    }
    // The lines are formatted into one block and written in large pieces;
    // the file is rewritten after every run of the sweep.
    constexpr int decimals = 6;  // as "%f"
    char block[64 * 1024];
    char* end = block;
    for (int32_t i = 0; i <= array.top; i++) {
        if (block + sizeof block - end < fixedTextCapacity(decimals) + 1) {
            fwrite(block, 1, static_cast<size_t>(end - block), file);
            end = block;
        }
        end = formatFixed(end, static_cast<double>(array.data[i].value), decimals);
        *end++ = '\n';
    }
    fwrite(block, 1, static_cast<size_t>(end - block), file);
    fclose(file);
}

void fileToMatrix(Matrix matrix, const char* fileName) {
    FILE* file = fopen(fileName, "r");
    if (file == nullptr) {
        return;
    }
    for (int32_t i = 0; i < matrix.rows; i++) {
        for (int32_t j = 0; j < matrix.columns; j++) {
            // The format also takes the white space after a value, so the
            // end-of-file flag is up as soon as the last value is read.
            float value;
            if (feof(file) || fscanf(file, "%f ", &value) != 1) {
                fclose(file);
                return;
            }
            setElement(matrix, Coord{i, j}, value);
        }
    }
    fclose(file);
}

void generateRandomFloatFile(const char* fileName, int32_t count) {
    FILE* file = fopen(fileName, "w");
    if (file == nullptr) {
        return;
    }
    for (int32_t i = 0; i < count; i++) {
        const auto step = static_cast<float>(rand() % 60);
        fprintf(file, "%f ", static_cast<double>(step) / 10.0 * 5.0);
    }
    fclose(file);
}
