// The two things diagsum-report does with the model of its inputs: sum
// them up (the tables, the warnings and the charts of report/analysis), or
// compare them file by file (report/compare). Each returns the exit status.
#pragma once

#include "report/program/options.h"
#include "report/sweep/model.h"

int summarise(const ReportOptions& options, SweepModel* model);
int compare(const ReportOptions& options, SweepModel* model);
