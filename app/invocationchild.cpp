#include "app/invocationchild.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "app/invocationstream.h"
#include "app/sweeploop.h"
#include "counters/perfcounters.h"
#include "i18n/messages.h"

namespace {

// The sweep this child makes: its share of the runs, in its own order, and
// nothing written but to its parent.
SweepOptions childOptions(const SweepOptions& options, const InvocationShare& share) {
    SweepOptions mine = options;
    mine.runs = share.runs;
    if (mine.order.order == RunOrder::random) {
        mine.order.seedGiven = true;  // its seed comes from the parent, said once there
        mine.order.seed = share.seed;
    }
    mine.log = false;
    mine.jsonPath.clear();
    mine.perfEvents = share.perfEvents;
    mine.progress = ProgressChoice::off;  // the parent's line covers every invocation
    return mine;
}

InvocationEnd invocationEnd(SweepEnd end) {
    switch (end) {
        case SweepEnd::runFailed:
            return InvocationEnd::failed;
        case SweepEnd::stopped:
            return InvocationEnd::stopped;
        case SweepEnd::finished:
            break;
    }
    return InvocationEnd::finished;
}

}  // namespace

const char* invocationShareGiven() {
    return getenv(invocationVariable);
}

int runInvocationChild(const SweepOptions& options, const char* shareText) {
    InvocationShare share;
    if (!parseShareText(shareText, &share)) {
        fprintf(stderr, _("diagsum: %s is set, but not by a diagsum that started this one; unset it\n"),
                invocationVariable);
        return usageExitStatus;
    }
    const SweepOptions mine = childOptions(options, share);
    InvocationStream stream;
    stream.fd = share.fd;
    SweepSetup setup;
    SweepEnd end = SweepEnd::runFailed;
    if (setUpSweep(mine, &setup)) {
        if (!mine.perfEvents.empty()) {
            openPerfCounters(mine.perfEvents);
        }
        DriverOutputs outputs;  // none opened: the parent writes the user's files
        outputs.out.name = options.outPath;
        SweepRuns runs;
        runs.stream = &stream;
        Progress progress;
        startProgress(&progress, 0, ProgressChoice::off);
        try {
            end = sweepPlan(mine, setup, &outputs, &runs, &progress);
        } catch (const std::bad_alloc&) {
            fprintf(stderr, _("diagsum: not enough memory to go on; the sweep stopped\n"));
        }
        closePerfCounters();
    }
    if (end == SweepEnd::finished && stopSignal() != 0) {
        end = SweepEnd::stopped;
    }
    streamEnd(&stream, invocationEnd(end), stopSignal());
    close(stream.fd);
    fflush(stdout);  // a run's own failure line, before the program ends by a signal
    if (end == SweepEnd::runFailed) {
        return -1;
    }
    return stopSignal() != 0 ? 128 + stopSignal() : 0;
}
