// Scaling curves for the model tests: a published measurement and curves
// made from known coefficients.
#pragma once

#include <cstdint>
#include <vector>

#include "report/models/scalingfit.h"

namespace modelcurves {

// Sysbench on a Cisco server, 1 to 32 workers (Schwartz, "Practical
// Scalability Analysis with the Universal Scalability Law").
inline std::vector<ThroughputPoint> schwartz() {
    const double x[] = {955.16,   1878.91,  2688.01,  3548.68,  4315.54,  5130.43,  5931.37, 6531.08,
                        7219.8,   7867.61,  8278.71,  8646.7,   9047.84,  9426.55,  9645.37, 9897.24,
                        10097.6,  10240.5,  10532.39, 10798.52, 11151.43, 11518.63, 11806,   12089.37,
                        12075.41, 12177.29, 12211.41, 12158.93, 12155.27, 12118.04, 12140.4, 12074.39};
    std::vector<ThroughputPoint> points;
    for (int32_t n = 1; n <= 32; n++) {
        points.push_back({n, x[n - 1]});
    }
    return points;
}

// X(N) = λN / (1 + σ(N − 1) + κN(N − 1)) at N = 1 … most.
inline std::vector<ThroughputPoint> curve(double lambda, double sigma, double kappa, int32_t most) {
    std::vector<ThroughputPoint> points;
    for (int32_t n = 1; n <= most; n++) {
        points.push_back({n, lambda * n / (1 + sigma * (n - 1) + kappa * n * (n - 1.0))});
    }
    return points;
}

}  // namespace modelcurves
