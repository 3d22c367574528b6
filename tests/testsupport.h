// Helpers shared by the tests: a scratch working directory, text fed to
// standard input, whole-file reads, and a real program run to its end.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// The programs print nothing but their own lines (no prompts or pauses, no
// worker progress) and log every run: tests that count lines of the console
// or the log hold only under these settings.
inline constexpr bool plainConsoleAndLog =
    !DIAGSUM_GET_INPUT_FROM_USER && !DIAGSUM_PRINT_INFO_PROCESS && DIAGSUM_GENERATE_EXECUTION_DATA;

// The programs print nothing but their own lines (no prompts, pauses or
// worker progress); the log may or may not be written.
inline constexpr bool plainOutput = !DIAGSUM_GET_INPUT_FROM_USER && !DIAGSUM_PRINT_INFO_PROCESS;

// out.txt of a rows x columns matrix of ones.
inline std::string sumsOfOnes(int rows, int columns) {
    std::string text;
    for (int d = 0; d < rows + columns - 1; d++) {
        char line[32];
        snprintf(line, sizeof line, "%f\n",
                 static_cast<double>(std::min({d + 1, rows + columns - 1 - d, rows, columns})));
        text += line;
    }
    return text;
}

// Makes a fresh directory under the temp dir and works inside it for the
// object's lifetime; the drivers write out.txt and infoData.csv to the
// working directory.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "diagsum-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of `text`, without their line breaks.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// `text` without the lines that warn of a busy machine: a sweep that writes
// a JSON file may say so before its first run, depending on the load of the
// machine the tests run on.
inline std::string withoutMachineWarnings(const std::string& text) {
    std::string kept;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(": warning: ") == std::string::npos) {
            kept += line + "\n";
        }
    }
    return kept;
}

struct Finished {
    int status;  // exit status, or -1 when the program did not exit
    std::string out;
    std::string err;
};

// Runs `program` with `args` (shell words) in the working directory, with
// no input; stdout and stderr are captured outside it.
inline Finished runProgram(const char* program, const std::string& args) {
    const auto capture =
        std::filesystem::temp_directory_path() / ("diagsum-capture-" + std::to_string(getpid()));
    const std::string command = std::string("'") + program + "' " + args + " > '" + capture.string() +
                                ".out' 2> '" + capture.string() + ".err' < /dev/null";
    const int status = std::system(command.c_str());
    Finished finished{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(capture.string() + ".out"),
                      readFile(capture.string() + ".err")};
    std::filesystem::remove(capture.string() + ".out");
    std::filesystem::remove(capture.string() + ".err");
    return finished;
}

// Standard input reads `text` from here on (then end of file).
inline void feedStdin(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / ("diagsum-stdin-" + std::to_string(getpid()));
    writeFile(path, text);
    if (std::freopen(path.c_str(), "r", stdin) == nullptr) {
        std::abort();
    }
    std::filesystem::remove(path);
}

// Runs `body` in a child process, which ends with _exit(body()); returns
// the wait status. Limits and signals set there stay there.
template <typename Body>
int inChild(Body body) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace testsupport
