#include "report/analysis/drift.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "i18n/messages.h"
#include "report/models/studentt.h"
#include "report/stats/stats.h"
#include "report/sweep/seriesname.h"
#include "report/tables/cells.h"

namespace {

// Average ranks, from 1, of `values`.
std::vector<double> ranks(const std::vector<double>& values) {
    std::vector<size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return values[a] < values[b]; });
    std::vector<double> rank(values.size());
    for (size_t first = 0; first < order.size();) {
        size_t last = first + 1;
        while (last < order.size() && values[order[last]] == values[order[first]]) {
            last++;
        }
        for (size_t i = first; i < last; i++) {
            rank[order[i]] = 0.5 * static_cast<double>(first + 1 + last);
        }
        first = last;
    }
    return rank;
}

double pearson(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double sxy = 0;
    double sxx = 0;
    double syy = 0;
    for (size_t i = 0; i < x.size(); i++) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : NAN;
}

// What to do about a drifting series: sweep so that the invocations take
// the drift in, or, when they already do, find where it is.
std::string driftAdvice(const SweepModel& model, const SeriesReport& series) {
    for (size_t g = series.first; g < series.last; g++) {
        for (const Run& run : model.groups[g].runs) {
            if (run.invocation != model.groups[series.first].runs.front().invocation) {
                return _(
                    "the intervals of its invocations take it in; the drift chart (-D) shows where it lies");
            }
        }
    }
    return _("sweep with --order random --invocations 5, and see the drift chart (-D)");
}

}  // namespace

std::vector<DriftPoint> driftPoints(const SweepModel& model, size_t first, size_t last, bool wall) {
    std::vector<DriftPoint> points;
    for (size_t g = first; g < last; g++) {
        const RunGroup& group = model.groups[g];
        std::vector<double> times = wall ? wallTimes(group) : cpuTimes(group);
        if (times.empty()) {
            continue;
        }
        std::sort(times.begin(), times.end());
        const double median = quantile(times, 0.5);
        for (const Run& run : group.runs) {
            const double time = wall ? run.wall : run.cpu;
            if (run.sequence >= 0 && !std::isnan(time) && median > 0) {
                points.push_back({run.sequence, time / median, run.invocation});
            }
        }
    }
    std::sort(points.begin(), points.end(),
              [](const DriftPoint& a, const DriftPoint& b) { return a.sequence < b.sequence; });
    return points;
}

DriftTest testDrift(const std::vector<DriftPoint>& points) {
    DriftTest test;
    if (points.size() < minDriftRuns) {
        return test;
    }
    std::vector<double> sequence;
    std::vector<double> relative;
    for (const DriftPoint& p : points) {
        sequence.push_back(p.sequence);
        relative.push_back(p.relative);
    }
    const double rho = pearson(ranks(sequence), ranks(relative));
    if (std::isnan(rho)) {
        return test;
    }
    test.tested = true;
    test.rho = rho;
    const double degrees = static_cast<double>(points.size() - 2);
    if (std::fabs(rho) >= 1) {
        test.p = 0;
        return test;
    }
    const double t = std::fabs(rho) * std::sqrt(degrees / (1 - rho * rho));
    test.p = std::clamp(2 * (1 - studentCdf(t, degrees)), 0.0, 1.0);
    return test;
}

void addDrift(ScalingReport* report) {
    const SweepModel& model = *report->model;
    std::vector<DriftTest> tests;
    size_t tested = 0;
    for (const SeriesReport& s : report->series) {
        tests.push_back(testDrift(driftPoints(model, s.first, s.last, report->hasWall)));
        tested += tests.back().tested ? 1 : 0;
    }
    const double threshold = compareAlpha / static_cast<double>(std::max<size_t>(tested, 1));
    for (size_t i = 0; i < tests.size(); i++) {
        const SeriesReport& s = report->series[i];
        if (!tests[i].tested || tests[i].p >= threshold) {
            continue;
        }
        for (size_t g = s.first; g < s.last; g++) {
            report->groups[g].drift = true;
        }
        // TRANSLATORS: the series, the correlation, the threshold, what to do.
        const char* pattern =
            tests[i].rho > 0
                ? _("%s: the runs get slower as the sweep goes on (drift: Spearman's rho %s against "
                    "the run's sequence, p below %s): %s")
                : _("%s: the runs get faster as the sweep goes on (drift: Spearman's rho %s against "
                    "the run's sequence, p below %s): %s");
        report->advice.push_back(
            formatMessage(pattern, seriesLabel(model, s.key).c_str(), fixedCell(tests[i].rho, 2).c_str(),
                          fixedCell(threshold, 4).c_str(), driftAdvice(model, s).c_str()));
    }
}
