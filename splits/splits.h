// splits/: how a run's diagonals are dealt to its workers.
//
//   diagonalwalk.h  the walk of one diagonal (sumDiagonal) and its length in
//                   cells; the document's worker and every split use it
//   split.h         the splits' names (round-robin, blocks, dynamic) and
//                   parsing, each static split's shares, the cells a worker
//                   sums (elements_max) and the cell balance
//   splitworker.h   the worker bodies: one call per worker, for a spawned
//                   thread or an OpenMP team member alike
//
// Nothing here includes app/: the drivers choose a split and start the
// workers; these modules only say who sums what, and sum it.
#pragma once

#include "splits/diagonalwalk.h"
#include "splits/split.h"
#include "splits/splitworker.h"
