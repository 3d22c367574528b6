// Runs diagsum-report (DIAGSUM_REPORT_EXE) in a shell for the program's
// tests: stdout to out.txt and stderr to err.txt in the working folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace reportrun {

// The report with `arguments` (shell words, redirections of its own
// included) after `environment` (assignments); its exit status.
inline int report(const std::string& arguments, const std::string& environment = "") {
    const std::string command =
        "{ " + environment + " '" + DIAGSUM_REPORT_EXE + "' " + arguments + "; } > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace reportrun
