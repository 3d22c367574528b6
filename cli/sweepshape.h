// The values of the options that shape how a sweep's runs are made: the
// workers' stack size (--stack-size), where they run (--bind), the order
// of the runs (--order) and how the diagonals are dealt (--split). Each
// parser accepts the whole text or nothing; `why` says what is allowed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "machine/placement.h"
#include "plan/runplan.h"
#include "splits/split.h"

// A stack size as the options, the mean lines and the JSON names spell it:
// "default" for 0 (the system's default), "64k", "8m", "1g" for whole
// KiB, MiB and GiB, plain bytes otherwise.
std::string stackSizeName(size_t bytes);

// "default", or a size in bytes with an optional k, m or g suffix (either
// case; powers of 1024), at least PTHREAD_STACK_MIN; a comma-separated list
// of them, each size at most once. "default" reads as 0.
bool parseStackSizes(std::string_view text, std::vector<size_t>* sizes, std::string* why);

// "none", "compact", "scatter" or "list:0,2,4-7".
bool parsePlacement(std::string_view text, Placement* placement, std::string* why);

// "sequential", "interleaved", "random" or "random:SEED" (0 to 2^64 - 1).
struct OrderOption {
    RunOrder order = RunOrder::sequential;
    bool seedGiven = false;
    uint64_t seed = 0;
};
bool parseRunOrder(std::string_view text, OrderOption* order, std::string* why);

// "round-robin", "blocks", "dynamic", or a comma-separated list of them,
// each at most once; several alternate run by run.
bool parseSplitList(std::string_view text, std::vector<Split>* splits, std::string* why);
