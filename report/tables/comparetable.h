// The table of a comparison (report/compare/compare.h): per series (its
// size, settings and mode in columns as in every table), count and side the runs, both medians, the ratio to the base with its interval,
// the p-value and the verdict; then one summary line per side and measure.
#pragma once

#include <string>

#include "report/compare/compare.h"

std::string compareText(const CompareReport& report);

// "faster", "slower", "no difference beyond the noise", "n/a".
std::string verdictText(Verdict verdict);
