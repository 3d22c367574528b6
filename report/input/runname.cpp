#include "report/input/runname.h"

#include <algorithm>
#include <charconv>

#include "i18n/messages.h"

namespace {

constexpr size_t maxModeLength = 32;

bool parsePositive(std::string_view text, int32_t* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty() && *value > 0;
}

bool isPlain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isModeName(std::string_view mode) {
    return !mode.empty() && mode.size() <= maxModeLength &&
           std::all_of(mode.begin(), mode.end(), [](char c) { return isPlain(c) || c == '-' || c == '_'; });
}

// "<key>:<value>", such as "stack:64k" or "bind:list:0,2,4-7".
bool isSettingName(std::string_view setting) {
    const auto colon = setting.find(':');
    if (colon == std::string_view::npos || setting.size() > 4 * maxModeLength ||
        !isModeName(setting.substr(0, colon)) || colon + 1 == setting.size()) {
        return false;
    }
    const std::string_view value = setting.substr(colon + 1);
    return std::all_of(value.begin(), value.end(),
                       [](char c) { return isPlain(c) || std::string_view("-_.,:").find(c) != std::string_view::npos; });
}

bool hasKey(const SettingList& settings, std::string_view key) {
    return std::any_of(settings.begin(), settings.end(), [&](const Setting& s) { return s.key == key; });
}

// The segments between the size and the count: at most one mode, then any
// settings.
bool readMiddle(std::string_view middle, RunName* run, std::string* reason) {
    bool modeSeen = false;
    while (true) {
        const auto slash = middle.find('/');
        const std::string_view segment = middle.substr(0, slash);
        if (segment.find(':') != std::string_view::npos) {
            const auto colon = segment.find(':');
            if (!isSettingName(segment) || hasKey(run->settings, segment.substr(0, colon))) {
                *reason = _("a setting in the name must be <key>:<value> of letters, digits and -_.,:, each key once");
                return false;
            }
            run->settings.push_back({std::string(segment.substr(0, colon)), std::string(segment.substr(colon + 1))});
        } else if (modeSeen || !isModeName(segment)) {
            *reason = _("the mode in the name must be letters, digits, '-' or '_', given once");
            return false;
        } else {
            modeSeen = true;
            run->mode = segment;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        middle.remove_prefix(slash + 1);
    }
}

}  // namespace

bool parseRunName(std::string_view name, RunName* run, std::string* reason) {
    constexpr std::string_view program = "diagsum/";
    constexpr std::string_view threadsPrefix = "threads:";
    *reason = _("not a run of diagsum (diagsum/<rows>x<columns>[/<mode>][/<setting>...]/threads:<T>)");
    if (!name.starts_with(program)) {
        return false;
    }
    name.remove_prefix(program.size());
    const auto sizeEnd = name.find('/');
    const auto threadsAt = name.rfind('/');
    if (sizeEnd == std::string_view::npos || !name.substr(threadsAt + 1).starts_with(threadsPrefix)) {
        return false;
    }
    const std::string_view size = name.substr(0, sizeEnd);
    const auto times = size.find('x');
    if (times == std::string_view::npos) {
        return false;
    }
    run->mode = "spawn";
    run->settings.clear();
    if (threadsAt != sizeEnd && !readMiddle(name.substr(sizeEnd + 1, threadsAt - sizeEnd - 1), run, reason)) {
        return false;
    }
    if (!parsePositive(size.substr(0, times), &run->rows) || !parsePositive(size.substr(times + 1), &run->columns) ||
        !parsePositive(name.substr(threadsAt + 1 + threadsPrefix.size()), &run->threads)) {
        *reason = _("rows, columns and workers in the name must be integers of at least 1");
        return false;
    }
    return true;
}
