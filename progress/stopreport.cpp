#include "progress/stopreport.h"

#include <cstdio>
#include <string>

#include "i18n/messages.h"
#include "outputs/stopsignals.h"

void reportSweepStop(int signal, size_t made, size_t planned, const std::string& kept) {
    if (kept.empty()) {
        // TRANSLATORS: the signal's name (SIGINT), the runs made, the runs planned.
        fprintf(stderr, _("diagsum: sweep stopped by %s after %zu of %zu timed runs; no file keeps them\n"),
                signalName(signal), made, planned);
        return;
    }
    // TRANSLATORS: the signal's name (SIGINT), the runs made, the runs
    // planned, the files that keep them ("infoData.csv, sweep.json").
    fprintf(stderr, _("diagsum: sweep stopped by %s after %zu of %zu timed runs; they are kept in %s\n"),
            signalName(signal), made, planned, kept.c_str());
}
