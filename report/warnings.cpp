#include "report/warnings.h"

#include <cmath>
#include <cstdio>

#include "i18n/messages.h"

namespace {

std::string line(const char* pattern, const char* measure, size_t touched, size_t groups, double worst,
                 const std::string& where) {
    char text[512];
    snprintf(text, sizeof text, pattern, measure, touched, groups, worst, where.c_str());
    return text;
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
    const std::string where = groupLabel(report, worst->key);
    const size_t groups = report.groups.size();
    switch (kind) {
        case NoiseKind::outliers:
            return line(_("%s: runs beyond Q3 + 3 IQR at %zu of %zu counts, worst %.1f times the median at %s"),
                        measure, touched, groups, worst->worst, where);
        case NoiseKind::variation:
            return line(_("%s: coefficient of variation above 10 %% at %zu of %zu counts, worst %.0f %% at %s"),
                        measure, touched, groups, 100 * worst->worst, where);
        case NoiseKind::coldStart:
            return line(_("%s: a slow first run (cold start) at %zu of %zu counts, worst %.1f times the median "
                          "of the others at %s"),
                        measure, touched, groups, worst->worst, where);
    }
    return "";
}

}  // namespace

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
