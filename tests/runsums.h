// The sums a run left in its result slots, for the tests that compare
// one way of making a run with another.
#pragma once

#include <vector>

#include "app/diagrun.h"

inline std::vector<float> runSums(const DiagRun& run) {
    std::vector<float> out;
    for (int32_t d = 0; d <= run.results.top; d++) {
        out.push_back(run.results.data[d].value);
    }
    return out;
}
