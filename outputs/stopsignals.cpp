#include "outputs/stopsignals.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

#include "outputs/tempregistry.h"

namespace {

std::atomic<int> firstStopSignal{0};  // a signal, or SIGPIPE for a closed standard output
std::atomic<int> stopSignalsReceived{0};
bool pipeIgnoredAtStart = false;
static_assert(std::atomic<int>::is_always_lock_free, "the handlers may only touch lock-free atomics");

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

extern "C" void onStopSignal(int number) {
    if (stopSignalsReceived.fetch_add(1) > 0) {
        endAtOnce(number);
        return;
    }
    int none = 0;
    firstStopSignal.compare_exchange_strong(none, number);
}

extern "C" void onEndSignal(int number) {
    endAtOnce(number);
}

bool ignoredAtStart(int number) {
    struct sigaction previous;
    return sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN;
}

// Installs `handler` for `number`, unless the program started with it
// ignored (in the background of a script, under nohup): it stays ignored.
void handleUnlessIgnored(int number, void (*handler)(int)) {
    if (ignoredAtStart(number)) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = handler;
    // Interrupted calls restart: a write that failed with EINTR would drop
    // what stdio had buffered (whole lines of the means or the sums). The
    // waits that must notice a stop (a pipe's reader, room in a full pipe)
    // poll for it instead.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int blocked : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&action.sa_mask, blocked);
    }
    sigaction(number, &action, nullptr);
}

}  // namespace

void installStopHandlers() {
    handleUnlessIgnored(SIGINT, onStopSignal);
    handleUnlessIgnored(SIGTERM, onStopSignal);
    handleUnlessIgnored(SIGHUP, onEndSignal);
    handleUnlessIgnored(SIGQUIT, onEndSignal);
    pipeIgnoredAtStart = ignoredAtStart(SIGPIPE);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() {
    return firstStopSignal.load();
}

void stopForClosedPipe() {
    int none = 0;
    firstStopSignal.compare_exchange_strong(none, SIGPIPE);
}

const char* signalName(int number) {
    switch (number) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGPIPE:
            return "SIGPIPE";
        default:
            return "?";
    }
}

int endByStopSignal(int status) {
    const int number = stopSignal();
    if (number == 0 || (number == SIGPIPE && pipeIgnoredAtStart)) {
        return status;
    }
    dieBy(number);
    return status;
}
