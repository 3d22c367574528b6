// A sweep made by several fresh processes of the program, one after
// another (--invocations K). Each child invocation is this program started
// afresh (/proc/self/exe, the same command line) with its share in the
// environment (app/invocationstream.h): its share of every count's timed
// runs (plan/invocations.h), the warmups asked for, its own plan in the
// order asked (a random order with its own seed). The children write none
// of the user's files; this process, the parent, writes them all from what
// they send: each run's log line as the run arrives, so the log keeps the
// order the runs were made in; out.txt once, with the sums of the sweep's
// last run; the mean lines once every invocation is done, each the sum of
// the ticks of all its count's runs divided by --runs; and the runs for the
// JSON file, each with its invocation and its place in the whole sweep.
#pragma once

#include <cstddef>
#include <vector>

#include "app/sweeploop.h"

// Makes the sweep of `options` with options.invocations children started
// with `argv` (this program's own command line). A stop recorded here
// (SIGINT, SIGTERM, standard output's reader gone) is passed on to the
// child at work, which ends after its run in progress; no further child is
// started, and every run measured is kept. A child that stopped for a
// signal of its own stops the sweep too, as if it had come here. A child
// that cannot be started, could not make a run, or died says so in one
// line on stderr; the runs it sent are kept and the sweep ends with
// runFailed. The children count `perfEvents`. Returns as sweepPlan does.
SweepEnd sweepInvocations(const SweepOptions& options, const SweepSetup& setup, char** argv,
                          const std::vector<size_t>& perfEvents, DriverOutputs* outputs, SweepRuns* runs,
                          Progress* progress);
