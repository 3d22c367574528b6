#include "cli/commandline.h"

#include <getopt.h>

#include <cstdio>

#include "cli/helptext.h"
#include "cli/version.h"
#include "i18n/messages.h"
#include "outputs/stdfds.h"

namespace {

// Reports a refused command line in one line on stderr.
CommandLine refuse(const char* program, const std::string& what) {
    // TRANSLATORS: the program's name, the refusal, the program's name again.
    fprintf(stderr, _("%s: %s (see %s --help)\n"), program, what.c_str(), program);
    return CommandLine::refused;
}

// The option as the user typed it, for messages: "--runs" or "-r".
std::string optionText(char** argv, int index) {
    const std::string text = argv[index];
    const auto equals = text.find('=');
    return text.rfind("--", 0) == 0 ? text.substr(0, equals) : text.substr(0, 2);
}

// The option getopt_long just returned, for messages; its value may stand in
// its own argument, so the option is named from the table, not from argv.
std::string optionName(const option* options, int longIndex, int result) {
    if (longIndex >= 0) {
        return std::string("--") + options[longIndex].name;
    }
    return std::string("-") + static_cast<char>(result);
}

// getopt_long keeps its state in globals; every parse starts afresh so that
// tests may parse several command lines in one process.
void resetGetopt() {
    optind = 0;
    opterr = 0;
}

// The messages for what getopt itself refuses: an unknown option, one
// without its value, or one given a value it does not take.
CommandLine refuseGetopt(const char* program, int result, char** argv) {
    const std::string typed = argv[optind - 1];
    if (result == ':') {
        return refuse(program,
                      formatMessage(_("option %s needs a value"), optionText(argv, optind - 1).c_str()));
    }
    if (optopt != 0 && typed.rfind("--", 0) != 0) {
        return refuse(program, formatMessage(_("unknown option: -%c"), optopt));
    }
    // getopt names a known long option given a value it does not take.
    if (optopt != 0) {
        return refuse(program,
                      formatMessage(_("option %s takes no value"), optionText(argv, optind - 1).c_str()));
    }
    return refuse(program, formatMessage(_("unknown option: %s"), typed.c_str()));
}

// What a command line whose options were all accepted still refuses: an
// argument that is no option.
CommandLine refuseStrayArgument(const char* program, int argc, char** argv) {
    if (optind < argc) {
        return refuse(program, formatMessage(_("unexpected argument: '%s'"), argv[optind]));
    }
    return CommandLine::run;
}

}  // namespace

int commandLineExitStatus(CommandLine parsed) {
    switch (parsed) {
        case CommandLine::done: {
            OutputFile console = standardOutputFile();
            return flushOutput(&console, stdout) ? 0 : 1;
        }
        case CommandLine::refused:
            return usageExitStatus;
        case CommandLine::run:
            break;
    }
    return -1;
}

std::string invalidValue(const GivenOption& given, const std::string& allowed) {
    // TRANSLATORS: the option, the value refused, and what it accepts.
    return formatMessage(_("%s '%s' is invalid: %s"), given.name.c_str(), given.text, allowed.c_str());
}

CommandLine parseCommandLine(Driver driver, int argc, char** argv, const OptionApplier& apply,
                             const OptionsCheck& check) {
    const char* program = driverName(driver);
    const GetoptTable table = getoptTable(driver);
    resetGetopt();
    int result;
    int longIndex = -1;
    while ((result = getopt_long(argc, argv, table.shortOptions.c_str(), table.longOptions.data(),
                                 &longIndex)) != -1) {
        const GivenOption given{result, optionName(table.longOptions.data(), longIndex, result), optarg};
        longIndex = -1;
        switch (result) {
            case 'h':
                printHelp(driver);
                return CommandLine::done;
            case 'V':
                printVersion(program);
                return CommandLine::done;
            case '?':
            case ':':
                return refuseGetopt(program, result, argv);
            default:
                break;
        }
        const std::string refusal = apply(given);
        if (!refusal.empty()) {
            return refuse(program, refusal);
        }
    }
    const std::string refusal = check ? check() : "";
    if (!refusal.empty()) {
        return refuse(program, refusal);
    }
    return refuseStrayArgument(program, argc, argv);
}
