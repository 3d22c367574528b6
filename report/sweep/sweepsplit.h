// Telling sweeps apart. Runs of one series pooled from two sweeps made at
// other times (another sweep appended to the log, a second file) mix two
// states of the machine, and counts that only one of them made weigh it
// alone: the curve dips or jumps where the other sweep is missing. So every
// sweep is read on its own, and sweeps that share a series are reported
// apart unless the user pools them.
//
// Where a log's sweeps begin. The log has no marks between sweeps, only its
// lines in the order the runs were made. Per matrix size (a sweep has one),
// the lines fall into blocks: stretches of consecutive lines of one worker
// count.
//   - A sweep in sequential order makes all of a count's runs in one block,
//     count after count, so its blocks are long and each count has one.
//   - An interleaved or random sweep changes the count at almost every run:
//     its blocks are short (a run, or one per mode and stack size) and each
//     count has many.
// So the size's lines are read as sequential sweeps when the typical
// (median) block holds at least as many runs as the typical count has
// blocks; a new sweep then starts at every block of a count that the
// current sweep already had. Otherwise the lines are one interleaved or
// random sweep, or several appended that could be told apart only by
// knowing how many runs each made: they are read as one. Limits: sequential
// sweeps of one run per count look interleaved (and are pooled, which loses
// nothing: each count gets the same runs); two sweeps appended at the same
// time mix their lines and cannot be told apart.
//
// A sweep's JSON file holds one sweep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/sweep/model.h"

// One run of a log: its matrix size and worker count, in line order.
struct LogRunPlace {
    int32_t rows;
    int32_t columns;
    int32_t threads;
};

// The sweep of each run, numbered from 0 in the order the sweeps begin.
std::vector<uint32_t> logSweeps(const std::vector<LogRunPlace>& runs);

// Sweeps share a series when they have runs of the same size, settings,
// mode and count. Those are told apart: each becomes its own series,
// labelled "sweep N" (N its place among every sweep read, from 1); the
// others' series stay together, as one, without a label. With `pool`
// nothing is told apart. Returns the sweeps told apart, in order.
std::vector<int32_t> tellSweepsApart(SweepModel* model, bool pool);

// For a comparison: every file's sweeps are told apart (a file's are pooled
// into one with `pool`), each labelled with its file's label, and with
// ", sweep N" after it (N from 1 within the file) when a file holds several.
// `labels` holds one per file.
void sweepsAsSides(SweepModel* model, const std::vector<std::string>& labels, bool pool);

// Where a sweep lies, for messages: "infoData.csv, lines 1-6350", or the
// file's path for a JSON.
std::string sweepPlace(const SweepModel& model, int32_t sweep);
