#include "report/program/stophandlers.h"

#include <signal.h>

#include "outputs/tempregistry.h"
#include "report/charts/drawchart.h"

namespace {

void stopReport(int signal) {
    endChartDrawing();
    removeRegisteredTemporaries();
    // The default action, taken once the handler returns and unblocks it.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

}  // namespace

void installReportStopHandlers() {
    signal(SIGPIPE, SIG_IGN);
    // A file-size limit (ulimit -f) would otherwise end the program midway
    // through a write, its temporary left behind: ignored, the write fails
    // as on a full disk and is said. gnuplot inherits it the same way.
    signal(SIGXFSZ, SIG_IGN);
    for (int stopSignal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction previous {};
        if (sigaction(stopSignal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction handler {};
        handler.sa_handler = stopReport;
        sigemptyset(&handler.sa_mask);
        for (int other : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&handler.sa_mask, other);
        }
        sigaction(stopSignal, &handler, nullptr);
    }
}
