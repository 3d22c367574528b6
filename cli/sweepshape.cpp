#include "cli/sweepshape.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "cli/parsing.h"
#include "i18n/messages.h"
#include "machine/rangelist.h"

namespace {

bool parseUnsigned(std::string_view text, uint64_t* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

size_t smallestStack() {
    const long least = sysconf(_SC_THREAD_STACK_MIN);
    return least > 0 ? static_cast<size_t>(least) : 16384;
}

// One size: bytes, or a number with a binary suffix; 0 for "default".
bool parseStackSize(std::string_view text, size_t* bytes) {
    if (text == "default") {
        *bytes = 0;
        return true;
    }
    int shift = 0;
    if (!text.empty()) {
        switch (text.back()) {
            case 'k':
            case 'K':
                shift = 10;
                break;
            case 'm':
            case 'M':
                shift = 20;
                break;
            case 'g':
            case 'G':
                shift = 30;
                break;
            default:
                break;
        }
    }
    if (shift != 0) {
        text.remove_suffix(1);
    }
    uint64_t value;
    if (!parseUnsigned(text, &value) || value > (SIZE_MAX >> shift)) {
        return false;
    }
    *bytes = static_cast<size_t>(value << shift);
    return *bytes >= smallestStack();
}

}  // namespace

std::string stackSizeName(size_t bytes) {
    if (bytes == 0) {
        return "default";
    }
    const struct {
        int shift;
        const char* suffix;
    } units[] = {{30, "g"}, {20, "m"}, {10, "k"}};
    for (const auto& unit : units) {
        if (bytes % (size_t{1} << unit.shift) == 0) {
            return std::to_string(bytes >> unit.shift) + unit.suffix;
        }
    }
    return std::to_string(bytes);
}

bool parseStackSizes(std::string_view text, std::vector<size_t>* sizes, std::string* why) {
    return parseDistinctItems(text, parseStackSize, sizes, why,
                              formatMessage(_("use default or sizes such as 64k, 1m, 8m or bytes, each at "
                                              "least %zu bytes and named once, separated by commas"),
                                            smallestStack()));
}

bool parsePlacement(std::string_view text, Placement* placement, std::string* why) {
    constexpr std::string_view listPrefix = "list:";
    Placement parsed;
    if (text.starts_with(listPrefix)) {
        parsed.policy = BindPolicy::list;
        if (!parseCpuList(text.substr(listPrefix.size()), &parsed.cpus)) {
            return refuseValue(why, _("list:CPUS takes CPU numbers and ranges, such as list:0,2,4-7"));
        }
    } else if (!valueNamed(text, bindPolicyNames, &parsed.policy) || parsed.policy == BindPolicy::list) {
        return refuseValue(why, _("use none, compact, scatter or list:CPUS"));
    }
    *placement = std::move(parsed);
    return true;
}

bool parseRunOrder(std::string_view text, OrderOption* order, std::string* why) {
    constexpr std::string_view randomPrefix = "random:";
    OrderOption parsed;
    if (text.starts_with(randomPrefix)) {
        parsed.order = RunOrder::random;
        parsed.seedGiven = true;
        if (!parseUnsigned(text.substr(randomPrefix.size()), &parsed.seed)) {
            return refuseValue(why, _("random:SEED takes a seed from 0 to 18446744073709551615"));
        }
    } else if (!valueNamed(text, runOrderNames, &parsed.order)) {
        return refuseValue(why, _("use sequential, interleaved, random or random:SEED"));
    }
    *order = parsed;
    return true;
}

bool parseSplitList(std::string_view text, std::vector<Split>* splits, std::string* why) {
    return parseDistinctItems(text, parseSplit, splits, why,
                              _("use round-robin, blocks or dynamic, each named once, separated by commas"));
}
