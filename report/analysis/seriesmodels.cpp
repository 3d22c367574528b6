#include "report/analysis/seriesmodels.h"

#include <algorithm>

#include "report/analysis/scaling.h"

namespace {

CountMedian countMedian(int32_t workers, const SampleStats& stats) {
    return {workers, stats.runs > 0 ? stats.median : NAN, stats.hasInterval, stats.low, stats.high};
}

SeriesModel modelOf(const ScalingReport& report, const SeriesReport& series,
                    const std::vector<int32_t>& predictAt) {
    SeriesModel model;
    model.key = series.key;
    std::vector<CountMedian> wall;
    std::vector<CountMedian> cpu;
    for (size_t g = series.first; g < series.last; g++) {
        const GroupReport& group = report.groups[g];
        wall.push_back(countMedian(group.key.threads, group.wall));
        cpu.push_back(countMedian(group.key.threads, group.cpu));
        if (report.hasWall) {
            model.throughput.push_back(throughputFromWall(group.key.threads, group.wall.median,
                                                          group.wall.hasInterval, group.wall.low,
                                                          group.wall.high));
        }
    }
    model.fastest = bestCount(wall);
    model.leastCpu = bestCount(cpu);
    if (report.hasWall) {
        model.amdahl = fitScaling(ScalingModel::amdahl, model.throughput, predictAt);
        model.usl = fitScaling(ScalingModel::usl, model.throughput, predictAt);
    }
    return model;
}

}  // namespace

std::vector<SeriesModel> seriesModels(const ScalingReport& report, const std::vector<int32_t>& predictAt) {
    std::vector<SeriesModel> models;
    for (const SeriesReport& series : report.series) {
        models.push_back(modelOf(report, series, predictAt));
    }
    return models;
}

const SeriesModel* findSeriesModel(const std::vector<SeriesModel>& models, const SeriesKey& key) {
    for (const SeriesModel& model : models) {
        if (model.key == key) {
            return &model;
        }
    }
    return nullptr;
}

bool anyFit(const std::vector<SeriesModel>& models) {
    return std::any_of(models.begin(), models.end(), [](const SeriesModel& m) {
        return m.usl.outcome == FitOutcome::fitted || m.amdahl.outcome == FitOutcome::fitted;
    });
}
