// Whole-file replacement: exact bytes, the old mode, links, pipes, long
// names, and nothing left behind by a failure.
#include "outputs/replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <string>

#include "floatfiles/floatfiles.h"
#include "outputs/outputcheck.h"
#include "testsupport.h"

using testsupport::readFile;

using testsupport::inChild;

namespace {

// Applies a file-size limit with SIGXFSZ ignored, so a write past it fails
// with EFBIG instead of killing.
void limitFileSize(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

size_t entries() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("."), {}));
}

}  // namespace

TEST(WholeFile, HoldsExactlyTheResultFileBytesWithTheOldMode) {
    testsupport::ScratchDir dir;
    Array sums{};
    ASSERT_TRUE(createArray(&sums, 2));
    sums.data[++sums.top].value = 2.5f;
    arrayFloatToFile(sums, "expected.txt");
    testsupport::writeFile("out.txt", std::string(50000, 'x'));
    chmod("out.txt", 0640);
    EXPECT_EQ(replaceFile("out.txt", floatLines(sums)), 0);
    deleteArray(&sums);
    EXPECT_EQ(readFile("out.txt"), readFile("expected.txt"));
    EXPECT_EQ(std::filesystem::status("out.txt").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(entries(), 2u) << "no temporary file left";
}

TEST(WholeFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("out.txt", "old\n");
    const int status = inChild([] {
        limitFileSize(100);
        return replaceFile("out.txt", std::string(200, 'n'));
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == EFBIG) << status;
    EXPECT_EQ(readFile("out.txt"), "old\n");
    EXPECT_EQ(entries(), 1u);
}

TEST(WholeFile, LinkKeepsNamingTheReplacedFile) {
    testsupport::ScratchDir dir;
    std::filesystem::create_directory("real");
    testsupport::writeFile("real/out.txt", "old\n");
    std::filesystem::create_symlink("real/out.txt", "out.txt");
    EXPECT_EQ(replaceFile("out.txt", "new\n"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("out.txt"));
    EXPECT_EQ(readFile("real/out.txt"), "new\n");

    // A link that reaches a file it cannot name, as /dev/stdout open on a
    // deleted file, is written through in place.
    const int fd = open("gone.txt", O_RDWR | O_CREAT, 0666);
    unlink("gone.txt");
    std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(fd), "fd.txt");
    EXPECT_EQ(replaceFile("fd.txt", "in place\n"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("fd.txt"));
    char text[16] = {};
    EXPECT_EQ(pread(fd, text, sizeof text - 1, 0), 9);
    EXPECT_STREQ(text, "in place\n");
    close(fd);
}

TEST(WholeFile, PipeIsCheckedWithoutOpeningIt) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(mkfifo("pipe", 0666), 0);
    const int status = inChild([] {
        alarm(60);  // opening the pipe would wait for a reader that never comes
        OutputFile pipe{"pipe"};
        return checkReplaceable(&pipe) ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(WholeFile, LongestNameTheDirectoryTakesWorksAndLinksAreFollowedWhenDangling) {
    testsupport::ScratchDir dir;
    const std::string longest(NAME_MAX - 5, 'n');  // too long for ".<pid>.<n>" after it
    EXPECT_EQ(replaceFile(longest, "first\n"), 0);
    EXPECT_EQ(replaceFile(longest, "second\n"), 0);
    EXPECT_EQ(readFile(longest), "second\n");
    EXPECT_EQ(entries(), 1u) << "no temporary file left";

    // A dangling link: the file is made where it leads, the link stays.
    std::filesystem::create_directory("real");
    std::filesystem::create_symlink("real/made.txt", "hop");
    std::filesystem::create_symlink("hop", "link.txt");
    EXPECT_EQ(replaceFile("link.txt", "made\n"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(readFile("real/made.txt"), "made\n");
}

// The rename is the last step: what was written is whole by then, and when
// the rename fails the temporary is the only copy of it, so it stays.
TEST(WholeFile, RenameThatFailsKeepsTheWholeTemporary) {
    testsupport::ScratchDir dir;
    PendingFile pending;
    ASSERT_EQ(beginReplace(&pending, "out.txt"), 0);
    pending.sync = true;
    ASSERT_EQ(writePending(&pending, "new\n"), 0);
    std::filesystem::create_directories("out.txt/in");  // no file can be renamed over it now
    EXPECT_EQ(finishReplace(&pending), EISDIR);
    EXPECT_TRUE(pending.kept);
    EXPECT_EQ(readFile(pending.temp), "new\n");

    std::string kept;
    testsupport::writeFile("old.txt", "old\n");
    EXPECT_EQ(replaceFile("old.txt", "newer\n", PipeWait::untilStop, true, &kept), 0);
    EXPECT_EQ(readFile("old.txt"), "newer\n");
    EXPECT_EQ(kept, "") << "nothing kept after a rename that worked";
}
