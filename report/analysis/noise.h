// The noise of a group's runs, and the warnings about it as a reader can
// take them in: each group's own line (--verbose), or by default one line
// per kind of noise and measure, saying how many groups it touches and
// where it is worst.
#pragma once

#include <string>
#include <vector>

#include "report/analysis/scaling.h"

// Adds a warning line and a note to `report` for each kind of noise the
// group's runs show in one measure (processor or wall time): runs beyond
// the far-outlier fence, a coefficient of variation above noisyVariation, a
// cold start. `inOrder` is the sample as made, `sorted` the same ascending.
void noteNoise(ScalingReport* report, const GroupKey& key, bool wall, const std::vector<double>& inOrder,
               const std::vector<double>& sorted, const SampleStats& stats);

// One line per kind and measure that occurs, in a fixed order:
// "processor time: coefficient of variation above 10 % at 96 of 127 counts,
// worst 41 % at 500 × 500, 108 workers". No newline.
std::vector<std::string> warningSummary(const ScalingReport& report);
