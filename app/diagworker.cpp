#include "app/diagworker.h"

#include <pthread.h>

#include <cstdint>
#include <cstdio>

#include "app/settings.h"
#include "splits/diagonalwalk.h"

int32_t sumWorkerDiagonals(const ThreadArgs* self) {
    int32_t sums = 0;
    if (printInfoProcess) {
        printf("[Thread %d iniciando]\n", self->id);
    }
    const Matrix matrix = *self->matrix;
    const int32_t step = self->numThreads;
    // A step below 1 would revisit the same diagonal forever.
    const uint32_t end = (matrix.diagonals > 0 && step > 0) ? static_cast<uint32_t>(matrix.diagonals) : 0;
    for (uint32_t d = self->id; d < end; d += static_cast<uint32_t>(step)) {
        float sum;
        if (!sumDiagonal(matrix, d, &sum)) {
            continue;
        }
        self->results->data[d].value = sum;
        if (printInfoProcess) {
            printf("T%d : [DG: %.2d, \tSM: %.2f]\n", self->id, static_cast<int>(d), static_cast<double>(sum));
        }
        sums++;
    }
    if (printInfoProcess) {
        printf("[Thread %d terminou, fez %d somas]\n", self->id, sums);
    }
    return sums;
}

void* threadSumFunc(void* args) {
    sumWorkerDiagonals(static_cast<const ThreadArgs*>(args));
    pthread_exit(nullptr);
}
