#include "counters/resourceuse.h"

rusage readResourceUse() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return rusage{};
    }
    return usage;
}

int64_t timevalMicros(const timeval& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000 + static_cast<int64_t>(time.tv_usec);
}

ResourceUse resourceUseBetween(const rusage& start, const rusage& end) {
    ResourceUse use;
    use.userMicros = timevalMicros(end.ru_utime) - timevalMicros(start.ru_utime);
    use.systemMicros = timevalMicros(end.ru_stime) - timevalMicros(start.ru_stime);
    use.minorFaults = static_cast<int64_t>(end.ru_minflt) - start.ru_minflt;
    use.majorFaults = static_cast<int64_t>(end.ru_majflt) - start.ru_majflt;
    use.voluntarySwitches = static_cast<int64_t>(end.ru_nvcsw) - start.ru_nvcsw;
    use.involuntarySwitches = static_cast<int64_t>(end.ru_nivcsw) - start.ru_nivcsw;
    return use;
}
