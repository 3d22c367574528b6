// The checks a driver makes before anything is measured: that no two of its
// outputs are one file, and that each one can be written where its file
// really is (links followed, outputs/outputpath).
#pragma once

#include <string>

#include "outputs/outputfile.h"

// Whether two of the outputs a driver will write (none where a path is
// empty), or one of them and standard output, are one regular file, however
// they are spelt: links followed, dangling ones included, a file not made
// yet known by its directory and name. Writing one would then destroy or
// bury the other (the log replaced by the JSON file, the means mixed into
// the log). Says which on stderr ("diagsum: --log and --out name the same
// file: infoData.csv") and returns true: the driver then refuses the
// command line. Devices and pipes may be shared.
bool outputsClash(const char* program, const std::string& logPath, const std::string& outPath,
                  const std::string& jsonPath, const std::string& tracePath = "");

// Checks that `file` (its name is the path) can be replaced: a temporary
// can be made, and removed again, where its file really is, and nothing
// would stop the rename over an existing file (another user's file in a
// sticky directory such as /tmp, an immutable or append-only file, a file
// mounted over its name); for one written in place, that it may be
// written (it is not opened: a pipe's reader would take the check for the
// whole output). Reports and returns false when not.
bool checkReplaceable(OutputFile* file);
