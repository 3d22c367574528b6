// What the JSON file adds to Google Benchmark's format to explain a sweep:
// the machine's fingerprint and the build in the context, and each run's
// resource use and perf counts as extra numeric fields of its entry (the
// way Google Benchmark writes user counters), which tools that do not know
// them pass over.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "counters/runclock.h"
#include "machine/fingerprint.h"

// Everything about the sweep's circumstances that goes in the context.
struct SweepFacts {
    MachineFingerprint machine;  // read before the first run (its load average then)
    ProcessFacts process;
    LoadAverage loadAtEnd;
    std::vector<size_t> perfEvents;                                // the perf events that counted
    std::vector<std::pair<std::string, std::string>> userContext;  // --context KEY=VALUE, in order
};

// Adds the facts to a context object: the fingerprint, the build (type,
// flags, source version), the perf events and, under "user_context", the
// user's own pairs. Facts not known read "unknown".
void addSweepFacts(nlohmann::ordered_json* context, const SweepFacts& facts);

// A run's extra fields, in the order written: user_time_us,
// system_time_us, minor_faults, major_faults, voluntary_switches,
// involuntary_switches, then one per perf event counted in that run.
std::vector<std::pair<std::string, double>> runCounterFields(const RunTime& time);
