#include "cli/optiontable.h"

#include <iterator>

namespace {

struct OptionEntry {
    const char* name;
    int argument;  // no_argument or required_argument
    int value;     // the short letter, or an opt... value past the characters
    bool sweep;    // diagsum accepts it
    bool single;   // diagsum-single accepts it
};

// In the order of the sweep's help.
constexpr OptionEntry entries[] = {
    {"size", required_argument, 's', true, true},
    {"threads", required_argument, 't', true, true},
    {"runs", required_argument, 'r', true, false},
    {"warmup", required_argument, 'w', true, false},
    {"mode", required_argument, 'm', true, false},
    {"log", required_argument, optLog, true, true},
    {"no-log", no_argument, optNoLog, true, true},
    {"out", required_argument, optOut, true, true},
    {"json", required_argument, optJson, true, false},
    {"help", no_argument, 'h', true, true},
    {"version", no_argument, 'V', true, true},
    {"stack-size", required_argument, optStackSize, true, false},
    {"bind", required_argument, optBind, true, false},
    {"order", required_argument, optOrder, true, false},
    {"invocations", required_argument, optInvocations, true, false},
    {"split", required_argument, optSplit, true, false},
    {"perf", required_argument, optPerf, true, false},
    {"context", required_argument, optContext, true, false},
    {"trace", required_argument, optTrace, true, false},
    {"progress", no_argument, optProgress, true, false},
    {"no-progress", no_argument, optNoProgress, true, false},
};

bool accepts(const OptionEntry& entry, Driver driver) {
    return driver == Driver::sweep ? entry.sweep : entry.single;
}

bool hasShortForm(const OptionEntry& entry) {
    return entry.value < 256;
}

}  // namespace

const char* driverName(Driver driver) {
    return driver == Driver::sweep ? "diagsum" : "diagsum-single";
}

GetoptTable getoptTable(Driver driver) {
    GetoptTable table;
    table.longOptions.reserve(std::size(entries) + 1);
    table.shortOptions.push_back(':');
    for (const OptionEntry& entry : entries) {
        if (!accepts(entry, driver)) {
            continue;
        }
        table.longOptions.push_back(option{entry.name, entry.argument, nullptr, entry.value});
        if (hasShortForm(entry)) {
            table.shortOptions.push_back(static_cast<char>(entry.value));
            if (entry.argument == required_argument) {
                table.shortOptions.push_back(':');
            }
        }
    }
    table.longOptions.push_back(option{nullptr, 0, nullptr, 0});
    return table;
}
