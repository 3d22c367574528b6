#include "report/analysis/systemshare.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "report/stats/bootstrap.h"
#include "report/stats/runstats.h"

namespace {

struct Split {
    double user;
    double system;
};

double shareOf(const std::vector<Split>& runs, const std::vector<size_t>& picks) {
    double user = 0;
    double system = 0;
    for (size_t i : picks) {
        user += runs[i].user;
        system += runs[i].system;
    }
    return user + system > 0 ? system / (user + system) : NAN;
}

}  // namespace

bool tooFewTicks(double micros) {
    return micros < minShareTicks * kernelTickMicros;
}

ShareEstimate systemShareEstimate(const SweepModel& model, const RunGroup& group) {
    const int32_t userField = findField(model, "user_time_us");
    const int32_t systemField = findField(model, "system_time_us");
    std::vector<Split> runs;
    double total = 0;
    for (const Run& run : group.runs) {
        const Split split{fieldValue(model, run, userField), fieldValue(model, run, systemField)};
        if (split.user >= 0 && split.system >= 0) {
            runs.push_back(split);
            total += split.user + split.system;
        }
    }
    ShareEstimate estimate;
    if (runs.empty()) {
        return estimate;
    }
    estimate.counted = true;
    estimate.fewTicks = tooFewTicks(total);
    if (estimate.fewTicks) {
        return estimate;
    }
    std::vector<size_t> picks(runs.size());
    for (size_t i = 0; i < picks.size(); i++) {
        picks[i] = i;
    }
    estimate.share = shareOf(runs, picks);
    const GroupKey& k = group.key;
    std::mt19937_64 generator(
        seedOf({uint64_t(uint32_t(k.rows)), uint64_t(uint32_t(k.columns)), uint64_t(uint32_t(k.threads)),
                uint64_t(uint32_t(k.mode)), uint64_t(uint32_t(k.setting)), uint64_t(uint32_t(k.sweep))}));
    std::uniform_int_distribution<size_t> pick(0, runs.size() - 1);
    std::vector<double> shares;
    for (size_t r = 0; r < bootstrapResamples; r++) {
        for (size_t& p : picks) {
            p = pick(generator);
        }
        // A resample of runs with no user or system time at all has no
        // share: it tells nothing and stays out.
        if (const double share = shareOf(runs, picks); std::isfinite(share)) {
            shares.push_back(share);
        }
    }
    if (shares.empty()) {
        return estimate;
    }
    std::sort(shares.begin(), shares.end());
    estimate.interval = {true, quantile(shares, 0.025), quantile(shares, 0.975)};
    return estimate;
}
