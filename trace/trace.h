// trace/: what each worker of a run did, and when.
//
//   runtrace.h      the record of one run: each worker's start, end and
//                   processor time, each pthread_create and pthread_join of
//                   the driver; slots made before the run, clocks read in it;
//                   the wrapper that records a worker around its unchanged
//                   start routine
//   tracesummary.h  one run's figures from its record: start latency, busy
//                   time, load balance, parallel efficiency
//   tracefile.h     chosen runs' records as a Chrome Trace Event Format file
//
// Nothing here includes app/ or starts a thread of its own: the drivers
// start the workers, through tracedWorkerStart or with beginWorker and
// endWorker around a team member's part, and mark the rest.
#pragma once

#include "trace/runtrace.h"
#include "trace/tracefile.h"
#include "trace/tracesummary.h"
