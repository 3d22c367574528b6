#include "plan/invocations.h"

int32_t invocationRuns(int32_t runs, int32_t invocations, int32_t index) {
    return runs / invocations + (index < runs % invocations ? 1 : 0);
}

// SplitMix64's output function over the index's step from the sweep's
// seed: neighbouring indices give unrelated seeds.
uint64_t invocationSeed(uint64_t sweepSeed, int32_t index) {
    uint64_t z = sweepSeed + (static_cast<uint64_t>(index) + 1) * 0x9e3779b97f4a7c15u;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}
