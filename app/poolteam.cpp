#include "app/poolteam.h"

#include "app/poolrun.h"

bool usePoolTeamOf(PoolTeam* team, size_t count, int32_t workers, const CpuMasks* masks) {
    if (team->count == count) {
        return true;
    }
    endPoolTeamOf(team);
    if (!startPoolTeam(workers, masks)) {
        return false;
    }
    team->count = count;
    return true;
}

void endPoolTeamOf(PoolTeam* team) {
    if (team->count != PoolTeam::none) {
        endPoolTeam();
        team->count = PoolTeam::none;
    }
}
