#include "floatfiles/floatfiles.h"

#include <cstdio>
#include <cstdlib>

#include "floatfiles/fixedtext.h"

std::string floatLines(Array array) {
    constexpr int decimals = 6;  // as "%f"
    const size_t count = array.top >= 0 ? static_cast<size_t>(array.top) + 1 : 0;
    std::string text;
    text.reserve(count * 12);  // sums of real runs: up to 6 integer digits
    char line[fixedTextCapacity(decimals) + 1];
    for (size_t i = 0; i < count; i++) {
        char* end = formatFixed(line, static_cast<double>(array.data[i].value), decimals);
        *end++ = '\n';
        text.append(line, static_cast<size_t>(end - line));
    }
    return text;
}

void arrayFloatToFile(Array array, const char* fileName) {
    FILE* file = fopen(fileName, "w+");
    if (file == nullptr) {
        return;
    }
    const std::string text = floatLines(array);
    fwrite(text.data(), 1, text.size(), file);
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
