#include "counters/perfcounters.h"

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "i18n/messages.h"

namespace {

struct EventKind {
    const char* name;
    const char* alias;  // perf's other name for it, or null
    const char* field;
    uint32_t type;
    uint64_t config;
    double scale;  // field units per counted unit
};

const EventKind kinds[perfEventCount] = {
    {"task-clock", nullptr, "perf_task_clock_us", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_TASK_CLOCK, 1e-3},
    {"cpu-clock", nullptr, "perf_cpu_clock_us", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_CPU_CLOCK, 1e-3},
    {"context-switches", "cs", "perf_context_switches", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_CONTEXT_SWITCHES, 1},
    {"cpu-migrations", "migrations", "perf_cpu_migrations", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_CPU_MIGRATIONS, 1},
    {"page-faults", "faults", "perf_page_faults", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_PAGE_FAULTS, 1},
    {"minor-faults", nullptr, "perf_minor_faults", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_PAGE_FAULTS_MIN, 1},
    {"major-faults", nullptr, "perf_major_faults", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_PAGE_FAULTS_MAJ, 1},
    {"cycles", "cpu-cycles", "perf_cycles", PERF_TYPE_HARDWARE, PERF_COUNT_HW_CPU_CYCLES, 1},
    {"instructions", nullptr, "perf_instructions", PERF_TYPE_HARDWARE, PERF_COUNT_HW_INSTRUCTIONS, 1},
    {"cache-references", nullptr, "perf_cache_references", PERF_TYPE_HARDWARE, PERF_COUNT_HW_CACHE_REFERENCES, 1},
    {"cache-misses", nullptr, "perf_cache_misses", PERF_TYPE_HARDWARE, PERF_COUNT_HW_CACHE_MISSES, 1},
    {"branches", "branch-instructions", "perf_branches", PERF_TYPE_HARDWARE, PERF_COUNT_HW_BRANCH_INSTRUCTIONS, 1},
    {"branch-misses", nullptr, "perf_branch_misses", PERF_TYPE_HARDWARE, PERF_COUNT_HW_BRANCH_MISSES, 1},
};

// One descriptor per event, -1 when it is not open.
int descriptors[perfEventCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
bool anyOpen = false;

bool findEvent(std::string_view name, size_t* event) {
    for (size_t i = 0; i < perfEventCount; i++) {
        if (name == kinds[i].name || (kinds[i].alias != nullptr && name == kinds[i].alias)) {
            *event = i;
            return true;
        }
    }
    return false;
}

std::string paranoidLevel() {
    std::ifstream in("/proc/sys/kernel/perf_event_paranoid");
    std::string level;
    return std::getline(in, level) && !level.empty() ? level : "unknown";
}

// Why perf_event_open refused an event, from its errno.
std::string refusalReason(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case EOPNOTSUPP:
            return _("this machine has no counter for it (no performance monitoring unit, as in many "
                     "virtual machines)");
        case EACCES:
        case EPERM: {
            char text[256];
            snprintf(text, sizeof text,
                     _("not permitted: kernel.perf_event_paranoid is %s, and counting the kernel's part needs "
                       "1 or lower, or CAP_PERFMON"),
                     paranoidLevel().c_str());
            return text;
        }
        case ENOSYS:
            return _("this kernel has no perf_event_open");
        default:
            return strerror(error);
    }
}

// A counter of the calling process and every thread it starts from now on,
// counting at once, user and kernel alike.
int openCounter(const EventKind& kind) {
    perf_event_attr attr{};
    attr.size = sizeof attr;
    attr.type = kind.type;
    attr.config = kind.config;
    attr.inherit = 1;
    attr.read_format = PERF_FORMAT_TOTAL_TIME_ENABLED | PERF_FORMAT_TOTAL_TIME_RUNNING;
    return static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, PERF_FLAG_FD_CLOEXEC));
}

}  // namespace

const char* perfEventName(size_t event) {
    return event < perfEventCount ? kinds[event].name : "";
}

const char* perfEventField(size_t event) {
    return event < perfEventCount ? kinds[event].field : "";
}

bool parsePerfList(std::string_view text, std::vector<size_t>* events, std::string* why) {
    std::vector<size_t> parsed;
    while (true) {
        const auto comma = text.find(',');
        size_t event = 0;
        bool repeated = false;
        if (findEvent(text.substr(0, comma), &event)) {
            for (size_t seen : parsed) {
                repeated = repeated || seen == event;
            }
        }
        if (!findEvent(text.substr(0, comma), &event) || repeated) {
            std::string names;
            for (const EventKind& kind : kinds) {
                names += names.empty() ? kind.name : std::string(", ") + kind.name;
            }
            *why = std::string(_("use events of this list, each at most once, separated by commas: ")) + names;
            return false;
        }
        parsed.push_back(event);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    *events = std::move(parsed);
    return true;
}

std::vector<size_t> openPerfCounters(const std::vector<size_t>& events) {
    std::vector<size_t> opened;
    for (size_t event : events) {
        if (event >= perfEventCount || descriptors[event] >= 0) {
            continue;
        }
        const int fd = openCounter(kinds[event]);
        if (fd < 0) {
            const std::string reason = refusalReason(errno);
            fprintf(stderr, _("diagsum: perf event '%s' left out: %s\n"), kinds[event].name, reason.c_str());
            continue;
        }
        descriptors[event] = fd;
        anyOpen = true;
        opened.push_back(event);
    }
    return opened;
}

PerfReading readPerfCounters() {
    PerfReading reading;
    if (!anyOpen) {
        return reading;
    }
    for (size_t i = 0; i < perfEventCount; i++) {
        if (descriptors[i] < 0) {
            continue;
        }
        uint64_t values[3];
        PerfReading::Value& value = reading.values[i];
        value.read = read(descriptors[i], values, sizeof values) == static_cast<ssize_t>(sizeof values);
        if (value.read) {
            value.count = values[0];
            value.enabled = values[1];
            value.running = values[2];
        }
    }
    return reading;
}

PerfCounts perfCountsBetween(const PerfReading& start, const PerfReading& end) {
    PerfCounts counts;
    for (size_t i = 0; i < perfEventCount; i++) {
        const PerfReading::Value& a = start.values[i];
        const PerfReading::Value& b = end.values[i];
        if (!a.read || !b.read || b.count < a.count) {
            continue;
        }
        double count = static_cast<double>(b.count - a.count);
        const uint64_t enabled = b.enabled - a.enabled;
        const uint64_t running = b.running - a.running;
        // A counter that never ran in the interval (crowded out by others)
        // says nothing about it.
        if (running == 0 && enabled > 0) {
            continue;
        }
        if (running < enabled) {
            count *= static_cast<double>(enabled) / static_cast<double>(running);
        }
        counts.values[i] = count * kinds[i].scale;
        counts.present |= 1u << i;
    }
    return counts;
}

void closePerfCounters() {
    for (int& fd : descriptors) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
    anyOpen = false;
}
