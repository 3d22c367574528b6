// The values the command lines and the single run's prompt take: numbers,
// matrix sizes, lists of worker counts and modes, KEY=VALUE pairs. Each
// parser accepts the whole text or nothing: no trailing text, no silent
// wrap-around.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plan/workers.h"

// `why`, where given, says what is allowed.

// A decimal integer from `min` to `max`.
bool parseBoundedInt(std::string_view text, int64_t min, int64_t max, int32_t* value);

// A worker count: a decimal integer from 1 to maxWorkers.
bool parseWorkerCount(std::string_view text, int32_t* count);

// "ROWSxCOLUMNS": both at least 1, rows + columns - 1 within int32, and the
// run's memory (matrixSizeFits) within the machine's physical memory.
bool parseMatrixSize(std::string_view text, int32_t* rows, int32_t* columns, std::string* why);

// Refuses sizes whose diagonals do not fit an int32 or whose cells, result
// slots (8 bytes per diagonal) and text of the sums (about 12 bytes per
// diagonal) do not fit in the machine's physical memory; `why` says which.
bool matrixSizeFits(int32_t rows, int32_t columns, std::string* why);

// "1-127", "1,2,4,8", "1-8,16,32": counts from 1 to maxWorkers, in the order
// given; a range from a larger to a smaller count runs downwards. A count
// given twice ("1,2,1", "1-4,3") is refused, naming it.
bool parseThreadList(std::string_view text, std::vector<int32_t>* counts, std::string* why);

// "KEY=VALUE": a key of at least one character without '=', then any value.
bool parseContextPair(std::string_view text, std::pair<std::string, std::string>* pair);

// "spawn", "pool" or both, comma-separated, each at most once.
bool parseModeList(std::string_view text, std::vector<RunMode>* modes, std::string* why);
