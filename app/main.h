// The single run: one complete run with the full console report.
#pragma once

#include "cli/options.h"

// Takes rows, columns and workers from the settings (or asks for them when
// getInputFromUser is set), sums every diagonal, prints the sizes, every
// diagonal's sum and the processor time in seconds, writes the sums to
// out.txt and, with generateExecutionData, appends the run to infoData.csv.
// Returns 0, or -1 after one line saying why when the input is refused or a
// part of the run cannot be made; nothing is created or written for refused
// input. The outputs are checked before the run and written as
// outputs/driveroutputs.h describes: 1 when one cannot be written (reported on
// stderr), 64 when two outputs are one file (outputsClash), 128 + the
// signal when a stop signal came.
int nomain();

// The same run with the sizes, workers and files of `options`: a size or a
// worker count not given there comes from the settings, or from the prompt
// when getInputFromUser is set and no size was given.
int singleRun(const SingleOptions& options);

// diagsum-single's entry point: parses the command line (exit 64 when it is
// refused, 0 after --help or --version), installs the stop handlers, then
// performs the run; stopped (a signal while waiting for Enter, standard
// output's reader gone), it ends by that signal once its files are written.
int singleMain(int argc, char** argv);
