// A fit of a scaling curve in plain words: one sentence per fit (and one
// for its predictions), in the user's language, without the series' name
// and without a newline. Figures carry their 95 % intervals as "± half
// width"; a peak or a prediction outside the counts measured is called an
// extrapolation; a fit with R² below poorRSquared says that the model does
// not describe the curve, and nothing more.
#pragma once

#include <cstdint>
#include <string>

#include "report/models/scalingfit.h"

inline constexpr double poorRSquared = 0.9;

// "USL (R² 0.998): contention 2.7 ± 0.2 %, coherency 0.077 ± 0.004 %;
// throughput peaks at 36 ± 2 workers, 12342 ± 57 runs/s", or why there are
// no figures. With usableCpus > 0 and counts beyond it, adds that those
// counts measure oversubscription, not parallel hardware.
std::string fitSentence(const ScalingFit& fit, int32_t usableCpus = 0);

// "USL predicts 11064 ± 40 runs/s at 20 workers; 9100 ± 300 runs/s at 64
// workers (an extrapolation)"; empty without predictions or when the fit
// has no figures or a poor R².
std::string predictionsSentence(const ScalingFit& fit);

// A figure and its uncertainty: "2.7 ± 0.2", "0.077 ± 0.019": the half
// width to two significant digits when they are 10 to 35, to one otherwise,
// and the value to the same decimals; but never more decimals than two
// significant digits of the value need, nor fewer than none.
std::string plusMinus(double value, double halfWidth);
