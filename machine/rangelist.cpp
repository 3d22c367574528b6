#include "machine/rangelist.h"

std::vector<std::string_view> listItems(std::string_view text) {
    std::vector<std::string_view> items;
    while (true) {
        const auto comma = text.find(',');
        items.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            return items;
        }
        text.remove_prefix(comma + 1);
    }
}

bool parseNumberRange(std::string_view item, NumberReader read, NumberRange* range) {
    const auto dash = item.find('-');
    if (dash == std::string_view::npos) {
        if (!read(item, &range->first)) {
            return false;
        }
        range->last = range->first;
        return true;
    }
    return read(item.substr(0, dash), &range->first) && read(item.substr(dash + 1), &range->last);
}
