// Models of a scaling curve, for the report. Plain records in, plain
// records out; the standard library only, and gettext for the sentences.
//
//   scalingfit.h  Amdahl's law and the Universal Scalability Law fitted to a
//                 series' throughput: the coefficients with their intervals,
//                 R², the peak and the throughput predicted at given counts.
//   modelwords.h  a fit in one sentence.
//   bestcount.h   the count with the lowest median time, and those within
//                 the noise of it, in one line.
//
// What they are built on:
//   boundedfit.h  nonlinear least squares with bounds (Levenberg–Marquardt).
//   linearls.h    linear least squares by QR, with (AᵀA)⁻¹.
//   studentt.h    Student's t distribution and its quantiles.
#pragma once

#include "report/models/bestcount.h"
#include "report/models/modelwords.h"
#include "report/models/scalingfit.h"
