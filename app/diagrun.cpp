#include "app/diagrun.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "floatfiles/floatfiles.h"
#include "i18n/messages.h"
#include "outputs/outputfile.h"

namespace {

constexpr float fillValue = 1.0f;

// `message` is printed as given: the caller translates it, or not.
bool failPreparation(DiagRun* run, const char* message) {
    printf("%s", message);
    releaseDiagRun(run);
    return false;
}

bool noMemoryForSums(Array results, const char* program, const std::string& outName) {
    fprintf(stderr, _("%s: not enough memory for the text of the %d sums; %s is not written\n"), program,
            results.top + 1, outName.c_str());
    return false;
}

}  // namespace

void joinWorkers(DiagRun* run, int32_t count) {
    for (int32_t i = 0; i < count; i++) {
        pthread_join(run->handles.data[i].thread, nullptr);
    }
}

bool failWorkerStart(DiagRun* run, int32_t started, int error) {
    joinWorkers(run, started);
    // TRANSLATORS: the program's name, the thread number, the thread count,
    // the system's reason.
    printf(_("%s: Could not create thread %d of %d: %s\n"), reportingProgram(), started + 1, run->numThreads,
           strerror(error));
    return false;
}

bool prepareDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads) {
    *run = DiagRun{};
    run->numThreads = numThreads;
    if (numThreads < 1 || numThreads > maxWorkers) {
        return failPreparation(run, _("Invalid thread count\n"));
    }
    // A matrix without rows or columns has diagonal slots that no worker
    // would write.
    if (rows < 1 || columns < 1) {
        return failPreparation(run, _("Invalid matrix size\n"));
    }
    if (!createMatrix(&run->matrix, static_cast<uint32_t>(rows), static_cast<uint32_t>(columns))) {
        return failPreparation(run, _("Could not create the matrix\n"));
    }
    const uint32_t diagonals = run->matrix.diagonals > 0 ? static_cast<uint32_t>(run->matrix.diagonals) : 0;
    if (!createArray(&run->results, diagonals)) {
        return failPreparation(run, _("Could not allocate the result array\n"));
    }
    if (!createArray(&run->handles, static_cast<uint32_t>(numThreads))) {
        return failPreparation(run, _("Could not allocate the thread array\n"));
    }
    run->results.top = static_cast<int32_t>(diagonals) - 1;
    fillMatrix(run->matrix, fillValue);
    run->args = static_cast<ThreadArgs*>(malloc(sizeof(ThreadArgs) * static_cast<size_t>(numThreads)));
    if (run->args == nullptr) {
        return failPreparation(run, "Erro ao alocar");  // the run's own text, never translated
    }
    return true;
}

bool sumDiagonals(DiagRun* run) {
    for (int32_t i = 0; i < run->numThreads; i++) {
        run->args[i] = ThreadArgs{&run->matrix, static_cast<uint16_t>(i), run->numThreads, &run->results};
        const int error = pthread_create(&run->handles.data[i].thread, nullptr, threadSumFunc, &run->args[i]);
        if (error != 0) {
            return failWorkerStart(run, i, error);
        }
    }
    joinWorkers(run, run->numThreads);
    return true;
}

bool timeSummedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, DiagonalSummer sum,
                   void* how, RunTime* time) {
    const RunClockStart start = startRunClock();
    if (!prepareDiagRun(run, rows, columns, numThreads)) {
        return false;
    }
    if (!sum(run, how)) {
        releaseDiagRun(run);
        return false;
    }
    *time = stopRunClock(start);
    return true;
}

bool timeDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, RunTime* time) {
    return timeSummedRun(
        run, rows, columns, numThreads, [](DiagRun* prepared, void*) { return sumDiagonals(prepared); },
        nullptr, time);
}

bool timeDiagRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, double* elapsed) {
    RunTime time;
    if (!timeDiagRun(run, rows, columns, numThreads, &time)) {
        return false;
    }
    *elapsed = time.ticks;
    return true;
}

void releaseDiagRun(DiagRun* run) {
    deleteMatrix(&run->matrix);
    deleteArray(&run->results);
    deleteArray(&run->handles);
    free(run->args);
    run->args = nullptr;
}

bool runSumsText(Array results, const char* program, const std::string& outName, std::string* text) {
    try {
        *text = floatLines(results);
        return true;
    } catch (const std::bad_alloc&) {
        return noMemoryForSums(results, program, outName);
    }
}

bool writeRunSums(OutputFile* out, Array results, const char* program) {
    try {
        writeWholeFile(out, floatLines(results));
        return true;
    } catch (const std::bad_alloc&) {
        return noMemoryForSums(results, program, out->name);
    }
}