#include "report/analysis/coldstart.h"

#include <algorithm>
#include <map>

#include "i18n/messages.h"
#include "report/stats/mannwhitney.h"
#include "report/stats/stats.h"
#include "report/sweep/seriesname.h"
#include "report/tables/cells.h"

namespace {

double median(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    return quantile(sample, 0.5);
}

// P(first ones are not slower) from the two-sided U test: half its p when
// they rank above the rest, else one less half.
double slowerP(const std::vector<double>& first, const std::vector<double>& rest) {
    const UTest test = mannWhitneyU(first, rest);
    const double half = 0.5 * static_cast<double>(first.size() * rest.size());
    return test.firstU > half ? test.p / 2 : 1 - test.p / 2;
}

}  // namespace

size_t coldRuns(size_t invocations) {
    return invocations >= 3 ? 1 : invocations == 2 ? 2 : 3;
}

ColdStartTest testColdStart(const RunGroup& group, bool wall) {
    std::map<int32_t, std::vector<const Run*>> byInvocation;
    for (const Run& run : group.runs) {
        if (!std::isnan(wall ? run.wall : run.cpu)) {
            byInvocation[run.invocation].push_back(&run);
        }
    }
    ColdStartTest test;
    const size_t k = coldRuns(byInvocation.size());
    std::vector<double> first;
    std::vector<double> rest;
    for (auto& [invocation, runs] : byInvocation) {
        std::stable_sort(runs.begin(), runs.end(),
                         [](const Run* a, const Run* b) { return a->sequence < b->sequence; });
        for (size_t i = 0; i < runs.size(); i++) {
            (i < k ? first : rest).push_back(wall ? runs[i]->wall : runs[i]->cpu);
        }
    }
    if (first.empty() || rest.size() < 3 || rest.size() < first.size()) {
        return test;
    }
    test.tested = true;
    test.first = first.size();
    test.p = slowerP(first, rest);
    const double restMedian = median(rest);
    test.ratio = restMedian > 0 ? median(first) / restMedian : NAN;
    return test;
}

void addColdStarts(ScalingReport* report) {
    const SweepModel& model = *report->model;
    std::vector<ColdStartTest> tests;
    size_t tested = 0;
    for (const RunGroup& group : model.groups) {
        tests.push_back(testColdStart(group, report->hasWall));
        tested += tests.back().tested ? 1 : 0;
    }
    const double threshold = compareAlpha / static_cast<double>(std::max<size_t>(tested, 1));
    size_t found = 0;
    size_t worst = 0;
    for (size_t i = 0; i < tests.size(); i++) {
        if (!tests[i].tested || tests[i].p >= threshold) {
            continue;
        }
        report->groups[i].coldStart = true;
        if (found++ == 0 || tests[i].ratio > tests[worst].ratio) {
            worst = i;
        }
    }
    if (found == 0) {
        return;
    }
    // TRANSLATORS: counts found, counts tested, the worst ratio, its group, the test's threshold.
    report->advice.push_back(
        formatMessage(_("the first runs of a count are slower than the rest (a cold start) at %zu of %zu "
                        "counts, worst %s times "
                        "the rest's median at %s (one-sided U test, p below %s): sweep with --warmup 2"),
                      found, tested, fixedCell(tests[worst].ratio, 2).c_str(),
                      groupLabel(model, model.groups[worst].key).c_str(), fixedCell(threshold, 4).c_str()));
}
