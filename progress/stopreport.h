// The one line on stderr that says how far a stopped sweep got and which
// files keep its runs.
#pragma once

#include <cstddef>
#include <string>

// "diagsum: sweep stopped by SIGINT after 12 of 100 timed runs; they are
// kept in infoData.csv, sweep.json", with `kept` naming the files that keep
// them (outputs/driveroutputs.h: keptRunsText); "...; no file keeps them"
// when it is empty.
void reportSweepStop(int signal, size_t made, size_t planned, const std::string& kept);
