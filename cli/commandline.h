// The one parse loop of both drivers' command lines: getopt_long over the
// driver's part of the option table (cli/optiontable.h), --help and
// --version answered, and everything it cannot use refused in one line on
// stderr, "PROGRAM: WHAT (see PROGRAM --help)". The driver's own options
// are handed, one by one, to the driver's applier.
#pragma once

#include <functional>
#include <string>

#include "cli/optiontable.h"

// What a command line asks for.
enum class CommandLine {
    run,     // the options hold what to run
    done,    // --help or --version was answered on stdout: exit 0
    refused  // one line on stderr said why: exit 64
};

inline constexpr int usageExitStatus = 64;

// The exit status that ends a program whose command line was answered or
// refused: 0 after --help or --version (1 when standard output failed), 64
// when refused; -1 when the program goes on to run.
int commandLineExitStatus(CommandLine parsed);

// One option as the parse loop met it.
struct GivenOption {
    int value;         // what getopt_long returned: 's', optLog, ...
    std::string name;  // "--runs" or "-r", as given (for messages)
    const char* text;  // its value; null for an option without one
};

// Takes one option into the driver's options. Returns what is wrong with it
// ("--runs '0' is invalid: ..."), or an empty text when it is taken.
using OptionApplier = std::function<std::string(const GivenOption&)>;
// What the driver still refuses once every option was taken (an empty text
// when nothing); called before stray arguments are looked at.
using OptionsCheck = std::function<std::string()>;

// Parses argv[1...] for `driver`: --help prints the driver's help and
// --version the GNU version text (both: done), every other option goes to
// `apply`. Refused, with one line on stderr: an unknown option, a missing
// or unwanted value, what `apply` or `check` refuses, an argument that is
// no option. getopt_long's state is reset first, so one process may parse
// several command lines.
CommandLine parseCommandLine(Driver driver, int argc, char** argv, const OptionApplier& apply,
                             const OptionsCheck& check = nullptr);

// The refusal of a value: "--size '0x3' is invalid: use ROWSxCOLUMNS...".
std::string invalidValue(const GivenOption& given, const std::string& allowed);
