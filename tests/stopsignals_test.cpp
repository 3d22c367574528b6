// The stop signals: the first recorded, a second or a hang-up ending the
// program at once without its temporary files, ignored ones left ignored.
#include "outputs/stopsignals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "outputs/replace.h"
#include "testsupport.h"

namespace {

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

size_t entries() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("."), {}));
}

}  // namespace

TEST(StopSignals, FirstIsRecordedSecondRemovesTemporariesAndKills) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        installStopHandlers();
        raise(SIGTERM);
        PendingFile pending;
        if (stopSignal() != SIGTERM || beginReplace(&pending, "out.txt") != 0 || entries() != 1) {
            return 1;
        }
        raise(SIGINT);
        return 2;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(entries(), 0u);
}

TEST(StopSignals, HangUpRemovesTemporariesAndKills) {
    testsupport::ScratchDir dir;
    const int status = inChild([] {
        installStopHandlers();
        PendingFile pending;
        if (beginReplace(&pending, "out.txt") != 0 || entries() != 1) {
            return 1;
        }
        raise(SIGHUP);
        return 2;
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
