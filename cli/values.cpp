#include "cli/values.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "cli/parsing.h"
#include "i18n/messages.h"
#include "machine/rangelist.h"
#include "slotstore/slotstore.h"

namespace {


bool parseInt64(std::string_view text, int64_t* value) {
    if (text.empty() || text.front() == '+') {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc{} && end == text.data() + text.size();
}

std::string countGivenTwice(int32_t count) {
    return formatMessage(_("worker count %d is given twice; give each count once"), count);
}

}  // namespace

bool parseBoundedInt(std::string_view text, int64_t min, int64_t max, int32_t* value) {
    int64_t wide;
    if (!parseInt64(text, &wide) || wide < min || wide > max) {
        return false;
    }
    *value = static_cast<int32_t>(wide);
    return true;
}

bool parseWorkerCount(std::string_view text, int32_t* count) {
    return parseBoundedInt(text, 1, maxWorkers, count);
}

bool matrixSizeFits(int32_t rows, int32_t columns, std::string* why) {
    if (int64_t{rows} + columns - 1 > int32Max) {
        return refuseValue(why, _("rows + columns - 1 must fit in 2147483647"));
    }
    // A row table entry and a row of floats per row, a result slot per
    // diagonal, which for a matrix of few rows takes twice what its cells do,
    // and the text of the sums, built whole while the run is still held: a
    // line "N.000000\n" per diagonal, N at most the shorter side, in a
    // buffer of at least 12 bytes a line. The allocator's own overhead is left
    // out, so this only refuses what can never fit.
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        const uint64_t memory = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
        const uint64_t cells = static_cast<uint64_t>(rows) * static_cast<uint64_t>(columns);  // < 2^62
        const uint64_t diagonals = static_cast<uint64_t>(rows) + static_cast<uint64_t>(columns) - 1;
        const uint64_t lineBytes = std::max<uint64_t>(12, std::to_string(std::min(rows, columns)).size() + 8);
        const uint64_t fixed = static_cast<uint64_t>(rows) * sizeof(float*) +
                               diagonals * (sizeof(ArrayItem) + lineBytes);  // < 2^31 * 24
        if (fixed > memory || cells > (memory - fixed) / sizeof(float)) {
            return refuseValue(why,
                               formatMessage(_("the matrix does not fit in the machine's physical memory "
                                               "(%llu MiB)"),
                                             static_cast<unsigned long long>(memory >> 20)));
        }
    }
    return true;
}

bool parseMatrixSize(std::string_view text, int32_t* rows, int32_t* columns, std::string* why) {
    const auto x = text.find_first_of("xX");
    const char* allowed = _("use ROWSxCOLUMNS, each from 1 to 2147483647, for example 500x500");
    if (x == std::string_view::npos || !parseBoundedInt(text.substr(0, x), 1, int32Max, rows) ||
        !parseBoundedInt(text.substr(x + 1), 1, int32Max, columns)) {
        return refuseValue(why, allowed);
    }
    return matrixSizeFits(*rows, *columns, why);
}

bool parseThreadList(std::string_view text, std::vector<int32_t>* counts, std::string* why) {
    const std::string allowed =
        formatMessage(_("use counts from 1 to %d separated by commas, or ranges such as 1-8"), maxWorkers);
    std::vector<int32_t> parsed;
    // Two groups of one count would carry one name in the JSON, and tools
    // that compare sweeps would pool them.
    std::vector<bool> seen(maxWorkers + 1, false);
    for (std::string_view item : listItems(text)) {
        NumberRange range;
        if (!parseNumberRange(item, parseWorkerCount, &range)) {
            return refuseValue(why, allowed);
        }
        const int32_t step = range.first <= range.last ? 1 : -1;
        for (int32_t t = range.first;; t += step) {
            if (seen[static_cast<size_t>(t)]) {
                return refuseValue(why, countGivenTwice(t));
            }
            seen[static_cast<size_t>(t)] = true;
            parsed.push_back(t);
            if (t == range.last) {
                break;
            }
        }
    }
    *counts = std::move(parsed);
    return true;
}

bool parseContextPair(std::string_view text, std::pair<std::string, std::string>* pair) {
    const auto equals = text.find('=');
    if (equals == 0 || equals == std::string_view::npos) {
        return false;
    }
    *pair = {std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
    return true;
}

bool parseModeList(std::string_view text, std::vector<RunMode>* modes, std::string* why) {
    const auto modeNamed = [](std::string_view item, RunMode* mode) {
        return valueNamed(item, runModeNames, mode);
    };
    return parseDistinctItems(text, modeNamed, modes, why, _("use spawn, pool or spawn,pool"));
}
