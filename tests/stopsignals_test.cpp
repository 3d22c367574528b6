// The stop signals: the first recorded, the same one delivered again at
// once counted as one stop, a later one or a hang-up ending the program
// within the deadline without its temporary files, ignored ones left
// ignored.
#include "outputs/stopsignals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "outputs/replace.h"
#include "testsupport.h"

using testsupport::inChild;

namespace {

size_t entries() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("."), {}));
}

// Waits past the end-now deadline, as a write that never returns would.
int hangPastTheDeadline() {
    std::this_thread::sleep_for(std::chrono::seconds(endNowDeadlineSeconds + 10));
    return 3;
}

// In the child: begins replacing out.txt, then raises `ending`, which must
// remove the temporary and end the child at once. 1 when the replace did
// not begin, 2 when the signal did not end the program.
int raiseWhileReplacing(int ending) {
    PendingFile pending;
    if (beginReplace(&pending, "out.txt") != 0 || entries() != 1) {
        return 1;
    }
    raise(ending);
    return endingNow() ? hangPastTheDeadline() : 2;
}

}  // namespace

TEST(StopSignals, FirstIsRecordedSecondRemovesTemporariesAndKills) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        installStopHandlers();
        raise(SIGTERM);
        return stopSignal() == SIGTERM ? raiseWhileReplacing(SIGINT) : 1;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(entries(), 0u);
}

TEST(StopSignals, HangUpRemovesTemporariesAndKills) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        installStopHandlers();
        return raiseWhileReplacing(SIGHUP);
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
    EXPECT_EQ(entries(), 0u);
}

TEST(StopSignals, SignalIgnoredAtStartStaysIgnored) {
    const int status = inChild([] {
        signal(SIGINT, SIG_IGN);
        installStopHandlers();
        raise(SIGINT);
        raise(SIGINT);
        return stopSignal();
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// GNU timeout signals the program, then its own process group: the same
// signal twice at once is one stop, and what was measured is still written.
TEST(StopSignals, SameSignalAgainAtOnceIsOneStop) {
    const int status = inChild([] {
        installStopHandlers();
        raise(SIGINT);
        raise(SIGINT);
        return stopSignal() == SIGINT && stopCount() == 1 && !endingNow() ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(StopSignals, SameSignalAfterAPauseEndsNowAndEndsByIt) {
    const int status = inChild([] {
        installStopHandlers();
        raise(SIGTERM);
        std::this_thread::sleep_for(std::chrono::milliseconds(repeatedStopMillis + 200));
        raise(SIGTERM);
        if (stopCount() != 2 || !endingNow()) {
            return 1;
        }
        return endByStopSignal(2);  // what was measured is written: it ends by the signal at once
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}
