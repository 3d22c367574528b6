// Whether a file named as the run log is one, checked before the first
// run: appending the runs' lines to a file that is something else (a
// sweep's JSON file named by mistake) would spoil that file for every
// reader and bury the runs where no reader looks for them.
#pragma once

#include <string>
#include <string_view>

// Whether `line` (without its newline) is a line of the run log as the
// drivers write it: a time with a decimal comma and two decimals, then four
// integers, each after a semicolon and a space ("486,00; 500; 500; 999; 1").
bool isRunLogLine(std::string_view line);

// Whether the file at `path` (links followed) must not be appended to: an
// existing regular file, not empty, whose last line is not a log line or
// that ends inside a line. Says so in one line on stderr, naming the file
// and what was found ("diagsum: --log sweep.json is not a run log: its last
// line is "}""); the driver then refuses its command line. An empty or
// missing file, a pipe, a device or a file that cannot be read is not
// read, and may be appended to. False for an empty `path`.
bool logRefused(const char* program, const std::string& path);
