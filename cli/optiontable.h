// The options of the two drivers, diagsum (the sweep) and diagsum-single
// (one run), in one table: each option's names, whether it takes a value,
// and which drivers accept it. getopt_long gets each driver's own part of
// it, so a driver knows only its own options.
#pragma once

#include <getopt.h>

#include <string>
#include <vector>

enum class Driver { sweep, single };

// The driver's program name, as its messages and --version give it.
const char* driverName(Driver driver);

// What getopt_long returns for each option: its short letter, or for a
// long-only option a value past the range of characters.
enum : int {
    optLog = 256,
    optNoLog,
    optOut,
    optJson,
    optStackSize,
    optBind,
    optOrder,
    optPerf,
    optContext,
    optProgress,
    optNoProgress,
    optInvocations,
    optSplit,
    optTrace
};

// The driver's options as getopt_long takes them: the long options in the
// table's order, ended by an all-zero entry, and the short ones (":s:t:hV",
// starting with ':' so that a missing value is told from an unknown option).
struct GetoptTable {
    std::vector<option> longOptions;
    std::string shortOptions;
};
GetoptTable getoptTable(Driver driver);
