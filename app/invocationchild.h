// One child invocation of a sweep made by several (app/invocations.h): the
// program started afresh by its parent with its share in the environment.
// It makes the warmups asked for and its share of every count's timed runs
// in its own plan, exactly as a sweep of one process makes its runs (the
// pool's stack-size restart and the CPU binding included), and sends every
// timed run, its last run's sums and how it ended to the parent. It writes
// none of the user's files and no mean line.
#pragma once

#include "cli/options.h"

// The share the environment gives (invocationVariable's value), or null
// when this process is no child invocation.
const char* invocationShareGiven();

// Makes the child's runs for the sweep of `options` (this program's own
// command line) with the share `shareText`. Returns 0 after every run of
// the share, 128 + the stop after a stop signal, 0 when the parent asked
// for a stop, -1 after one line saying why when a run could not be made;
// 64 after one line when the share is not one a parent writes.
int runInvocationChild(const SweepOptions& options, const char* shareText);
