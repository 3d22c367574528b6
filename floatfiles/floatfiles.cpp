#include "floatfiles/floatfiles.h"

#include <cstdio>
#include <cstdlib>

void arrayFloatToFile(Array array, const char* fileName) {
    FILE* file = fopen(fileName, "w+");
    if (file == nullptr) {
        return;
    }
    for (int32_t i = 0; i <= array.top; i++) {
        fprintf(file, "%f\n", static_cast<double>(array.data[i].value));
    }
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
