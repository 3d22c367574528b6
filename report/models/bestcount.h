// The best worker count of a curve: the one with the lowest median (of wall
// time or of processor time), and the counts that cannot be told from it,
// those whose 95 % interval of the median overlaps its interval.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CountMedian {
    int32_t workers = 0;
    double median = NAN;
    bool hasInterval = false;  // false with too few runs for one
    double low = NAN;          // 95 % interval of the median
    double high = NAN;
};

struct BestCount {
    bool found = false;  // false without a finite median
    size_t counts = 0;   // the counts with a finite median, the best one among them
    int32_t workers = 0;
    bool hasInterval = false;          // the best count's
    std::vector<int32_t> withinNoise;  // the others whose interval overlaps the best's, ascending
    std::vector<int32_t>
        untold;  // the others without an interval, ascending (all of them when the best has none)
};

// The count with the lowest median; of equal medians, the fewest workers.
// Counts whose median is not finite are left out.
BestCount bestCount(const std::vector<CountMedian>& counts);

enum class MedianKind { wall, processor };

// "fastest here: 2 workers (1 and 3 within the noise)", or for processor
// time "least processor time here: …"; the counts without an interval are
// said to have too few runs to tell. Empty when nothing was found.
std::string bestCountLine(const BestCount& best, MedianKind kind);

// Ascending counts as words: "1, 3 and 5", with runs of three or more
// consecutive counts as ranges, "1–4 and 8".
std::string countList(const std::vector<int32_t>& counts);
