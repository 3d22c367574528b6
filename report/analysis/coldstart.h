// Whether the first runs of a count are slower than the rest: a cold start
// (caches, page faults, the frequency governor waking up) that --warmup
// runs would have absorbed. Per group, in its wall time (the processor time
// from the log), the first coldRuns(k) runs of each invocation, by their
// sequence, against the rest: a one-sided Mann-Whitney U test that the
// first are slower, at compareAlpha divided by the number of groups tested
// (Bonferroni), so that a sweep of many counts does not find one by chance.
#pragma once

#include <cstddef>

#include "report/analysis/scaling.h"

// The first runs tested per invocation of a sweep of `invocations`: three
// runs of one invocation, two of two, one of each from three up.
size_t coldRuns(size_t invocations);

// The test of one group; `p` is its one-sided p-value (1 when the group is
// too small: fewer than three runs besides the first ones), `ratio` the
// median of the first runs over the median of the rest.
struct ColdStartTest {
    bool tested = false;
    double p = 1;
    double ratio = NAN;
    size_t first = 0;  // runs taken as first ones
};
ColdStartTest testColdStart(const RunGroup& group, bool wall);

// Sets GroupReport::coldStart on every group whose test passes the
// corrected threshold, and adds one line to report->advice when any does.
void addColdStarts(ScalingReport* report);
