// Everything a driver writes, so that nothing measured is lost silently:
// every output is checked before the first run (outputs/outputcheck, and
// outputs/logcheck for a log named on the command line), every failure to
// write one is reported once on stderr, naming the file and the reason;
// the run log takes each line whole or not at all (outputs/logappend);
// out.txt, the JSON file and the trace file are replaced whole
// (outputs/replace), the JSON and trace files durably, and out.txt and the
// log are synced to the disk when the driver closes them; SIGINT, SIGTERM
// and a closed standard output stop the sweep between runs
// (outputs/stopsignals).
#pragma once

#include <string>

#include "outputs/logappend.h"
#include "outputs/logcheck.h"
#include "outputs/outputcheck.h"
#include "outputs/outputfile.h"
#include "outputs/replace.h"
#include "outputs/stdfds.h"
#include "outputs/stopsignals.h"

struct DriverOutputs {
    LogAppender log;  // not open when runs are not logged
    OutputFile out;   // the sums of the last run
    OutputFile json;  // no name: no JSON file
    OutputFile trace;  // no name: no trace file
    OutputFile console = standardOutputFile();
};

// Names the outputs and checks, before anything is measured, each one the
// driver will write: opens the log (none when `logPath` is empty), and
// checks that out.txt, the JSON file and the trace file (none where the
// path is empty) can be replaced. Every one that cannot is reported; false
// then. The JSON and trace files are made durable: each is written once,
// at the end of the sweep.
bool openDriverOutputs(DriverOutputs* outputs, const std::string& logPath, const std::string& outPath,
                       const std::string& jsonPath, const std::string& tracePath = "");

// Syncs the last out.txt to the disk, closes the log (synced too) and
// flushes standard output, reporting their failures.
void closeDriverOutputs(DriverOutputs* outputs);

// The files that keep the runs measured, for the message of a stopped
// sweep: the log and the JSON file unless they failed, in that order
// ("infoData.csv, sweep.json"), or the temporary that keeps the JSON file
// when its rename failed; a log that had to give up the line of the last
// run at the stop says so. Empty when none keeps them.
std::string keptRunsText(const DriverOutputs& outputs);

// The exit status of a driver that made every run it was asked to (or
// stopped): 128 + the stop (130, 143, 141), else 1 when an output failed,
// else 0. With a stop recorded, the driver then ends by the signal itself
// (endByStopSignal).
int driverExitStatus(const DriverOutputs& outputs);
