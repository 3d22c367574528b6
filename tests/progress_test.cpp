// The progress line: what it says, and that it shows only where asked
// (on a terminal by default), rewriting itself in place.
#include "progress/progress.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

// What the progress calls write to stderr while stderr is a pipe.
template <typename Calls>
std::string stderrOf(Calls calls) {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    const int saved = dup(STDERR_FILENO);
    dup2(ends[1], STDERR_FILENO);
    close(ends[1]);
    calls();
    dup2(saved, STDERR_FILENO);
    close(saved);
    char text[4096];
    const ssize_t got = read(ends[0], text, sizeof text);
    close(ends[0]);
    return got > 0 ? std::string(text, static_cast<size_t>(got)) : "";
}

}  // namespace

TEST(Progress, LineNamesCountRunDoneOfTotalAndTimeLeft) {
    EXPECT_EQ(progressLine(8, 3, 50, 400, 6350, 10.0),
              "diagsum: 8 workers, run 3 of 50; 400 of 6350 runs done; about 2 min 29 s left");
    EXPECT_EQ(progressLine(1, 1, 50, 0, 6350, 0.0), "diagsum: 1 worker, run 1 of 50; 0 of 6350 runs done");
}

TEST(Progress, NothingUnlessStderrIsATerminalOrItIsAskedFor) {
    const auto sweep = [](ProgressChoice choice) {
        return [choice] {
            Progress progress;
            startProgress(&progress, 4, choice);
            for (int32_t run = 1; run <= 4; run++) {
                progressRunDone(&progress, 2, run, 4);
            }
            clearProgress(&progress);
        };
    };
    EXPECT_EQ(stderrOf(sweep(ProgressChoice::automatic)), "") << "a pipe is no terminal";
    EXPECT_EQ(stderrOf(sweep(ProgressChoice::off)), "");
    const std::string shown = stderrOf(sweep(ProgressChoice::on));
    EXPECT_EQ(shown.rfind("\rdiagsum: 2 workers, run 1 of 4; 1 of 4 runs done", 0), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\x1b[K") << "cleared at the end";
    EXPECT_EQ(shown.find("run 2 of 4"), std::string::npos) << "redraws are rate-limited";
}
