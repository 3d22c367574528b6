// The long options a real program accepts, read from the option table its
// parser gives getopt_long (see optiontable_shim.cpp), for tests that check
// every option reaches the man page and the shell completion.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace optiontable {

// The names without their "--", in the table's order; empty when the program
// could not be asked.
inline std::vector<std::string> longOptions(const std::string& program) {
    // A sanitizer runtime wants to be the first library loaded; the shim only
    // replaces getopt_long, so that order does not matter here.
    const std::string command = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" "
                                "LD_PRELOAD='" OPTIONTABLE_SHIM "' '" + program + "' --help 2>/dev/null";
    std::vector<std::string> names;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return names;
    }
    char line[256];
    while (fgets(line, sizeof line, pipe) != nullptr) {
        std::string name = line;
        if (!name.empty() && name.back() == '\n') {
            name.pop_back();
        }
        names.push_back(name);
    }
    return pclose(pipe) == 0 ? names : std::vector<std::string>{};
}

}  // namespace optiontable
