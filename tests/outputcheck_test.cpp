// What the drivers refuse before the first run: a file the final rename
// could not replace (another user's file in a sticky folder, a file mounted
// over its name), and a log named with --log that is not a run log. Each
// program runs in a child process started here; the second user comes from
// setpriv and the mount from unshare, both needing root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/runlog.h"
#include "outputs/logcheck.h"
#include "programs.h"
#include "testsupport.h"

using programs::finish;
using programs::start;
using testsupport::readFile;

namespace {

const std::vector<std::string> shortSweep{"-s", "20x20", "-t", "1,2", "-r", "2"};

std::vector<std::string> with(std::vector<std::string> more) {
    std::vector<std::string> args = shortSweep;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

bool runsAsRoot() {
    return geteuid() == 0;
}

// Whether `command` succeeds here (unshare and mount may be refused in a
// container).
bool works(const std::string& command) {
    return system((command + " > /dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(OutputCheck, EveryLogLineTheDriversWriteIsOne) {
    for (const ExecutionData data :
         {ExecutionData{0.0, 1, 1, 1, 1}, ExecutionData{12345.0, 500, 500, 999, 127},
          ExecutionData{1e300, 2147483647, 1, 2147483647, 65536}}) {
        const ExecutionLine line = formatExecutionLine(data);
        EXPECT_TRUE(isRunLogLine(std::string_view(line.text, line.length - 1))) << line.text;
    }
    for (const char* other : {"", "}", "1,0; 1; 1; 1; 1", "1.00; 1; 1; 1; 1", "1,00; 1; 1; 1", "1,00;1;1;1;1",
                              "1,00; 1; 1; 1; 1; 1", "1,00; 1; 1; 1; x", "\"1,00\"; 1; 1; 1; 1"}) {
        EXPECT_FALSE(isRunLogLine(other)) << other;
    }
}

TEST(OutputCheck, NamedLogThatIsNotALogIsRefusedBeforeTheFirstRun) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(finish(start(DIAGSUM_EXE, with({"--no-log", "--json", "before.json"}))), 0);
    std::filesystem::copy_file("before.json", "sweep.json");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, with({"--log", "sweep.json"}))), 64);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: --log sweep.json is not a run log: its last line is \"}\"\n");
    EXPECT_EQ(readFile("sweep.json"), readFile("before.json"));
    EXPECT_EQ(readFile("stdout.txt"), "") << "nothing measured";
    EXPECT_EQ(finish(start(DIAGSUM_SINGLE_EXE, {"--log", "sweep.json"})), 64);

    testsupport::writeFile("cut.csv", "1,00; 20; 20; 39; 1\n2,00; 20; 2");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, with({"--log", "cut.csv"}))), 64);
    EXPECT_EQ(readFile("stderr.txt"),
              "diagsum: --log cut.csv is not a run log: it ends inside a line (\"2,00; 20; 2\")\n");

    // An empty file and a real log are appended to; a pipe is not read.
    testsupport::writeFile("empty.csv", "");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, with({"--log", "empty.csv"}))), 0);
    EXPECT_EQ(finish(start(DIAGSUM_EXE, with({"--log", "empty.csv"}))), 0);
    EXPECT_EQ(programs::lineCount(readFile("empty.csv")), 8u);
    ASSERT_EQ(mkfifo("pipe.csv", 0666), 0);
    const pid_t reader = start("/bin/cat", {"pipe.csv"}, "read.txt");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, with({"--log", "pipe.csv"}))), 0);
    finish(reader);
    EXPECT_EQ(programs::lineCount(readFile("read.txt")), 4u);

    // The default log is the document's file: appended to whatever it holds.
    testsupport::writeFile("infoData.csv", "a header of my own\n");
    EXPECT_EQ(finish(start(DIAGSUM_EXE, shortSweep)), 0);
    EXPECT_EQ(programs::lineCount(readFile("infoData.csv")), 5u);
}

TEST(OutputCheck, AnotherUsersFileInAStickyFolderIsRefusedBeforeTheFirstRun) {
    if (!runsAsRoot() || access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to run the program as another user";
    }
    testsupport::ScratchDir dir;
    // The folder is everyone's and sticky, as /tmp; the files are root's but
    // writable by all, so only the rename over them would fail.
    ASSERT_EQ(chmod(".", 01777), 0);
    std::filesystem::copy_file(DIAGSUM_EXE, "diagsum");
    // A root folder others may not enter (a chroot made by mktemp) lets
    // the other user load no library at all.
    if (!works("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ./diagsum --version")) {
        GTEST_SKIP() << "the user nobody cannot run the program here";
    }
    for (const char* option : {"--json", "--out"}) {
        SCOPED_TRACE(option);
        testsupport::writeFile("shared.txt", "root's\n");
        ASSERT_EQ(chmod("shared.txt", 0666), 0);
        const std::vector<std::string> args{"--reuid=65534",
                                            "--regid=65534",
                                            "--clear-groups",
                                            "./diagsum",
                                            "-s",
                                            "20x20",
                                            "-t",
                                            "1",
                                            "-r",
                                            "1",
                                            "--no-log",
                                            option,
                                            "shared.txt"};
        EXPECT_EQ(finish(start("/usr/bin/setpriv", args)), 1);
        EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write shared.txt: Operation not permitted\n");
        EXPECT_EQ(readFile("stdout.txt"), "") << "nothing measured";
        EXPECT_EQ(readFile("shared.txt"), "root's\n");
    }
}

TEST(OutputCheck, FileMountedOverItsNameIsRefusedBeforeTheFirstRun) {
    if (!runsAsRoot() || !works("unshare -m true")) {
        GTEST_SKIP() << "needs root and unshare -m for a mount of its own";
    }
    testsupport::ScratchDir dir;
    testsupport::writeFile("volume.json", "the volume's\n");
    testsupport::writeFile("shared.json", "");
    const std::string script = "mount --bind volume.json shared.json && exec '" + std::string(DIAGSUM_EXE) +
                               "' -s 20x20 -t 1 -r 1 --no-log --json shared.json";
    EXPECT_EQ(finish(start("/usr/bin/unshare", {"-m", "sh", "-c", script})), 1);
    EXPECT_EQ(readFile("stderr.txt"), "diagsum: cannot write shared.json: Device or resource busy\n");
    EXPECT_EQ(readFile("stdout.txt"), "");
    EXPECT_EQ(readFile("volume.json"), "the volume's\n");
}
