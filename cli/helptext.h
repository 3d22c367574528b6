// The drivers' answers to --help, in the user's language: the options each
// driver takes, with their values and defaults, as the man pages show them.
#pragma once

#include "cli/optiontable.h"

// Prints the driver's help on standard output. The caller flushes it and
// checks the result.
void printHelp(Driver driver);
