#include "report/program/textout.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "i18n/messages.h"
#include "report/sweep/sweepsplit.h"

namespace {

// Skipped entries shown per file before a count of the rest.
constexpr size_t skippedShown = 5;

// Sweeps named in the line that says they are told apart.
constexpr size_t sweepsNamed = 4;

}  // namespace

bool writeReport(const std::string& text) {
    if (fwrite(text.data(), 1, text.size(), stdout) == text.size() && fflush(stdout) == 0) {
        return true;
    }
    if (errno == EPIPE) {
        return true;
    }
    fprintf(stderr, _("diagsum-report: cannot write the table: %s\n"), strerror(errno));
    return false;
}

void warn(const std::string& line) {
    fprintf(stderr, "diagsum-report: %s %s\n", _("warning:"), line.c_str());
}

void reportSkipped(const InputFile& file, Verbosity verbosity) {
    const std::vector<InputProblem>& problems = file.problems;
    if (verbosity == Verbosity::quiet) {
        return;
    }
    const size_t shown = verbosity == Verbosity::verbose ? problems.size() : std::min(problems.size(), skippedShown);
    for (size_t i = 0; i < shown; i++) {
        // TRANSLATORS: the file, the line or entry, why it was skipped.
        fprintf(stderr, _("diagsum-report: %s:%s: skipped: %s\n"), file.path.c_str(), problems[i].where.c_str(),
                problems[i].reason.c_str());
    }
    if (shown < problems.size()) {
        fprintf(stderr, _("diagsum-report: %s: %zu more entries skipped (--verbose lists them)\n"), file.path.c_str(),
                problems.size() - shown);
    }
}

void reportSweepsApart(const SweepModel& model, const std::vector<int32_t>& apart, Verbosity verbosity) {
    if (apart.empty() || verbosity == Verbosity::quiet) {
        return;
    }
    const size_t named = verbosity == Verbosity::verbose ? apart.size() : std::min(apart.size(), sweepsNamed);
    std::string list;
    for (size_t i = 0; i < named; i++) {
        // TRANSLATORS: a sweep's number and where it lies.
        list += (i == 0 ? "" : "; ") + formatMessage(_("sweep %d (%s)"), apart[i] + 1, sweepPlace(model, apart[i]).c_str());
    }
    if (named < apart.size()) {
        list += "; " + formatMessage(_("%zu more"), apart.size() - named);
    }
    // TRANSLATORS: how many sweeps, then each one's number and place.
    fprintf(stderr, _("diagsum-report: %zu sweeps share series and are reported apart (--pool pools them): %s\n"),
            apart.size(), list.c_str());
}
