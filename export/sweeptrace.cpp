#include "export/sweeptrace.h"

#include <algorithm>
#include <cmath>

namespace {

// The runs of each count and variant (count by count, the variants in
// their order), each group in the order its runs were made.
std::vector<std::vector<const TimedRun*>> groupRuns(size_t counts, const std::vector<Variant>& variants,
                                                    const std::vector<TimedRun>& runs) {
    std::vector<std::vector<const TimedRun*>> groups(counts * variants.size());
    for (const TimedRun& run : runs) {
        const auto variant = std::find_if(variants.begin(), variants.end(), [&run](const Variant& v) {
            return run.mode == v.mode && run.stack == v.stack && run.split == v.split;
        });
        if (run.countIndex < counts && variant != variants.end()) {
            const auto v = static_cast<size_t>(variant - variants.begin());
            groups[run.countIndex * variants.size() + v].push_back(&run);
        }
    }
    return groups;
}

double medianTicks(const std::vector<const TimedRun*>& group) {
    std::vector<double> ticks;
    for (const TimedRun* run : group) {
        ticks.push_back(run->time.ticks);
    }
    std::sort(ticks.begin(), ticks.end());
    const size_t half = ticks.size() / 2;
    return ticks.size() % 2 == 1 ? ticks[half] : (ticks[half - 1] + ticks[half]) / 2;
}

// The position in `group` (not empty) of the run nearest its median; the
// earliest of those equally near.
size_t nearestMedian(const std::vector<const TimedRun*>& group) {
    const double median = medianTicks(group);
    size_t chosen = 0;
    for (size_t i = 1; i < group.size(); i++) {
        if (std::fabs(group[i]->time.ticks - median) < std::fabs(group[chosen]->time.ticks - median)) {
            chosen = i;
        }
    }
    return chosen;
}

bool allRecorded(const std::vector<const TimedRun*>& group) {
    return std::all_of(group.begin(), group.end(),
                       [](const TimedRun* run) { return run->trace.has_value(); });
}

}  // namespace

std::vector<TracedRun> medianTracedRuns(const SweepOptions& options, const std::vector<Variant>& variants,
                                        const std::vector<TimedRun>& runs) {
    std::vector<TracedRun> chosen;
    const auto groups = groupRuns(options.threadCounts.size(), variants, runs);
    for (size_t g = 0; g < groups.size(); g++) {
        const std::vector<const TimedRun*>& group = groups[g];
        if (group.empty() || !allRecorded(group)) {
            continue;
        }
        const size_t at = nearestMedian(group);
        // The file's text is the same in every language.
        const std::string reason =
            "nearest the median of " + std::to_string(group.size()) + (group.size() == 1 ? " run" : " runs");
        const TimedRun& run = *group[at];
        std::string setting;
        for (const std::string& part : runSettings(options, run.mode, run.stack, run.split)) {
            setting += (setting.empty() ? "" : ", ") + part;
        }
        chosen.push_back(TracedRun{&*run.trace, options.rows, options.columns, static_cast<int32_t>(at) + 1,
                                   setting, reason});
    }
    return chosen;
}

std::string sweepTraceText(const SweepOptions& options, const std::vector<Variant>& variants,
                           const std::vector<TimedRun>& runs) {
    return traceFileText(medianTracedRuns(options, variants, runs));
}
