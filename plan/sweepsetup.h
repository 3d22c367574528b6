// What a sweep decides before its first run, from its options and the
// machine: the order of every run, the variants that alternate (each
// start-up mode with each split and each stack size), and the CPU of each
// worker when the workers are bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "machine/binding.h"
#include "plan/runplan.h"
#include "splits/split.h"

// One kind of run of the sweep.
struct Variant {
    RunMode mode;
    size_t stack;  // index into SweepOptions::stackSizes
    Split split = defaultSplit;
};

struct SweepSetup {
    std::vector<Variant> variants;  // the stack sizes in turn, each with every split, each with every mode
    RunPlan plan;
    uint64_t seed = 0;   // random order only: the seed given or drawn
    bool bound = false;  // the workers are bound to CPUs
    CpuMasks masks;      // bound only: worker k's CPU is masks.cpus[k % size]
};

// The variants of the sweep, in the order they alternate: the stack sizes
// in turn, each with every split, each with every mode.
std::vector<Variant> sweepVariants(const SweepOptions& options);

// Whether the default log (infoData.csv) takes the runs of `variant`. Its
// five fields cannot tell one variant from another, so it takes only runs
// made the default way (spawn, the system's stack, unbound workers, dealt
// round-robin); every
// other variant's runs go only to a log the user named. A new kind of
// variant adds its default here.
bool variantInDefaultLog(const SweepOptions& options, const Variant& variant);

// Makes the setup. A seed drawn for a random order is said in one line on
// stderr, so that the order can be repeated. False after one line on stderr
// starting with the program's name when the options cannot be honoured on
// this machine: a list naming a CPU the process may not use, a topology
// hwloc cannot read, or a random order of too many runs.
bool setUpSweep(const SweepOptions& options, SweepSetup* setup);

// The variant's suffix of the mean lines ("pool", "stack:64k", "spawn
// stack:64k", "split:blocks"): the mode when --mode was given, the stack
// size and the split when several alternate; empty when none of these.
std::string variantLabel(const SweepOptions& options, const Variant& variant);
