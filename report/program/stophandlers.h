// How diagsum-report ends on a stop signal: SIGINT, SIGTERM, SIGHUP or
// SIGQUIT end the gnuplot drawing in progress and remove the scratch files
// being written (a chart's picture and script, the exported JSON's
// temporary), then end the program by the signal itself, so the calling
// shell sees the death by it ($? 130, 143...). A signal ignored when the
// program started (nohup, a script's background) stays ignored. SIGPIPE is
// ignored: a closed standard output shows as a failed write
// (report/program/textout.h); so is SIGXFSZ: a file-size limit fails a
// write as a full disk does.
#pragma once

void installReportStopHandlers();
