#include "report/analysis/bounds.h"

#include <algorithm>
#include <functional>

#include "i18n/messages.h"
#include "report/stats/levels.h"
#include "report/sweep/seriesname.h"
#include "report/tables/cells.h"

namespace {

uint64_t speedupSeed(const SweepModel& model, const GroupKey& k) {
    const std::string variant = model.modes[static_cast<size_t>(k.mode)] + "/" +
                                settingsText(model.settings[static_cast<size_t>(k.setting)]);
    return seedOf({uint64_t(uint32_t(k.rows)), uint64_t(uint32_t(k.columns)), uint64_t(uint32_t(k.threads)),
                   uint64_t(uint32_t(k.sweep)), uint64_t(std::hash<std::string>{}(variant))});
}

}  // namespace

int32_t usableProcessors(const SweepModel& model) {
    for (const InputFile& file : model.files) {
        if (file.context.usableCpus > 0) {
            return file.context.usableCpus;
        }
        if (file.context.cpus > 0) {
            return file.context.cpus;
        }
    }
    return 0;
}

double idealSpeedup(int32_t threads, int32_t base, int32_t processors) {
    if (processors <= 0) {
        return static_cast<double>(threads) / base;
    }
    return static_cast<double>(std::min(threads, processors)) / std::min(base, processors);
}

Interval speedupInterval(const SweepModel& model, const RunGroup& base, const RunGroup& group) {
    // Both ratios are the base's time over the group's: the speedup itself.
    const LevelRatio units = levelRatio(levelsOf(group, true), levelsOf(base, true));
    if (units.known) {
        return {true, units.ratio.low, units.ratio.high};
    }
    const RatioEstimate runs =
        ratioOfMedians(wallTimes(group), wallTimes(base), speedupSeed(model, group.key));
    return runs.known ? Interval{true, runs.ratio.low, runs.ratio.high} : Interval{};
}

void addBounds(ScalingReport* report) {
    if (!report->hasWall) {
        return;
    }
    const SweepModel& model = *report->model;
    const int32_t processors = usableProcessors(model);
    size_t found = 0;
    const GroupReport* worst = nullptr;
    for (const SeriesReport& s : report->series) {
        for (size_t g = s.first; g < s.last; g++) {
            GroupReport& group = report->groups[g];
            group.idealSpeedup = idealSpeedup(group.key.threads, s.base, processors);
            group.speedupInterval = speedupInterval(model, model.groups[s.first], model.groups[g]);
            // Above the ideal by more than rounding.
            group.impossibleSpeedup =
                group.speedupInterval.known && group.speedupInterval.low > group.idealSpeedup * (1 + 1e-9);
            if (group.impossibleSpeedup) {
                found++;
                const auto excess = [](const GroupReport* r) {
                    return r->speedupInterval.low / r->idealSpeedup;
                };
                worst = worst == nullptr || excess(&group) > excess(worst) ? &group : worst;
            }
        }
    }
    if (worst == nullptr) {
        return;
    }
    // TRANSLATORS: counts, the worst speedup, its ideal, its group, the processors.
    report->advice.push_back(formatMessage(
        _("a speedup lies wholly above the ideal min(T, P) at %zu counts, worst %s (ideal %s) at %s, P = %d: "
          "the base "
          "count's runs were likely slow (its first runs, or drift); sweep with --warmup 2 --order random "
          "--invocations 5"),
        found, significantCell(worst->speedup).c_str(), significantCell(worst->idealSpeedup).c_str(),
        groupLabel(model, worst->key).c_str(), processors));
}
