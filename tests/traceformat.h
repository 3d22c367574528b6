// The trace file's format as the tests check it: the Chrome Trace Event
// Format's rules as the program's trace file uses them (the fields, µs
// units, every lane's events nested, every lane named), for the trace
// module's own test and the sweep's.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace traceformat {

using json = nlohmann::json;

struct Lane {
    std::vector<std::pair<int64_t, int64_t>> events;  // ts, end
};

// The faults of `document` against the format's rules as the trace file
// uses them; empty when there are none.
inline std::vector<std::string> formatFaults(const json& document) {
    std::vector<std::string> faults;
    if (!document.is_object() || !document.contains("traceEvents") || !document["traceEvents"].is_array()) {
        return {"no traceEvents array"};
    }
    std::set<int64_t> processNames;
    std::set<std::pair<int64_t, int64_t>> threadNames;
    std::map<std::pair<int64_t, int64_t>, Lane> lanes;
    for (const json& event : document["traceEvents"]) {
        const std::string text = event.dump();
        if (!event.value("pid", json()).is_number_integer() ||
            !event.value("tid", json()).is_number_integer() || !event.value("name", json()).is_string() ||
            !event.value("args", json()).is_object()) {
            faults.push_back("pid, tid, name or args missing: " + text);
            continue;
        }
        const std::pair<int64_t, int64_t> lane{event["pid"], event["tid"]};
        const std::string name = event["name"];
        if (event.value("ph", "") == "M") {
            if (name == "process_name" && event["args"].value("name", json()).is_string()) {
                processNames.insert(lane.first);
            } else if (name == "thread_name" && event["args"].value("name", json()).is_string()) {
                threadNames.insert(lane);
            } else if (!event["args"].value("sort_index", json()).is_number_integer()) {
                faults.push_back("unknown metadata: " + text);
            }
        } else if (event.value("ph", "") == "X") {
            // ts and dur in µs: whole numbers here, so a reader adds them exactly.
            if (!event.value("ts", json()).is_number_integer() ||
                !event.value("dur", json()).is_number_integer() || event["ts"] < 0 || event["dur"] < 0) {
                faults.push_back("ts or dur not a whole, non-negative number of µs: " + text);
                continue;
            }
            const int64_t ts = event["ts"];
            lanes[lane].events.emplace_back(ts, ts + event["dur"].get<int64_t>());
        } else {
            faults.push_back("neither a complete event nor metadata: " + text);
        }
    }
    for (auto& [lane, events] : lanes) {
        const std::string where = "pid " + std::to_string(lane.first) + " tid " + std::to_string(lane.second);
        if (!processNames.count(lane.first) || !threadNames.count(lane)) {
            faults.push_back("unnamed lane: " + where);
        }
        // Longest first at equal starts: a parent comes before its children.
        std::sort(events.events.begin(), events.events.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : a.second > b.second;
        });
        std::vector<int64_t> openEnds;
        for (const auto& [ts, end] : events.events) {
            while (!openEnds.empty() && ts >= openEnds.back() && end > openEnds.back()) {
                openEnds.pop_back();
            }
            if (!openEnds.empty() && end > openEnds.back()) {
                faults.push_back("an event leaves its parent: " + where + " at " + std::to_string(ts));
            }
            openEnds.push_back(end);
        }
    }
    return faults;
}

}  // namespace traceformat
