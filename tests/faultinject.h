// Fault injection for test programs linked with
//   -Wl,--wrap=malloc,--wrap=realloc,--wrap=pthread_create
// Calls from the program's own objects then go through these counters; an
// armed counter lets `n` calls through and fails the next one, once.
#pragma once

namespace faultinject {

// The allocation (malloc or realloc) after the next `n` fails with null.
void failAllocationAfter(long n);
// The thread start after the next `n` fails with EAGAIN.
void failThreadStartAfter(long n);
// Disarms both counters.
void reset();
// Allocations and thread starts seen since the last reset.
long allocations();
long threadStarts();

}  // namespace faultinject
