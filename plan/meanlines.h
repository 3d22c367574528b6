// The sweep's mean lines, "T - mean" per worker count and variant: the
// ticks of each count's timed runs added up as the runs are made, in
// whatever order the plan makes them, and each count's lines printed in the
// order of the counts once it and every count before it have all their
// timed runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/options.h"
#include "outputs/outputfile.h"
#include "plan/runplan.h"
#include "plan/sweepsetup.h"
#include "progress/progress.h"

struct MeanLines {
    std::vector<double> totals;    // per count and variant: the sum of ticks
    std::vector<int64_t> left;     // per count: timed runs still to make
    size_t printed = 0;            // counts printed so far
    Progress* progress = nullptr;  // taken off the terminal before a mean line
};

// Nothing added yet: every timed run of `shape` still to make.
MeanLines startMeanLines(const PlanShape& shape, Progress* progress);

// Adds a timed run's ticks to its count and variant.
void addToMean(MeanLines* means, const PlanShape& shape, const PlannedRun& run, double ticks);

// Prints (on `console`) every count that is complete and has no incomplete
// count before it; at the end of a sweep cut short (`ended`), every
// complete count, skipping the incomplete ones, so no true mean is lost.
// Each line is the count's total over its runs, labelled with
// variantLabel.
void printReadyMeans(MeanLines* means, const SweepOptions& options, const SweepSetup& setup,
                     OutputFile* console, bool ended);
