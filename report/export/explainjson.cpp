#include "report/export/explainjson.h"

#include <cmath>

#include "report/export/jsonnumber.h"
#include "report/sweep/seriesname.h"

using Json = nlohmann::ordered_json;

namespace {

const char* outcomeName(FitOutcome outcome) {
    return nameOf(outcome, fitOutcomeNames);
}

void addEstimate(Json* fit, const char* name, const Estimate& estimate) {
    (*fit)[name] = exportedNumber(estimate.value);
    (*fit)[std::string(name) + "_se"] = estimate.atBound ? Json(nullptr) : exportedNumber(estimate.stdError);
}

Json fitJson(const ScalingFit& fit) {
    Json json = {{"outcome", outcomeName(fit.outcome)}, {"counts", fit.counts}};
    if (fit.outcome != FitOutcome::fitted) {
        return json;
    }
    addEstimate(&json, "sigma", fit.sigma);
    addEstimate(&json, "kappa", fit.kappa);
    addEstimate(&json, "lambda", fit.lambda);
    json["r2"] = exportedNumber(fit.rSquared);
    const bool peaks = fit.shape == CurveShape::peaks;
    json["peak_workers"] = peaks ? exportedNumber(fit.peak.workers.value) : Json(nullptr);
    json["peak_throughput"] = peaks ? exportedNumber(fit.peak.throughput.value) : Json(nullptr);
    Json predictions = Json::array();
    for (const Prediction& p : fit.predictions) {
        predictions.push_back({{"workers", p.workers},
                               {"throughput", exportedNumber(p.throughput.value)},
                               {"ci_low", exportedNumber(p.throughput.low)},
                               {"ci_high", exportedNumber(p.throughput.high)},
                               {"extrapolated", p.extrapolated}});
    }
    json["predictions"] = predictions;
    return json;
}

Json statsJson(const SampleStats& stats) {
    return {{"value", exportedNumber(stats.median)},
            {"ci_low", stats.hasInterval ? exportedNumber(stats.low) : Json(nullptr)},
            {"ci_high", stats.hasInterval ? exportedNumber(stats.high) : Json(nullptr)}};
}

}  // namespace

Json modelsJson(const ScalingReport& report) {
    Json list = Json::array();
    for (const SeriesModel& m : report.models) {
        list.push_back({{"series", seriesLabel(*report.model, m.key)},
                        {"usl", fitJson(m.usl)},
                        {"amdahl", fitJson(m.amdahl)}});
    }
    return list;
}

void addTraceFigures(Json* count, const ScalingReport& report, const GroupKey& key) {
    const GroupEfficiency* g = findEfficiency(report.efficiencies, key);
    if (g == nullptr) {
        return;
    }
    const struct {
        const char* name;
        const SampleStats* stats;
    } figures[] = {{startLatencyField, &g->startLatency},
                   {loadBalanceField, &g->loadBalance},
                   {parallelEfficiencyField, &g->parallelEfficiency}};
    for (const auto& figure : figures) {
        if (figure.stats->runs > 0) {
            (*count)[figure.name] = statsJson(*figure.stats);
        }
    }
}
