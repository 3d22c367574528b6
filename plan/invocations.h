// How a sweep made by several fresh processes of the program (--invocations
// K) is shared among them: each invocation makes its share of every worker
// count's timed runs, in its own plan, and a random order gives each its
// own seed, derived from the sweep's one seed so that the whole sweep can be
// repeated.
#pragma once

#include <cstdint>

// The timed runs per count and variant that invocation `index` (from 0) of
// `invocations` makes of the sweep's `runs`: floor(runs / invocations),
// plus one while index < runs mod invocations, so that the shares add up to
// `runs`. Needs runs >= invocations >= 1.
int32_t invocationRuns(int32_t runs, int32_t invocations, int32_t index);

// The seed of invocation `index`'s random order: the same for the same sweep
// seed on every machine, and different for every index.
uint64_t invocationSeed(uint64_t sweepSeed, int32_t index);
