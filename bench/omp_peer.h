// The OpenMP peer: the same job written the way one would write it directly
// in OpenMP, with nothing of diagsum's own code, as the yardstick for pool
// runs.
#pragma once

// One run: a 500 x 500 matrix of floats as a table of 500 rows, filled with
// 1.0, every diagonal summed in one parallel region of `threads` threads
// (thread k sums diagonals k, k + threads, ...), then everything freed.
// Returns the processor-clock ticks from the first allocation to the end of
// the region, or -1 when memory runs out. `check` receives the sum of the
// main diagonal (500).
double ompPeerRun(int threads, float* check);
