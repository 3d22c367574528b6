// The long options a real program accepts, read from the option table its
// parser gives getopt_long (see optiontable_shim.cpp), for tests that check
// every option reaches the man page and the shell completion.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace optiontable {

// What the shim prints for `program`, one entry per line; empty when the
// program could not be asked. `environment` is put before the command.
inline std::vector<std::string> askTable(const std::string& program, const std::string& environment) {
    // A sanitizer runtime wants to be the first library loaded; the shim only
    // replaces getopt_long, so that order does not matter here.
    const std::string command = environment +
                                " ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" "
                                "LD_PRELOAD='" OPTIONTABLE_SHIM "' '" +
                                program + "' --help 2>/dev/null";
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

// The names without their "--", in the table's order; empty when the program
// could not be asked.
inline std::vector<std::string> longOptions(const std::string& program) {
    return askTable(program, "");
}

// The short letters, each followed by ':' when it takes a value ("t:", "h").
inline std::vector<std::string> shortOptions(const std::string& program) {
    return askTable(program, "OPTIONTABLE_SHORT=1");
}

}  // namespace optiontable
