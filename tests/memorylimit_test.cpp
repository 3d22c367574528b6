// The real programs under an address-space limit (ulimit -v) that leaves
// room for a run's matrix and slots but not for the text of its sums: the
// failure is said, what was measured is kept, and the exit status is 255.
// Each program runs in a child process started here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "programs.h"
#include "testsupport.h"

using programs::lineCount;
using testsupport::readFile;

namespace {

// 1 x 4,000,000: the program, 16 MB of cells, 32 MB of slots and a
// worker's stack fit in 85,000 KiB (about 70,000 are needed), with the 48 MB
// of the sums' text they do not (about 105,000 are).
constexpr rlim_t addressSpace = 85000 * 1024;
const std::string size = "1x4000000";

// Runs `program` with `args` under the limit; stdout is thrown away,
// stderr goes to stderr.txt. Returns the exit status, or 1000 + the signal.
int runLimited(const char* program, std::vector<std::string> args) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        const rlimit limit{addressSpace, addressSpace};
        setrlimit(RLIMIT_AS, &limit);
        programs::execProgram(program, std::move(args));
    }
    return programs::finish(pid);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool underSanitizer = true;
#else
constexpr bool underSanitizer = false;
#endif

}  // namespace

TEST(MemoryLimit, NoMemoryForTheSumsTextStopsWithTheRunKept) {
    if (underSanitizer) {
        GTEST_SKIP() << "sanitizers reserve terabytes of address space for themselves";
    }
    testsupport::ScratchDir dir;
    EXPECT_EQ(runLimited(DIAGSUM_EXE, {"-s", size, "-t", "1", "-r", "2", "--json", "j.json"}), 255);
    EXPECT_EQ(testsupport::withoutMachineWarnings(readFile("stderr.txt")),
              "diagsum: not enough memory for the text of the 4000000 sums; out.txt is not written\n");
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    const auto json = nlohmann::json::parse(readFile("j.json"));
    ASSERT_EQ(json["benchmarks"].size(), 1u) << "the measured run, no aggregate of one";
    EXPECT_EQ(json["benchmarks"][0]["name"], "diagsum/1x4000000/threads:1");
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        EXPECT_EQ(lineCount(readFile("infoData.csv")), 1u) << "the measured run is logged";
    }

    std::filesystem::remove("infoData.csv");
    EXPECT_EQ(runLimited(DIAGSUM_SINGLE_EXE, {"-s", size, "-t", "1"}), 255);
    EXPECT_EQ(readFile("stderr.txt"),
              "diagsum-single: not enough memory for the text of the 4000000 sums; out.txt is not written\n");
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    if (DIAGSUM_GENERATE_EXECUTION_DATA) {
        EXPECT_EQ(lineCount(readFile("infoData.csv")), 1u);
    }
}
