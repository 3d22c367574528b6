#include "app/main.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "app/diagrun.h"
#include "app/diagworker.h"
#include "app/runlog.h"
#include "app/settings.h"
#include "floatfiles/floatfiles.h"

static_assert(default_M > 0 && default_N > 0, "the single run needs at least one row and one column");
static_assert(default_NumThreads > 0 && default_NumThreads <= maxWorkers,
              "the single run needs 1 to 65536 workers");

namespace {

struct Sizes {
    int32_t rows;
    int32_t columns;
    int32_t workers;
};

// Asks for the three sizes; prints why and returns false when they cannot be
// used.
bool askSizes(Sizes* sizes) {
    puts("Digite os valores:\n<linhas> <colunas> <qtd. de threads>");
    if (scanf("%d %d %d", &sizes->rows, &sizes->columns, &sizes->workers) != 3) {
        printf("Entrada invalida: digite tres numeros inteiros\n");
        return false;
    }
    getchar();  // the end of the line
    if (sizes->rows <= 0 || sizes->columns <= 0) {
        printf("Entrada invalida: linhas e colunas devem ser maiores que zero\n");
        return false;
    }
    if (sizes->workers <= 0 || sizes->workers > maxWorkers) {
        printf("Entrada invalida: a quantidade de threads deve estar entre 1 e %d\n", maxWorkers);
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
    Sizes sizes{default_M, default_N, default_NumThreads};
    if (getInputFromUser && !askSizes(&sizes)) {
        return -1;
    }
    printf("Matriz: (%d X %d)\nThreads: %d\n", sizes.rows, sizes.columns, sizes.workers);
    if (getInputFromUser) {
        runlog::pause();
    }

    DiagRun run;
    double elapsed;
    if (!timeDiagRun(&run, sizes.rows, sizes.columns, sizes.workers, &elapsed)) {
        return -1;
    }

    printSums(run.results);
    printf("*");
    arrayFloatToFile(run.results, "out.txt");
    printf("*");
    deleteMatrix(&run.matrix);
    printf("*");
    releaseDiagRun(&run);

    if (generateExecutionData) {
        executionDataToCSV(
            ExecutionData{elapsed, run.matrix.rows, run.matrix.columns, run.matrix.diagonals, sizes.workers},
            "infoData.csv");
    }
    printf("TEMPO GASTO: %.2lf s\n", elapsed / CLOCKS_PER_SEC);
    return 0;
}
