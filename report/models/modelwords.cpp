#include "report/models/modelwords.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "i18n/messages.h"

namespace {

const char* modelName(ScalingModel model) {
    return model == ScalingModel::usl ? "USL" : "Amdahl";
}

// The decimals that show `value` to `digits` significant digits; INT_MAX
// for 0 or a value that is not finite, which ask for none of their own.
int decimalsFor(double value, int digits) {
    if (value == 0 || !std::isfinite(value)) {
        return INT_MAX;
    }
    return std::max(0, digits - 1 - static_cast<int>(std::floor(std::log10(std::fabs(value)))));
}

// The significant digits of an uncertainty: two when its leading digits
// are 100 to 354, one otherwise (the Particle Data Group's rule), so that
// rounding never changes it by more than about a sixth.
int uncertaintyDigits(double halfWidth) {
    if (!(halfWidth > 0) || !std::isfinite(halfWidth)) {
        return 1;
    }
    const double leading = halfWidth / std::pow(10.0, std::floor(std::log10(halfWidth)));
    return leading < 3.55 ? 2 : 1;
}

std::string withDecimals(double value, int decimals) {
    return formatMessage("%.*f", std::clamp(decimals, 0, 15), value);
}

std::string estimateText(const Estimate& estimate, double scale = 1) {
    return plusMinus(estimate.value * scale, (estimate.high - estimate.value) * scale);
}

// σ or κ as a percentage with its interval or its bound, and whether the
// data can tell it from zero.
std::string percentText(const Estimate& estimate) {
    if (estimate.atBound) {
        return formatMessage(_("%s %% (at its bound)"), withDecimals(estimate.value * 100, 0).c_str());
    }
    const std::string figure = estimateText(estimate, 100);
    if (estimate.low <= 0) {
        return formatMessage(_("%s %% (the data cannot tell it from 0)"), figure.c_str());
    }
    return figure + " %";
}

std::string peakClause(const ScalingFit& fit) {
    const Peak& peak = fit.peak;
    const std::string workers = estimateText(peak.workers);
    const std::string throughput = estimateText(peak.throughput);
    if (!peak.extrapolated) {
        // TRANSLATORS: N* and X(N*), each with its interval ("36 ± 4").
        return formatMessage(_("throughput peaks at %s workers, %s runs/s"), workers.c_str(),
                             throughput.c_str());
    }
    if (peak.workers.value > fit.most) {
        return formatMessage(
            _("throughput keeps rising to the largest count measured; the model's peak, %s runs/s "
              "at %s workers, is an extrapolation"),
            throughput.c_str(), workers.c_str());
    }
    return formatMessage(
        _("throughput falls from the smallest count measured on; the model's peak, %s runs/s at "
          "%s workers, is an extrapolation"),
        throughput.c_str(), workers.c_str());
}

// What the curve does: peaks, falls, levels off or keeps rising.
std::string shapeClause(const ScalingFit& fit) {
    switch (fit.shape) {
        case CurveShape::peaks:
            return peakClause(fit);
        case CurveShape::falls:
            return _("throughput falls with every worker added");
        case CurveShape::levelsOff:
            return formatMessage(_("throughput levels off, towards %s runs/s with ever more workers"),
                                 estimateText(fit.ceiling).c_str());
        default:
            return _("throughput grows in proportion to the workers to the largest count measured");
    }
}

std::string unfittedSentence(const ScalingFit& fit) {
    const char* name = modelName(fit.model);
    switch (fit.outcome) {
        case FitOutcome::tooFewCounts:
            // TRANSLATORS: the model (USL), the counts measured, the counts a fit needs.
            return formatMessage(ngettext("%s: %zu worker count, fewer than the %zu a fit needs: no fit",
                                          "%s: %zu worker counts, fewer than the %zu a fit needs: no fit",
                                          static_cast<unsigned long>(fit.counts)),
                                 name, fit.counts, minFitCounts);
        case FitOutcome::unusablePoint:
            return formatMessage(
                _("%s: a count below 1 or a throughput that is not a positive number: no fit"), name);
        default:
            return formatMessage(_("%s: the fit did not converge: no figures"), name);
    }
}

bool describes(const ScalingFit& fit) {
    return fit.rSquared >= poorRSquared;
}

}  // namespace

std::string plusMinus(double value, double halfWidth) {
    int decimals = std::min(decimalsFor(value, 2), decimalsFor(halfWidth, uncertaintyDigits(halfWidth)));
    if (decimals == INT_MAX) {
        decimals = 0;
    }
    return formatMessage("%s ± %s", withDecimals(value, decimals).c_str(),
                         withDecimals(halfWidth, decimals).c_str());
}

std::string fitSentence(const ScalingFit& fit, int32_t usableCpus) {
    if (fit.outcome != FitOutcome::fitted) {
        return unfittedSentence(fit);
    }
    const char* name = modelName(fit.model);
    const std::string r2 = std::isnan(fit.rSquared) ? std::string("n/a") : withDecimals(fit.rSquared, 3);
    std::string sentence;
    if (!describes(fit)) {
        sentence = formatMessage(_("%s (R² %s): the model does not describe this curve"), name, r2.c_str());
    } else if (fit.model == ScalingModel::usl) {
        // TRANSLATORS: the model (USL), its R², the contention and the
        // coherency with their intervals ("2.7 ± 0.9 %"), then what the
        // throughput does ("throughput peaks at ...").
        sentence = formatMessage(_("%s (R² %s): contention %s, coherency %s; %s"), name, r2.c_str(),
                                 percentText(fit.sigma).c_str(), percentText(fit.kappa).c_str(),
                                 shapeClause(fit).c_str());
    } else {
        // TRANSLATORS: as above, for Amdahl's law, which has no coherency.
        sentence = formatMessage(_("%s (R² %s): contention %s; %s"), name, r2.c_str(),
                                 percentText(fit.sigma).c_str(), shapeClause(fit).c_str());
    }
    if (usableCpus > 0 && fit.most > usableCpus) {
        sentence += formatMessage(_("; counts above %d, the CPUs this process may use, measure "
                                    "oversubscription, not parallel hardware"),
                                  usableCpus);
    }
    return sentence;
}

std::string predictionsSentence(const ScalingFit& fit) {
    if (fit.outcome != FitOutcome::fitted || !describes(fit) || fit.predictions.empty()) {
        return "";
    }
    std::string list;
    for (const Prediction& prediction : fit.predictions) {
        // TRANSLATORS: a predicted throughput with its interval, at a worker count.
        std::string item = formatMessage(ngettext("%s runs/s at %d worker", "%s runs/s at %d workers",
                                                  static_cast<unsigned long>(prediction.workers)),
                                         estimateText(prediction.throughput).c_str(), prediction.workers);
        if (prediction.extrapolated) {
            item = formatMessage(_("%s (an extrapolation)"), item.c_str());
        }
        list += (list.empty() ? "" : "; ") + item;
    }
    // TRANSLATORS: the model (USL), then the predictions separated by "; ".
    return formatMessage(_("%s predicts %s"), modelName(fit.model), list.c_str());
}
