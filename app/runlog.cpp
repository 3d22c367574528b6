#include "app/runlog.h"

#include <cstdio>

void executionDataToCSV(ExecutionData data, const char* fileName) {
    FILE* file = fopen(fileName, "a+");
    if (file == nullptr) {
        return;
    }
    // Large enough for "%.2f" of any double (309 integer digits at most).
    char time[320];
    snprintf(time, sizeof time, "%.2lf", data.time);
    replaceChar(time, '.', ',');
    fprintf(file, "%s; %d; %d; %d; %d\n", time, data.rows, data.columns, data.diagonals, data.threads);
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
