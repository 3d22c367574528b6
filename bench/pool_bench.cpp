// Pool runs side by side with the OpenMP peer and with spawn runs, at 1, 8,
// 32 and 127 workers. Each round makes one run of each kind, in an order that
// rotates from round to round, so that drift on a shared machine hits all
// three alike; the table shows the medians of the processor-clock ticks.
//
//   diagsum_pool_bench [rounds [workers...]]   (default 101 rounds; 1 8 32 127)
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/diagrun.h"
#include "app/poolrun.h"
#include "bench/omp_peer.h"

namespace {

constexpr int32_t side = 500;
constexpr int warmupRounds = 5;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Samples {
    std::vector<double> peer, pool, spawn;
};

// One run of kind `kind` (0 peer, 1 pool, 2 spawn); false when it fails.
bool measure(int kind, int32_t workers, Samples* samples) {
    if (kind == 0) {
        float check = 0;
        const double ticks = ompPeerRun(workers, &check);
        samples->peer.push_back(ticks);
        return ticks >= 0 && check == static_cast<float>(side);
    }
    DiagRun run;
    RunTime time;
    const bool made = kind == 1 ? timePoolRun(&run, side, side, workers, &time)
                                : timeDiagRun(&run, side, side, workers, &time);
    if (!made) {
        return false;
    }
    (kind == 1 ? samples->pool : samples->spawn).push_back(time.ticks);
    releaseDiagRun(&run);
    return true;
}

bool measureCount(int32_t workers, int rounds, Samples* samples) {
    if (!startPoolTeam(workers)) {
        return false;
    }
    for (int round = -warmupRounds; round < rounds; round++) {
        Samples* into = round < 0 ? nullptr : samples;
        Samples discarded;
        for (int i = 0; i < 3; i++) {
            const int kind = (round + warmupRounds + i) % 3;
            if (!measure(kind, workers, into != nullptr ? into : &discarded)) {
                fprintf(stderr, "run failed at %d workers\n", workers);
                endPoolTeam();
                return false;
            }
        }
    }
    endPoolTeam();
    return true;
}

const char* envOr(const char* name, const char* fallback) {
    const char* value = getenv(name);
    return value != nullptr ? value : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? atoi(argv[1]) : 101;
    std::vector<int32_t> counts;
    for (int i = 2; i < argc; i++) {
        counts.push_back(atoi(argv[i]));
    }
    if (counts.empty()) {
        counts = {1, 8, 32, 127};
    }
    if (rounds < 1 ||
        std::any_of(counts.begin(), counts.end(), [](int32_t c) { return c < 1 || c > 1024; })) {
        fprintf(stderr, "usage: %s [rounds >= 1 [workers 1..1024 ...]]\n", argv[0]);
        return 64;
    }
    printf("libgomp read OMP_WAIT_POLICY=%s GOMP_SPINCOUNT=%s; %d rounds, %d processors\n",
           envOr("OMP_WAIT_POLICY", "(unset)"), envOr("GOMP_SPINCOUNT", "(unset)"), rounds,
           omp_get_num_procs());
    printf("median processor-clock ticks of a %d x %d run\n\n", side, side);
    printf("| workers | peer | pool | spawn | pool / peer | pool / spawn |\n");
    printf("|---:|---:|---:|---:|---:|---:|\n");
    for (int32_t workers : counts) {
        Samples samples;
        if (!measureCount(workers, rounds, &samples)) {
            return 1;
        }
        const double peer = median(samples.peer);
        const double pool = median(samples.pool);
        const double spawn = median(samples.spawn);
        printf("| %d | %.0f | %.0f | %.0f | %.2f | %.3f |\n", workers, peer, pool, spawn, pool / peer,
               pool / spawn);
        fflush(stdout);
    }
    printf("\ntargets: pool / peer <= 1.3 at every count, pool / spawn <= 0.25 at 127\n");
    return 0;
}
