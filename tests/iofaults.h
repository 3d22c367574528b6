// Runs of a real program under the I/O shim (iofault_shim.cpp, loaded with
// LD_PRELOAD): the calls it makes on the files of the working directory
// counted, and each failure point of them tried, one per run.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "programs.h"
#include "testsupport.h"

namespace iofaults {

using testsupport::readFile;

// One failure point: the `at`-th call of `call` fails with `error` (and every
// later one when `onward`); `shortWrite` makes that write take half its bytes.
struct Fault {
    std::string call;
    long at = 0;
    int error = 0;
    bool onward = false;
    long shortWrite = 0;
};

inline std::string describe(const Fault& fault) {
    std::string text = fault.call + " #" + std::to_string(fault.at) + " " + strerrorname_np(fault.error);
    if (fault.onward) {
        text += " onward";
    }
    if (fault.shortWrite > 0) {
        text += ", write #" + std::to_string(fault.shortWrite) + " short";
    }
    return text;
}

struct Outcome {
    int status;  // the exit status, or 1000 + the signal
    std::string err;
};

// Runs `program` in the working directory under the shim with `fault`
// (none when its call is empty); `counts` gets the calls made.
inline Outcome runUnder(const char* program, const std::vector<std::string>& args, const Fault& fault,
                        const std::string& counts = "", const std::string& trace = "") {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666), STDOUT_FILENO);
        dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666), STDERR_FILENO);
        unsetenv("IOFAULT_PID");
        setenv("IOFAULT_DIR", std::filesystem::current_path().c_str(), 1);
        setenv("LD_PRELOAD", IOFAULT_SHIM, 1);
        // The shim comes before AddressSanitizer's runtime, which it does not need.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        if (!fault.call.empty()) {
            setenv("IOFAULT_CALL", fault.call.c_str(), 1);
            setenv("IOFAULT_AT", std::to_string(fault.at).c_str(), 1);
            setenv("IOFAULT_ERRNO", std::to_string(fault.error).c_str(), 1);
        }
        if (fault.onward) {
            setenv("IOFAULT_ONWARD", "1", 1);
        }
        setenv("IOFAULT_SHORT", std::to_string(fault.shortWrite).c_str(), 1);
        if (!counts.empty()) {
            setenv("IOFAULT_COUNTS", counts.c_str(), 1);
        }
        if (!trace.empty()) {
            setenv("IOFAULT_TRACE", trace.c_str(), 1);
        }
        programs::execProgram(program, args);
    }
    const int status = programs::finish(pid);
    return {status, testsupport::withoutMachineWarnings(readFile("stderr.txt"))};
}

// "open 14, write 9, ..." for the test's log.
inline std::string countsText(const std::map<std::string, long>& made) {
    std::string text;
    for (const auto& [call, n] : made) {
        text += (text.empty() ? "" : ", ") + call + " " + std::to_string(n);
    }
    return text;
}

// How many calls of each kind a run makes, as the shim counted them; none
// when the run fails without a fault.
inline std::map<std::string, long> countCalls(const char* program, const std::vector<std::string>& args) {
    const std::string counts = (std::filesystem::current_path() / "counts.txt").string();
    const Outcome clean = runUnder(program, args, Fault{}, counts);
    if (clean.status != 0) {
        return {};
    }
    std::map<std::string, long> made;
    std::istringstream lines(readFile(counts));
    std::string call;
    for (long n; lines >> call >> n;) {
        made[call] = n;
    }
    std::filesystem::remove(counts);
    return made;
}

// The errors a disk gives for each call, EINTR where a signal can cut it.
inline const std::map<std::string, std::vector<int>> diskErrors = {
    {"open", {EIO, ENOSPC, EINTR}}, {"write", {EIO, ENOSPC, EINTR}},
    {"fsync", {EIO, ENOSPC}},       {"rename", {EIO, ENOSPC}},
    {"ftruncate", {EIO}},           {"flock", {EINTR, ENOLCK}},
    {"close", {EIO, EINTR}},
};

// Every failure point of a run that makes `made` calls: each call with each
// error, each kind failing from its first call on, each write cut short, and
// each cut-back of a short write failing.
inline std::vector<Fault> failurePoints(const std::map<std::string, long>& made) {
    std::vector<Fault> faults;
    for (const auto& [call, errors] : diskErrors) {
        const long count = made.count(call) != 0 ? made.at(call) : 0;
        for (long at = 1; at <= count; at++) {
            for (int error : errors) {
                faults.push_back(Fault{call, at, error});
            }
        }
        if (count > 0) {
            faults.push_back(Fault{call, 1, errors.front(), true});
        }
    }
    for (long at = 1; at <= (made.count("write") != 0 ? made.at("write") : 0); at++) {
        faults.push_back(Fault{"", 0, 0, false, at});
        faults.push_back(Fault{"ftruncate", 1, EIO, false, at});
    }
    return faults;
}

// The files of a folder whose names are a temporary's: "<name>.<pid>.<n>"
// or the report's "<name>.XXXXXX".
inline std::vector<std::string> temporaries() {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, std::regex(R"(.+\.(\d+\.\d+|[A-Za-z0-9]{6}))"))) {
            found.push_back(name);
        }
    }
    return found;
}

}  // namespace iofaults
