#include "app/workerstart.h"

#include <pthread.h>
#include <sched.h>

namespace {

// A bound worker's start routine: notes the CPU it starts on, then runs
// the worker unchanged.
void* placedWorkerStart(void* argument) {
    const auto* worker = static_cast<const PlacedWorker*>(argument);
    *worker->startCpu = sched_getcpu();
    return worker->routine(worker->argument);
}

// sumDiagonalsStarted as a DiagonalSummer: `start` is the WorkerStart.
bool sumStarted(DiagRun* run, void* start) {
    return sumDiagonalsStarted(run, static_cast<WorkerStart*>(start));
}

struct StartRoutine {
    void* (*routine)(void*);
    void* argument;
};

// What worker k runs: threadSumFunc or the split's body, then
// wrapped by the CPU note and by the recorder where they are wanted.
StartRoutine routineOf(DiagRun* run, WorkerStart* start, int32_t i) {
    const auto k = static_cast<size_t>(i);
    StartRoutine chosen{threadSumFunc, &run->args[i]};
    if (start->split != nullptr) {
        chosen = StartRoutine{splitWorkerStart, &start->shares[k]};
    } else {
        run->args[i] = ThreadArgs{&run->matrix, static_cast<uint16_t>(i), run->numThreads, &run->results};
    }
    if (start->masks != nullptr) {
        start->placed[k] = PlacedWorker{chosen.routine, chosen.argument, &start->startCpus[k]};
        chosen = StartRoutine{placedWorkerStart, &start->placed[k]};
    }
    if (start->trace != nullptr) {
        start->traced[k] = TracedWorker{chosen.routine, chosen.argument, &start->trace->workers[k]};
        chosen = StartRoutine{tracedWorkerStart, &start->traced[k]};
    }
    return chosen;
}

int createWorker(DiagRun* run, WorkerStart* start, pthread_attr_t* attributes, int32_t i) {
    const StartRoutine chosen = routineOf(run, start, i);
    pthread_t* handle = &run->handles.data[i].thread;
    if (start->trace == nullptr) {
        return pthread_create(handle, attributes, chosen.routine, chosen.argument);
    }
    Span* call = &start->trace->creates[static_cast<size_t>(i)];
    beginSpan(call);
    const int error = pthread_create(handle, attributes, chosen.routine, chosen.argument);
    endSpan(call);
    return error;
}

void joinStarted(DiagRun* run, WorkerStart* start) {
    if (start->trace == nullptr) {
        joinWorkers(run, run->numThreads);
        return;
    }
    for (int32_t i = 0; i < run->numThreads; i++) {
        Span* call = &start->trace->joins[static_cast<size_t>(i)];
        beginSpan(call);
        pthread_join(run->handles.data[i].thread, nullptr);
        endSpan(call);
    }
}

// Starts the workers with `attributes` (null: the defaults), binding each
// to its CPU when there are masks.
bool startAll(DiagRun* run, WorkerStart* start, pthread_attr_t* attributes) {
    for (int32_t i = 0; i < run->numThreads; i++) {
        int error = 0;
        if (start->masks != nullptr) {
            error = pthread_attr_setaffinity_np(attributes, start->masks->size,
                                                workerMask(*start->masks, static_cast<size_t>(i)));
        }
        if (error == 0) {
            error = createWorker(run, start, attributes, i);
        }
        if (error != 0) {
            return failWorkerStart(run, i, error);
        }
    }
    return true;
}

}  // namespace

void reserveWorkerStarts(WorkerStart* start, int32_t workers) {
    const auto slots = static_cast<size_t>(workers);
    start->startCpus.assign(slots, -1);
    start->placed.assign(slots, PlacedWorker{nullptr, nullptr, nullptr});
    if (start->split != nullptr) {
        start->shares.resize(slots);
        for (size_t k = 0; k < slots; k++) {
            start->shares[k] = SplitWorker{start->split, static_cast<int32_t>(k)};
        }
    }
    if (start->trace != nullptr) {
        start->traced.assign(slots, TracedWorker{nullptr, nullptr, nullptr});
    }
}

bool sumDiagonalsStarted(DiagRun* run, WorkerStart* start) {
    // Without a stack size or CPUs the workers get the defaults, as
    // sumDiagonals gives them: no attributes are made.
    pthread_attr_t attributes;
    pthread_attr_t* used = nullptr;
    if (start->stackSize != 0 || start->masks != nullptr) {
        int error = pthread_attr_init(&attributes);
        if (error == 0 && start->stackSize != 0) {
            error = pthread_attr_setstacksize(&attributes, start->stackSize);
            if (error != 0) {
                pthread_attr_destroy(&attributes);
            }
        }
        if (error != 0) {
            return failWorkerStart(run, 0, error);
        }
        used = &attributes;
    }
    const bool started = startAll(run, start, used);
    if (used != nullptr) {
        pthread_attr_destroy(used);
    }
    if (started) {
        joinStarted(run, start);
    }
    return started;
}

bool timeStartedRun(DiagRun* run, int32_t rows, int32_t columns, int32_t numThreads, WorkerStart* start,
                    RunTime* time) {
    return timeSummedRun(run, rows, columns, numThreads, sumStarted, start, time);
}
