// Hardware and scheduler counters of the whole process, on request
// (diagsum --perf LIST), through perf_event_open. Each event is its own
// counter, opened for the calling process with `inherit`, so every thread
// started after the opening counts too, and read on its own at the edges of
// each measured interval. One descriptor per event rather than a group
// read at once (PERF_FORMAT_GROUP): inherited counters read as a group are
// not accepted by every kernel (Linux 6.18 accepts them, the program does
// not rely on it), an event the machine cannot count would take the whole
// group down with it, and a group is multiplexed all or nothing. The price
// is that the events are read one after the other, a few microseconds
// apart, at each edge.
//
// The counters live for the process: open them once before the first
// thread that should be counted is started. Counting is not free: every
// thread started while inherited counters are open gets its own copies,
// which makes thread starts dearer (see the README).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The events diagsum knows, in this order; their JSON fields are named
// "perf_" and the event's name with '_' for '-' ("perf_context_switches"),
// the two clocks in microseconds ("perf_task_clock_us").
inline constexpr size_t perfEventCount = 13;

// The canonical name of event `event` ("task-clock").
const char* perfEventName(size_t event);
// Its field in the JSON ("perf_task_clock_us").
const char* perfEventField(size_t event);

// "task-clock,context-switches,cycles": names (perf's own, with its
// aliases cs, migrations, faults, cpu-cycles, branch-instructions),
// comma-separated, each at most once. False, with `why` naming what is
// allowed, otherwise.
bool parsePerfList(std::string_view text, std::vector<size_t>* events, std::string* why);

// Opens a counter per event; for each the machine or its permissions cannot
// give, one line on stderr names the event and the reason
// ("diagsum: perf event 'cycles' left out: ..."). Returns the events that
// count, in the order asked.
std::vector<size_t> openPerfCounters(const std::vector<size_t>& events);

// The open counters' values at one instant.
struct PerfReading {
    struct Value {
        uint64_t count = 0;
        uint64_t enabled = 0;  // ns the counter was enabled
        uint64_t running = 0;  // ns it was actually counting (less when multiplexed)
        bool read = false;
    };
    std::array<Value, perfEventCount> values{};
};

// What the counters counted over an interval: `present` bit i set when
// event i was counted at both edges.
struct PerfCounts {
    uint32_t present = 0;
    std::array<double, perfEventCount> values{};
    bool has(size_t event) const { return (present >> event & 1u) != 0; }
};

// Reads every open counter (nothing, and fast, when none is open).
PerfReading readPerfCounters();

// `end` minus `start` per event read at both edges, in the field's unit;
// a count that was multiplexed is scaled up by the share of the interval it
// counted.
PerfCounts perfCountsBetween(const PerfReading& start, const PerfReading& end);

// Closes every counter.
void closePerfCounters();
