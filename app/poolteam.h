// The lifetime of a sweep's pool team: the team of a worker count is
// brought up when a run of that count comes next and ended when a run of
// another count comes (or the sweep ends), always between runs, outside
// every measured interval. A count listed twice gets a team each time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/binding.h"

struct PoolTeam {
    static constexpr size_t none = SIZE_MAX;
    size_t count = none;  // index of the count whose team is up, or none
};

// Makes the team of the count at `count` (of `workers` workers, bound to
// `masks` when given) the one that is up, ending another count's team
// first. False when the new team cannot be brought up (said on stdout, as
// startPoolTeam says it); no team is up then.
bool usePoolTeamOf(PoolTeam* team, size_t count, int32_t workers, const CpuMasks* masks);

// Ends the team that is up, if any.
void endPoolTeamOf(PoolTeam* team);
