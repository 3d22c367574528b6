// diagsum-report: reads the execution log (infoData.csv) or the JSON a sweep
// writes into one model, prints per series and worker count the statistics
// of the runs as Markdown, warns on stderr about noisy groups, and draws
// scaling.png, and from the JSON also speedup.png (and cost.png when it has
// resource counters), with gnuplot; or compares sweeps (--compare).
//
//   diagsum-report [-o scaling.png] [-s speedup.png] [-c cost.png] [--no-chart] [--pool] FILE...
//   diagsum-report --compare [--label NAME]... [-o compare.png] A.json B.json...
#include <cstdio>
#include <new>

#include "i18n/messages.h"
#include "report/input/input.h"
#include "report/program/options.h"
#include "report/program/runs.h"
#include "report/program/stophandlers.h"
#include "report/program/textout.h"

int main(int argc, char** argv) {
    initMessages();
    installReportStopHandlers();
    ReportOptions options;
    const int parsed = parseOptions(argc, argv, &options);
    if (parsed >= 0) {
        return parsed;
    }
    try {
        SweepModel model;
        std::string error;
        const bool read = readInputs(options.inputs, &model, &error);
        // A file that could not be read is refused in one line, its skipped entries unsaid.
        for (size_t i = 0; i + (read ? 0 : 1) < model.files.size(); i++) {
            reportSkipped(model.files[i], options.verbosity);
        }
        if (!read) {
            fprintf(stderr, "diagsum-report: %s\n", error.c_str());
            return 1;
        }
        return options.compare ? compare(options, &model) : summarise(options, &model);
    } catch (const std::bad_alloc&) {
        fputs(_("diagsum-report: not enough memory for the report\n"), stderr);
        return 1;
    }
}
