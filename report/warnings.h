// The noise warnings as a reader can take them in: by default one line per
// kind of noise and measure, saying how many groups it touches and where it
// is worst; every group's own line only when asked for.
#pragma once

#include <string>
#include <vector>

#include "report/scaling.h"

// One line per kind and measure that occurs, in a fixed order:
// "processor time: coefficient of variation above 10 % at 96 of 127 counts,
// worst 41 % at 500 × 500, 108 workers". No newline.
std::vector<std::string> warningSummary(const ScalingReport& report);
