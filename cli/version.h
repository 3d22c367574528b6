// What `--version` answers, the same way in all three programs: the GNU form,
// the program's name and version on the first line, then the copyright and
// the license.
#pragma once

#include <string>

// "diagsum 0.2.0\nCopyright (C) 2026 diagsum developers.\n..." for
// `program`; the version is the project's, set once in CMakeLists.txt. The
// license lines are in the user's language.
std::string versionText(const char* program);

// Prints versionText(program) on standard output. The caller flushes it and
// checks the result.
void printVersion(const char* program);
