// Reading the JSON file a sweep writes (Google Benchmark's format, written
// with nlohmann/json and read back with it): one entry per timed run with
// its wall time ("real_time") and processor time ("cpu_time"), and the
// aggregates Google Benchmark adds after each worker count, which the
// report computes again from the runs and so skips.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/logstats.h"

// A run's name: "diagsum/<rows>x<columns>/threads:<T>", with a start-up
// mode and settings between the size and the count:
// "diagsum/<rows>x<columns>/<mode>/stack:64k/bind:compact/threads:<T>". A
// mode is letters, digits, '-' and '_', at most once; a setting is
// "<key>:<value>" (value: letters, digits and "-_.,:"). A name without a
// mode means "spawn"; without settings, the defaults.
struct RunName {
    int32_t rows;
    int32_t columns;
    std::string mode;
    std::string settings;  // the settings as named, joined by '/'; "" for none
    int32_t threads;
};

// False, with a short reason, for a name not of that form or with a size or
// worker count below 1.
bool parseRunName(std::string_view name, RunName* run, std::string* reason);

// Reads the runs of a JSON sweep into `runs` (which then has wall times),
// times converted to µs from any of Google Benchmark's units. Entries that
// are not runs of the program are listed in runs->problems and skipped.
// False, with `error` set, when the text is not JSON or has no
// "benchmarks" list.
bool readBenchJson(std::string_view text, RunSet* runs, std::string* error);
