#include "outputs/stopsignals.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <initializer_list>

#include "outputs/tempregistry.h"

namespace {

std::atomic<int> firstStopSignal{0};  // a signal, or SIGPIPE for a closed standard output
std::atomic<int> stopsCounted{0};
std::atomic<int> lastStopSignal{0};     // the signal of the last stop counted
std::atomic<int64_t> lastStopNanos{0};  // when it came, on the monotonic clock
std::atomic<int> endingSignal{0};       // the signal that asked to end now, or 0
bool pipeIgnoredAtStart = false;
bool alarmIgnoredAtStart = false;
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<int64_t>::is_always_lock_free,
              "the handlers may only touch lock-free atomics");

// clock_gettime is async-signal-safe.
int64_t monotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Restores the default action of `number`, unblocks it and raises it.
void dieBy(int number) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, number);
    pthread_sigmask(SIG_UNBLOCK, &self, nullptr);
    raise(number);
}

// Removes the temporary files and ends the process by the signal's default
// action.
void endAtOnce(int number) {
    const int savedErrno = errno;
    removeRegisteredTemporaries();
    dieBy(number);
    errno = savedErrno;  // reached only if the default action is to go on
}

// Counts a stop of `number` that came `now`; the first one is recorded.
// Returns false for the first.
bool countStop(int number, int64_t now) {
    int none = 0;
    const bool first = firstStopSignal.compare_exchange_strong(none, number);
    lastStopSignal.store(number);
    lastStopNanos.store(now);
    stopsCounted.fetch_add(1);
    return !first;
}

// The deadline starts with the first request to end now; later ones do not
// put it off.
void askToEndNow(int number) {
    int none = 0;
    if (endingSignal.compare_exchange_strong(none, number)) {
        alarm(endNowDeadlineSeconds);
    }
}

extern "C" void onStopSignal(int number) {
    const int64_t now = monotonicNanos();
    const bool repeated = stopsCounted.load() > 0 && number == lastStopSignal.load() &&
                          now - lastStopNanos.load() < int64_t{repeatedStopMillis} * 1000000;
    if (repeated) {
        return;  // the same request delivered again
    }
    if (countStop(number, now)) {
        askToEndNow(number);
    }
}

extern "C" void onEndSignal(int number) {
    countStop(number, monotonicNanos());
    askToEndNow(number);
}

// The end-now deadline passed: what is still being written is given up.
extern "C" void onDeadline(int number) {
    const int ending = endingSignal.load();
    if (ending != 0) {
        endAtOnce(ending);
    } else if (!alarmIgnoredAtStart) {
        endAtOnce(number);  // an alarm from outside: its default action, without our temporaries
    }
}

bool ignoredAtStart(int number) {
    struct sigaction previous;
    return sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN;
}

void handle(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    // Interrupted calls restart: a write that failed with EINTR would drop
    // what stdio had buffered (whole lines of the means or the sums). The
    // waits that must notice a stop (a pipe's reader, room in a full pipe,
    // the log's lock) poll for it instead.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int blocked : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM}) {
        sigaddset(&action.sa_mask, blocked);
    }
    sigaction(number, &action, nullptr);
}

// Installs `handler` for `number`, unless the program started with it
// ignored (in the background of a script, under nohup): it stays ignored.
void handleUnlessIgnored(int number, void (*handler)(int)) {
    if (!ignoredAtStart(number)) {
        handle(number, handler);
    }
}

}  // namespace

void installStopHandlers() {
    handleUnlessIgnored(SIGINT, onStopSignal);
    handleUnlessIgnored(SIGTERM, onStopSignal);
    handleUnlessIgnored(SIGHUP, onEndSignal);
    handleUnlessIgnored(SIGQUIT, onEndSignal);
    // The deadline is the program's own alarm: handled even if ignored.
    alarmIgnoredAtStart = ignoredAtStart(SIGALRM);
    handle(SIGALRM, onDeadline);
    pipeIgnoredAtStart = ignoredAtStart(SIGPIPE);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() {
    return firstStopSignal.load();
}

int stopCount() {
    return stopsCounted.load();
}

bool endingNow() {
    return endingSignal.load() != 0;
}

void stopForClosedPipe() {
    int none = 0;
    if (firstStopSignal.compare_exchange_strong(none, SIGPIPE)) {
        lastStopSignal.store(SIGPIPE);
        lastStopNanos.store(monotonicNanos());
        stopsCounted.fetch_add(1);
    }
}

const char* signalName(int number) {
    switch (number) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGPIPE:
            return "SIGPIPE";
        case SIGHUP:
            return "SIGHUP";
        case SIGQUIT:
            return "SIGQUIT";
        default:
            return "?";
    }
}

int endByStopSignal(int status) {
    const int ending = endingSignal.load();
    const int number = ending != 0 ? ending : stopSignal();
    if (number == 0 || (number == SIGPIPE && pipeIgnoredAtStart)) {
        return status;
    }
    dieBy(number);
    return status;
}
