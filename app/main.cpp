#include "app/main.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "app/diagrun.h"
#include "app/diagworker.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "floatfiles/floatfiles.h"
#include "i18n/messages.h"
#include "outputs/outfiles.h"

static_assert(default_M > 0 && default_N > 0, "the single run needs at least one row and one column");
static_assert(default_NumThreads > 0 && default_NumThreads <= maxWorkers,
              "the single run needs 1 to 65536 workers");

namespace {

struct Sizes {
    int32_t rows;
    int32_t columns;
    int32_t workers;
};

// The three whitespace-separated integers of one answer line; false when
// the line holds anything else or a number does not fit an int32.
bool parseAnswer(std::string_view line, Sizes* sizes) {
    int32_t* fields[] = {&sizes->rows, &sizes->columns, &sizes->workers};
    constexpr std::string_view blanks = " \t\r\n\v\f";
    for (int32_t* field : fields) {
        const auto first = line.find_first_not_of(blanks);
        if (first == std::string_view::npos) {
            return false;
        }
        line.remove_prefix(first);
        const auto end = std::min(line.find_first_of(blanks), line.size());
        if (!parseBoundedInt(line.substr(0, end), INT32_MIN, INT32_MAX, field)) {
            return false;
        }
        line.remove_prefix(end);
    }
    return line.find_first_not_of(blanks) == std::string_view::npos;
}

// One line from standard input, without its newline; false at end of input
// with nothing read.
bool readAnswerLine(std::string* line) {
    line->clear();
    int c;
    while ((c = getchar()) != EOF && c != '\n') {
        line->push_back(static_cast<char>(c));
    }
    return c != EOF || !line->empty();
}

// Asks for the three sizes, read as one line; prints why and returns false
// when they cannot be used.
bool askSizes(Sizes* sizes) {
    puts("Digite os valores:\n<linhas> <colunas> <qtd. de threads>");
    std::string line;
    if (!readAnswerLine(&line) || !parseAnswer(line, sizes)) {
        printf("%s\n", _("Invalid input: type three integers"));
        return false;
    }
    if (sizes->rows <= 0 || sizes->columns <= 0) {
        printf("%s\n", _("Invalid input: rows and columns must be greater than zero"));
        return false;
    }
    std::string why;
    if (!matrixSizeFits(sizes->rows, sizes->columns, &why)) {
        printf(_("Invalid input: %s\n"), why.c_str());
        return false;
    }
    if (sizes->workers <= 0 || sizes->workers > maxWorkers) {
        printf(_("Invalid input: the thread count must be between 1 and %d\n"), maxWorkers);
        return false;
    }
    return true;
}

void printSums(Array results) {
    for (int32_t d = 0; d <= results.top; d++) {
        printf("Soma da diagonal %d = [%.2f]\n", d, static_cast<double>(results.data[d].value));
    }
}

}  // namespace

int nomain() {
    return singleRun(SingleOptions{});
}

int singleRun(const SingleOptions& options) {
    Sizes sizes{default_M, default_N, default_NumThreads};
    if (options.sizeGiven) {
        sizes.rows = options.rows;
        sizes.columns = options.columns;
    } else if (getInputFromUser && !askSizes(&sizes)) {
        return -1;
    }
    if (options.threadsGiven) {
        sizes.workers = options.threads;
    }
    const bool logging = generateExecutionData && options.log;
    const std::string logPath = logging ? options.logPath : "";
    if (outputsClash("diagsum-single", logPath, options.outPath, "")) {
        return usageExitStatus;
    }
    DriverOutputs outputs;
    if (!openDriverOutputs(&outputs, logPath, options.outPath, "")) {
        closeDriverOutputs(&outputs);
        return 1;
    }
    printf("Matriz: (%d X %d)\nThreads: %d\n", sizes.rows, sizes.columns, sizes.workers);
    if (getInputFromUser) {
        runlog::pause();
    }
    if (stopSignal() != 0) {  // while waiting for Enter: nothing measured
        closeDriverOutputs(&outputs);
        return driverExitStatus(outputs);
    }

    DiagRun run;
    double elapsed;
    if (!timeDiagRun(&run, sizes.rows, sizes.columns, sizes.workers, &elapsed)) {
        closeDriverOutputs(&outputs);
        return -1;
    }

    printSums(run.results);
    printf("*");
    writeWholeFile(&outputs.out, floatLines(run.results));
    printf("*");
    deleteMatrix(&run.matrix);
    printf("*");
    releaseDiagRun(&run);

    appendToLog(&outputs.log, ExecutionData{elapsed, run.matrix.rows, run.matrix.columns,
                                            run.matrix.diagonals, sizes.workers});
    printf("TEMPO GASTO: %.2lf s\n", elapsed / CLOCKS_PER_SEC);
    closeDriverOutputs(&outputs);
    return driverExitStatus(outputs);
}

int singleMain(int argc, char** argv) {
    holdStandardDescriptors();
    SingleOptions options;
    const int ended = commandLineExitStatus(parseSingleOptions(argc, argv, &options));
    if (ended >= 0) {
        return ended;
    }
    if (getInputFromUser && !options.sizeGiven && options.threadsGiven) {
        // The prompt asks for all three values; a count given beside it would
        // be silently overridden or silently ignored.
        fprintf(stderr, "diagsum-single: %s\n",
                _("--threads needs --size in this program, which asks for the values "
                  "(see diagsum-single --help)"));
        return usageExitStatus;
    }
    installStopHandlers();
    return singleRun(options);
}
