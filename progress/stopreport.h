// The one line on stderr that says how far a stopped sweep got and which
// files keep its runs.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "outputs/outputfile.h"

// "diagsum: sweep stopped by SIGINT after 12 of 100 timed runs; they are
// kept in infoData.csv, sweep.json", naming, in the order given, each of
// `files` that has a name and did not fail; "...; no file keeps them" when
// none does.
void reportSweepStop(int signal, size_t made, size_t planned, std::initializer_list<const OutputFile*> files);
