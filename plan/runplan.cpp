#include "plan/runplan.h"

#include <random>
#include <utility>

namespace {

// The `within`-th run of a count whose block starts with `warmups` warmup
// rounds (then timed rounds from `firstTimed` on).
PlannedRun runInBlock(const PlanShape& shape, size_t count, uint64_t within, uint64_t warmups,
                      int32_t firstTimed) {
    const uint64_t round = within / shape.variants;
    const size_t variant = static_cast<size_t>(within % shape.variants);
    if (round < warmups) {
        return PlannedRun{count, variant, static_cast<int32_t>(round), true};
    }
    return PlannedRun{count, variant, static_cast<int32_t>(round - warmups) + firstTimed, false};
}

PlannedRun sequentialRun(const PlanShape& shape, uint64_t index) {
    const uint64_t block = (static_cast<uint64_t>(shape.warmup) + shape.runs) * shape.variants;
    return runInBlock(shape, static_cast<size_t>(index / block), index % block,
                      static_cast<uint64_t>(shape.warmup), 0);
}

// The first round holds each count's warmups and first timed run; every
// later round one timed run of each count.
PlannedRun interleavedRun(const PlanShape& shape, uint64_t index) {
    const uint64_t firstBlock = (static_cast<uint64_t>(shape.warmup) + 1) * shape.variants;
    const uint64_t firstRound = firstBlock * shape.counts;
    if (index < firstRound) {
        return runInBlock(shape, static_cast<size_t>(index / firstBlock), index % firstBlock,
                          static_cast<uint64_t>(shape.warmup), 0);
    }
    const uint64_t later = index - firstRound;
    const uint64_t perRound = static_cast<uint64_t>(shape.counts) * shape.variants;
    const auto repetition = static_cast<int32_t>(1 + later / perRound);
    const uint64_t inRound = later % perRound;
    return PlannedRun{static_cast<size_t>(inRound / shape.variants),
                      static_cast<size_t>(inRound % shape.variants), repetition, false};
}

// A uniform draw from 0 to `bound` taken from the generator's raw output
// by masking and rejection: std::uniform_int_distribution and std::shuffle
// differ between standard libraries, the generator's output does not.
uint64_t drawAtMost(std::mt19937_64* generator, uint64_t bound) {
    uint64_t mask = bound;
    for (int shift = 1; shift < 64; shift *= 2) {
        mask |= mask >> shift;
    }
    while (true) {
        const uint64_t value = (*generator)() & mask;
        if (value <= bound) {
            return value;
        }
    }
}

void addWarmups(std::vector<PlannedRun>* plan, const PlanShape& shape, size_t count) {
    for (int32_t i = 0; i < shape.warmup; i++) {
        for (size_t v = 0; v < shape.variants; v++) {
            plan->push_back(PlannedRun{count, v, i, true});
        }
    }
}

// The timed runs shuffled (Fisher-Yates), repetitions renumbered in the
// order they are made, and each count's warmups before its first timed run.
std::vector<PlannedRun> shuffledRuns(const PlanShape& shape, uint64_t seed) {
    std::vector<PlannedRun> timed;
    for (size_t c = 0; c < shape.counts; c++) {
        for (int32_t r = 0; r < shape.runs; r++) {
            for (size_t v = 0; v < shape.variants; v++) {
                timed.push_back(PlannedRun{c, v, r, false});
            }
        }
    }
    std::mt19937_64 generator(seed);
    for (size_t i = timed.size(); i > 1; i--) {
        std::swap(timed[i - 1], timed[static_cast<size_t>(drawAtMost(&generator, i - 1))]);
    }
    std::vector<PlannedRun> plan;
    std::vector<int32_t> made(shape.counts * shape.variants, 0);
    std::vector<bool> started(shape.counts, false);
    for (PlannedRun run : timed) {
        if (!started[run.count]) {
            started[run.count] = true;
            addWarmups(&plan, shape, run.count);
        }
        run.repetition = made[run.count * shape.variants + run.variant]++;
        plan.push_back(run);
    }
    return plan;
}

}  // namespace

uint64_t plannedRunCount(const PlanShape& shape) {
    uint64_t total = static_cast<uint64_t>(shape.warmup) + static_cast<uint64_t>(shape.runs);
    if (__builtin_mul_overflow(total, shape.variants, &total) ||
        __builtin_mul_overflow(total, shape.counts, &total)) {
        return UINT64_MAX;
    }
    return total;
}

int64_t timedRunsPerCount(const PlanShape& shape) {
    return int64_t{shape.runs} * static_cast<int64_t>(shape.variants);
}

size_t plannedTimedRuns(const PlanShape& shape) {
    return shape.counts * shape.variants * static_cast<size_t>(shape.runs);
}

bool makeRunPlan(const PlanShape& shape, RunOrder order, uint64_t seed, RunPlan* plan) {
    plan->shape = shape;
    plan->order = order;
    plan->shuffled.clear();
    const uint64_t runs = plannedRunCount(shape);
    if (runs == UINT64_MAX || (order == RunOrder::random && runs > maxShuffledRuns)) {
        return false;
    }
    if (order != RunOrder::random) {
        return true;
    }
    plan->shuffled = shuffledRuns(shape, seed);
    return true;
}

PlannedRun plannedRun(const RunPlan& plan, uint64_t index) {
    switch (plan.order) {
        case RunOrder::interleaved:
            return interleavedRun(plan.shape, index);
        case RunOrder::random:
            return plan.shuffled[static_cast<size_t>(index)];
        case RunOrder::sequential:
            break;
    }
    return sequentialRun(plan.shape, index);
}

uint64_t drawSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}
