#include "app/runlog.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <initializer_list>

#include "floatfiles/fixedtext.h"
#include "outputs/wholeline.h"

// "%.2lf", then "; %d" four times and the newline; any double fits.
static_assert(sizeof(ExecutionLine::text) >= fixedTextCapacity(2) + 4 * 13 + 2);

ExecutionLine formatExecutionLine(ExecutionData data) {
    ExecutionLine line;
    char* end = formatFixed(line.text, data.time, 2);
    *end = '\0';
    replaceChar(line.text, '.', ',');
    for (int32_t field : {data.rows, data.columns, data.diagonals, data.threads}) {
        *end++ = ';';
        *end++ = ' ';
        end = std::to_chars(end, line.text + sizeof line.text, field).ptr;
    }
    *end++ = '\n';
    line.length = static_cast<size_t>(end - line.text);
    return line;
}

void executionDataToCSV(ExecutionData data, const char* fileName) {
    const int fd = open(fileName, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return;
    }
    const ExecutionLine line = formatExecutionLine(data);
    TornLine torn;
    appendWholeLine(fd, line.text, line.length, &torn);
    close(fd);
}

void appendToLog(LogAppender* log, ExecutionData data) {
    const ExecutionLine line = formatExecutionLine(data);
    appendLogLine(log, line.text, line.length);
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
