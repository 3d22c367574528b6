#include "app/workerstart.h"

#include <pthread.h>
#include <sched.h>

namespace {

// A bound worker's start routine: notes the CPU it starts on, then runs
// the worker unchanged.
void* placedWorkerStart(void* argument) {
    const auto* worker = static_cast<const PlacedWorker*>(argument);
    *worker->startCpu = sched_getcpu();
    return threadSumFunc(worker->args);
}

// sumDiagonalsStarted as a DiagonalSummer: `start` is the WorkerStart.
bool sumStarted(DiagRun* run, void* start) {
    return sumDiagonalsStarted(run, static_cast<WorkerStart*>(start));
}

}  // namespace

void reserveWorkerStarts(WorkerStart* start, int32_t workers) {
    start->startCpus.assign(static_cast<size_t>(workers), -1);
    start->placed.assign(static_cast<size_t>(workers), PlacedWorker{nullptr, nullptr});
}

bool sumDiagonalsStarted(DiagRun* run, WorkerStart* start) {
    pthread_attr_t attributes;
    int error = pthread_attr_init(&attributes);
    if (error == 0 && start->stackSize != 0) {
        error = pthread_attr_setstacksize(&attributes, start->stackSize);
    }
    if (error != 0) {
        return failWorkerStart(run, 0, error);
    }
    for (int32_t i = 0; i < run->numThreads; i++) {
        run->args[i] = ThreadArgs{&run->matrix, static_cast<uint16_t>(i), run->numThreads, &run->results};
        void* (*routine)(void*) = threadSumFunc;
        void* argument = &run->args[i];
        if (start->masks != nullptr) {
            const auto k = static_cast<size_t>(i);
            start->placed[k] = PlacedWorker{&run->args[i], &start->startCpus[k]};
            routine = placedWorkerStart;
            argument = &start->placed[k];
            error =
                pthread_attr_setaffinity_np(&attributes, start->masks->size, workerMask(*start->masks, k));
        }
        if (error == 0) {
            error = pthread_create(&run->handles.data[i].thread, &attributes, routine, argument);
        }
        if (error != 0) {
            pthread_attr_destroy(&attributes);
            return failWorkerStart(run, i, error);
        }
    }
    pthread_attr_destroy(&attributes);
    joinWorkers(run, run->numThreads);
    return true;
}

bool timeStartedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, WorkerStart* start,
                    RunTime* time) {
    return timeSummedRun(run, rows, columns, numThreads, sumStarted, start, time);
}
