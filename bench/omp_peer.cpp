#include "bench/omp_peer.h"

#include <omp.h>

#include <cstdlib>
#include <ctime>

namespace {

constexpr int side = 500;
constexpr int diagonals = 2 * side - 1;

void freeRows(float** rows, int count) {
    for (int i = 0; i < count; i++) {
        free(rows[i]);
    }
    free(rows);
}

}  // namespace

double ompPeerRun(int threads, float* check) {
    const clock_t start = clock();
    float** m = static_cast<float**>(malloc(side * sizeof(float*)));
    float* sums = static_cast<float*>(malloc(diagonals * sizeof(float)));
    if (m == nullptr || sums == nullptr) {
        free(m);
        free(sums);
        return -1;
    }
    for (int i = 0; i < side; i++) {
        m[i] = static_cast<float*>(malloc(side * sizeof(float)));
        if (m[i] == nullptr) {
            freeRows(m, i);
            free(sums);
            return -1;
        }
        for (int j = 0; j < side; j++) {
            m[i][j] = 1.0f;
        }
    }
#pragma omp parallel num_threads(threads)
    {
        // Diagonal 0 is the bottom-left cell; each is summed from its
        // top-left end.
        for (int d = omp_get_thread_num(); d < diagonals; d += threads) {
            int row = d < side ? side - 1 - d : 0;
            int column = d < side ? 0 : d - side + 1;
            float sum = 0.0f;
            for (; row < side && column < side; row++, column++) {
                sum += m[row][column];
            }
            sums[d] = sum;
        }
    }
    const clock_t end = clock();
    *check = sums[side - 1];
    freeRows(m, side);
    free(sums);
    return static_cast<double>(end - start);
}
