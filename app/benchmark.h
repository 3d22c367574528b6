// The benchmark sweep, the program's entry point.
#pragma once

// For every worker count from 1 to 127, performs 50 runs on a 500 x 500
// matrix of ones, appends each run to infoData.csv (with
// generateExecutionData) and prints "T - mean ticks" ("%d - %lf"). out.txt
// keeps the sums of the last run. Returns 0, or -1 after one line saying why
// when a part of a run cannot be made; the lines already logged stay.
int benchmarkSweep();
