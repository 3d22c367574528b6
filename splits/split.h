// How the D diagonals of a run are dealt to its T workers, described
// without running anything: the splits' names, and what each worker of a
// static split takes, in diagonals and in cells.
//
//   round-robin  worker k takes k, k + T, k + 2T, ... (the default, and the
//                document's worker itself, app/diagworker)
//   blocks       worker k takes one contiguous range, as OpenMP's
//                schedule(static): the first D mod T workers one diagonal more
//   dynamic      each worker takes the next diagonal nobody has taken yet
//                from a shared counter, as OpenMP's schedule(dynamic, 1)
//
// Every split sums each diagonal with sumDiagonal (splits/diagonalwalk.h),
// so the sums do not depend on the split; only who sums what, and when.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "names/valuenames.h"

enum class Split : uint8_t { roundRobin, blocks, dynamic };

inline constexpr Split defaultSplit = Split::roundRobin;
inline constexpr std::array<Split, 3> allSplits = {Split::roundRobin, Split::blocks, Split::dynamic};

// The splits' names as the user writes them.
inline constexpr ValueName<Split> splitNames[] = {
    {Split::roundRobin, "round-robin"}, {Split::blocks, "blocks"}, {Split::dynamic, "dynamic"}};
static_assert(tableNamesEach(splitNames, allSplits.back()) && std::size(splitNames) == allSplits.size());

inline const char* splitName(Split split) {
    return nameOf(split, splitNames);
}

// The split named exactly `text` (one of the names above); false, with
// `split` left alone, for anything else.
inline bool parseSplit(std::string_view text, Split* split) {
    return valueNamed(text, splitNames, split);
}

// The diagonals one worker of a static split takes: first, first + step, ...
// below end. Empty when first >= end.
struct DiagonalShare {
    int64_t first;
    int64_t end;
    int64_t step;
};

// Worker k's share of `diagonals` diagonals among `workers` under a static
// split (round-robin or blocks). Empty for the dynamic split, whose shares
// are known only once it has run, for k outside 0 ... workers - 1, and for
// fewer than one worker or diagonal.
DiagonalShare staticShare(Split split, int64_t diagonals, int32_t workers, int32_t k);

// The cells worker k sums in a rows x columns run under a static split.
int64_t shareCells(Split split, int32_t rows, int32_t columns, int32_t workers, int32_t k);

// The most cells one worker sums in a rows x columns run under a static
// split (the run's elements_max); none for the dynamic split, whose workers
// count their own cells (splits/splitworker.h). Takes one pass over the
// diagonals.
std::optional<int64_t> staticElementsMax(Split split, int32_t rows, int32_t columns, int32_t workers);

// How evenly the cells were dealt: the mean cells per worker over the most
// one worker summed (1 when perfectly even). None when the count tells
// nothing (no worker, or no worker summed a cell).
std::optional<double> cellBalance(int32_t rows, int32_t columns, int32_t workers, int64_t elementsMax);
