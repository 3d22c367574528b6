// What every layer knows of a run's workers: how many one run may have, and
// how they come to exist.
#pragma once

#include <cstdint>

#include "names/valuenames.h"

// Worker indices are 16 bits wide (ThreadArgs, app/diagworker.h): more
// workers would repeat indices and two of them would write the same slots.
inline constexpr int32_t maxWorkers = UINT16_MAX + 1;

// How the workers of a run come to exist: started and joined inside every
// run (spawn), or started once per worker count and handed each run (pool).
enum class RunMode { spawn, pool };

// The text of each mode as the options and the outputs spell it.
inline constexpr ValueName<RunMode> runModeNames[] = {{RunMode::spawn, "spawn"}, {RunMode::pool, "pool"}};
static_assert(tableNamesEach(runModeNames, RunMode::pool));

inline const char* runModeName(RunMode mode) {
    return nameOf(mode, runModeNames);
}
