#include "app/main.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>

#include "app/diagrun.h"
#include "app/diagworker.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "i18n/messages.h"
#include "outputs/driveroutputs.h"

static_assert(default_M > 0 && default_N > 0, "the single run needs at least one row and one column");
static_assert(default_NumThreads > 0 && default_NumThreads <= maxWorkers,
              "the single run needs 1 to 65536 workers");

namespace {

struct Sizes {
    int32_t rows;
    int32_t columns;
    int32_t workers;
};

constexpr size_t longestAnswerNumber = 64;  // longer words are never an int32

bool isWhiteSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The next integer of the answer, skipping white space and line breaks before
// it as "%d" does, then taken whole: the word up to the next white space must
// be one integer within int32. `after` gets the character that ended the
// word (white space, or EOF), already consumed.
bool readAnswerNumber(int32_t* value, int* after) {
    int c;
    while ((c = getchar()) != EOF && isWhiteSpace(c)) {
    }
    std::string word;
    while (c != EOF && !isWhiteSpace(c)) {
        if (word.size() == longestAnswerNumber) {
            return false;
        }
        word.push_back(static_cast<char>(c));
        c = getchar();
    }
    *after = c;
    return parseBoundedInt(word, INT32_MIN, INT32_MAX, value);
}

// The three integers, on one line or across lines. The rest of the third
// number's line may hold only blanks and is consumed with its line break (the
// answer's Enter), so the pause that follows waits for a new one; false when
// anything else is there or the input ends before the third number.
bool readAnswer(Sizes* sizes) {
    int32_t* fields[] = {&sizes->rows, &sizes->columns, &sizes->workers};
    int after = EOF;
    for (int32_t* field : fields) {
        if (!readAnswerNumber(field, &after)) {
            return false;
        }
    }
    while (after != '\n' && after != EOF) {
        if (!isWhiteSpace(after)) {
            return false;
        }
        after = getchar();
    }
    return true;
}

// Asks for the three sizes; prints why and returns false
// when they cannot be used.
bool askSizes(Sizes* sizes) {
    puts("Digite os valores:\n<linhas> <colunas> <qtd. de threads>");
    if (!readAnswer(sizes)) {
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
    if (outputsClash("diagsum-single", logPath, options.outPath, "") ||
        (options.logNamed && logRefused("diagsum-single", logPath))) {
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
    // A run whose sums find no memory for their text is still logged and
    // timed: what it measured is true.
    const bool sumsWritten = writeRunSums(&outputs.out, run.results, "diagsum-single");
    printf("*");
    deleteMatrix(&run.matrix);
    printf("*");
    releaseDiagRun(&run);

    appendToLog(&outputs.log, ExecutionData{elapsed, run.matrix.rows, run.matrix.columns,
                                            run.matrix.diagonals, sizes.workers});
    if (outputs.log.linesGivenUp > 0) {
        // TRANSLATORS: the program, the log.
        fprintf(stderr, _("%s: the run is not in %s: another process held its lock when the stop came\n"),
                "diagsum-single", outputs.log.file.name.c_str());
    }
    printf("TEMPO GASTO: %.2lf s\n", elapsed / CLOCKS_PER_SEC);
    closeDriverOutputs(&outputs);
    return sumsWritten ? driverExitStatus(outputs) : -1;
}

int singleMain(int argc, char** argv) try {
    holdStandardDescriptors();
    setReportingProgram("diagsum-single");
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
    // A stop signal, or a standard output whose reader is gone, ends the run
    // by that signal once its files are written.
    return endByStopSignal(singleRun(options));
} catch (const std::bad_alloc&) {
    fprintf(stderr, _("diagsum-single: not enough memory\n"));
    return -1;
}
