// report/input: reading the report's inputs into the one model of
// report/sweep, each read once. A file is the execution log
// (report/input/logreader.h) or a sweep's JSON (report/input/jsonreader.h),
// told apart by its content, not its name, and refused at once when it is
// mostly something else. The runs of every file go into one model; where a
// log holds several sweeps each is read as its own (report/sweep/sweepsplit.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/sweep/model.h"

// JSON when the first character that is not white space (after a UTF-8 byte
// order mark) is '{'; the log otherwise, whatever the file is called.
InputKind detectInput(std::string_view text);

// Reads `path` as a new input of `model`. False with a one-line reason
// (naming the file) when it cannot be read, when memory runs out, when it is
// JSON but not a sweep, holds no run, or holds more entries that are not
// runs than runs (a file that is mostly not a log, such as a README).
bool readInputFile(const std::string& path, SweepModel* model, std::string* error);

// Reads every path in turn, then finishes the groups; false at the first
// that cannot be read, with its reason.
bool readInputs(const std::vector<std::string>& paths, SweepModel* model, std::string* error);

// "host, 2026-12-09 04:50" from the context, or the file's path when neither
// is known.
std::string contextLabel(const InputFile& file);

// A label per file for a comparison: `given` first, then contextLabel, with
// the file's path added where two files would otherwise share one, and its
// place in the list ("#2") where even that is the same.
std::vector<std::string> fileLabels(const SweepModel& model, const std::vector<std::string>& given);
