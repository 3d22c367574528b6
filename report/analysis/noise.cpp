#include "report/analysis/noise.h"

#include <cmath>

#include "i18n/messages.h"
#include "report/sweep/seriesname.h"
#include "report/tables/cells.h"

namespace {

// The group, the outliers, the runs, the measure, the largest outlier.
void noteOutliers(ScalingReport* report, const GroupKey& key, bool wall, const std::vector<double>& sorted,
                  const SampleStats& stats) {
    const FarRuns far = farOutliers(sorted);
    if (far.count == 0) {
        return;
    }
    const std::string measure = wall ? _("wall time") : _("processor time");
    // TRANSLATORS: the group, the outliers, the runs, the measure, the largest outlier.
    report->warnings.push_back(formatMessage(ngettext("%s: %zu outlier of %zu runs beyond Q3 + 3 IQR in %s, "
                                                      "the largest %s µs",
                                                      "%s: %zu outliers of %zu runs beyond Q3 + 3 IQR in %s, "
                                                      "the largest %s µs",
                                                      far.count),
                                             groupLabel(*report->model, key).c_str(), far.count, stats.runs,
                                             measure.c_str(), fixedCell(far.largest, 2).c_str()));
    report->noise.push_back({NoiseKind::outliers, wall, key, stats.median > 0 ? far.largest / stats.median : INFINITY});
}

// `worst` reaches the pattern as text: an infinite ratio (a median of 0)
// reads "n/a".
std::string line(const char* pattern, const char* measure, size_t touched, size_t groups, const std::string& worst,
                 const std::string& where) {
    return formatMessage(pattern, measure, touched, groups, worst.c_str(), where.c_str());
}

// The summary of the notes of one kind in one measure; empty when none.
std::string summarise(const ScalingReport& report, NoiseKind kind, bool wall) {
    size_t touched = 0;
    const NoiseNote* worst = nullptr;
    for (const NoiseNote& note : report.noise) {
        if (note.kind != kind || note.wall != wall) {
            continue;
        }
        touched++;
        if (worst == nullptr || note.worst > worst->worst) {
            worst = &note;
        }
    }
    if (worst == nullptr) {
        return "";
    }
    const char* measure = wall ? _("wall time") : _("processor time");
    const std::string where = groupLabel(*report.model, worst->key);
    const size_t groups = report.groups.size();
    switch (kind) {
        case NoiseKind::outliers:
            return line(_("%s: runs beyond Q3 + 3 IQR at %zu of %zu counts, worst %s times the median at %s"),
                        measure, touched, groups, fixedCell(worst->worst, 1), where);
        case NoiseKind::variation:
            return line(_("%s: coefficient of variation above 10 %% at %zu of %zu counts, worst %s %% at %s"),
                        measure, touched, groups, fixedCell(100 * worst->worst, 0), where);
        case NoiseKind::coldStart:
            return line(_("%s: a slow first run (cold start) at %zu of %zu counts, worst %s times the median "
                          "of the others at %s"),
                        measure, touched, groups, fixedCell(worst->worst, 1), where);
    }
    return "";
}

}  // namespace

void noteNoise(ScalingReport* report, const GroupKey& key, bool wall, const std::vector<double>& inOrder,
               const std::vector<double>& sorted, const SampleStats& stats) {
    noteOutliers(report, key, wall, sorted, stats);
    const char* measure = wall ? _("wall time") : _("processor time");
    if (stats.mean > 0 && stats.stddev / stats.mean > noisyVariation) {
        // TRANSLATORS: the group, the measure, its variation, the threshold.
        report->warnings.push_back(formatMessage(_("%s: %s varies by %s %% (coefficient of variation above %s %%)"),
                                                 groupLabel(*report->model, key).c_str(), measure,
                                                 fixedCell(100 * stats.stddev / stats.mean, 1).c_str(),
                                                 fixedCell(100 * noisyVariation, 0).c_str()));
        report->noise.push_back({NoiseKind::variation, wall, key, stats.stddev / stats.mean});
    }
    double ratio = 0;
    if (slowFirstRun(inOrder, sorted, &ratio)) {
        // TRANSLATORS: the group, the measure, the first run's time, the ratio.
        report->warnings.push_back(formatMessage(_("%s: the first run's %s (%s µs) is %s times the median of the "
                                                   "others: a cold start"),
                                                 groupLabel(*report->model, key).c_str(), measure, fixedCell(inOrder.front(), 2).c_str(),
                                                 fixedCell(ratio, 1).c_str()));
        report->noise.push_back({NoiseKind::coldStart, wall, key, ratio});
    }
}

std::vector<std::string> warningSummary(const ScalingReport& report) {
    std::vector<std::string> lines;
    for (bool wall : {false, true}) {
        for (NoiseKind kind : {NoiseKind::outliers, NoiseKind::variation, NoiseKind::coldStart}) {
            std::string text = summarise(report, kind, wall);
            if (!text.empty()) {
                lines.push_back(std::move(text));
            }
        }
    }
    return lines;
}
