// A run's name in a sweep's JSON: "diagsum/<rows>x<columns>/threads:<T>",
// with a start-up mode and settings between the size and the count:
// "diagsum/<rows>x<columns>/<mode>/stack:64k/bind:compact/threads:<T>". A
// mode is letters, digits, '-' and '_', at most once; a setting is
// "<key>:<value>" (key like a mode, value letters, digits and "-_.,:"),
// each key at most once, and any key is taken: the settings are an open
// list. A name without a mode means "spawn"; without settings, the
// defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/sweep/model.h"

struct RunName {
    int32_t rows;
    int32_t columns;
    std::string mode;
    SettingList settings;  // as the name gives them; empty for the defaults
    int32_t threads;
};

// False, with a short reason, for a name not of that form or with a size or
// worker count below 1.
bool parseRunName(std::string_view name, RunName* run, std::string* reason);
