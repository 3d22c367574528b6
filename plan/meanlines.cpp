#include "plan/meanlines.h"

#include <cstdio>
#include <string>

#include "outputs/stdfds.h"

namespace {

void printCountMeans(const MeanLines& means, const SweepOptions& options, const SweepSetup& setup,
                     OutputFile* console, size_t count) {
    clearProgress(means.progress);  // the mean lines may go to the same terminal
    for (size_t v = 0; v < setup.variants.size(); v++) {
        const std::string label = variantLabel(options, setup.variants[v]);
        printMeanLine(console, stdout, options.threadCounts[count],
                      means.totals[count * setup.variants.size() + v] / options.runs,
                      label.empty() ? nullptr : label.c_str());
    }
}

}  // namespace

MeanLines startMeanLines(const PlanShape& shape, Progress* progress) {
    MeanLines means;
    means.progress = progress;
    means.totals.assign(shape.counts * shape.variants, 0.0);
    means.left.assign(shape.counts, timedRunsPerCount(shape));
    return means;
}

void addToMean(MeanLines* means, const PlanShape& shape, const PlannedRun& run, double ticks) {
    means->totals[run.count * shape.variants + run.variant] += ticks;
    means->left[run.count]--;
}

void printReadyMeans(MeanLines* means, const SweepOptions& options, const SweepSetup& setup,
                     OutputFile* console, bool ended) {
    for (; means->printed < means->left.size(); means->printed++) {
        if (means->left[means->printed] == 0) {
            printCountMeans(*means, options, setup, console, means->printed);
        } else if (!ended) {
            return;
        }
    }
}
