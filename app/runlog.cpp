#include "app/runlog.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "floatfiles/fixedtext.h"

void executionDataToCSV(ExecutionData data, const char* fileName) {
    FILE* file = fopen(fileName, "a+");
    if (file == nullptr) {
        return;
    }
    // "%.2lf" with a decimal comma, then "; %d" four times; any double fits.
    char line[fixedTextCapacity(2) + 4 * 13 + 2];
    char* end = formatFixed(line, data.time, 2);
    *end = '\0';
    replaceChar(line, '.', ',');
    for (int32_t field : {data.rows, data.columns, data.diagonals, data.threads}) {
        *end++ = ';';
        *end++ = ' ';
        end = std::to_chars(end, line + sizeof line, field).ptr;
    }
    *end++ = '\n';
    fwrite(line, 1, static_cast<size_t>(end - line), file);
    fclose(file);
}

void replaceChar(char* text, char find, char replacement) {
    if (text == nullptr) {
        return;
    }
    for (; *text != '\0'; text++) {
        if (*text == find) {
            *text = replacement;
        }
    }
}

namespace runlog {

void pause() {
    printf("\nPressione enter para continuar...");
    getchar();
}

}  // namespace runlog
