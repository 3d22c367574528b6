#include "app/invocations.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/invocationstream.h"
#include "i18n/messages.h"
#include "plan/invocations.h"

namespace {

// A child invocation at work.
struct Child {
    pid_t pid = -1;
    int fd = -1;  // the parent's end of the channel
};

// This process's environment with the child's share in it (and no share
// of its own: the parent has none).
std::vector<std::string> childEnvironment(const InvocationShare& share) {
    const std::string prefix = std::string(invocationVariable) + "=";
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; entry++) {
        if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back(prefix + shareText(share));
    return environment;
}

// Starts the program afresh with `share`, its channel the child's end of a
// new socket pair. Returns 0, or the errno of what failed.
int startChild(char** argv, InvocationShare share, Child* child) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return errno;
    }
    share.fd = ends[1];
    std::vector<std::string> environment = childEnvironment(share);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    fflush(nullptr);  // nothing buffered here is written twice
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        fcntl(ends[1], F_SETFD, 0);
        execve("/proc/self/exe", argv, envp.data());
        _exit(127);
    }
    const int error = errno;
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return error;
    }
    *child = Child{pid, ends[0]};
    return 0;
}

// What the parent keeps of a child's runs while they arrive.
struct Merge {
    const SweepOptions* options;
    const SweepSetup* setup;
    DriverOutputs* outputs;
    SweepRuns* runs;
    MeanLines* means;
    int32_t invocation;
    uint64_t* sequence;  // the next run's place in the whole sweep
    size_t made = 0;     // runs this child sent
    std::string* lastSums;
};

// Takes one message in. False for a run no plan of this sweep holds.
bool takeMessage(Merge* merge, InvocationMessage* message) {
    if (message->kind == InvocationMessage::Kind::sums) {
        *merge->lastSums = std::move(message->sums);
        return true;
    }
    if (message->kind != InvocationMessage::Kind::run) {
        return true;
    }
    TimedRun& run = message->run;
    if (run.countIndex >= merge->options->threadCounts.size() ||
        message->variant >= merge->setup->variants.size()) {
        return false;
    }
    run.invocation = merge->invocation;
    run.sequence = (*merge->sequence)++;
    const PlannedRun planned{run.countIndex, message->variant, 0, false};
    recordTimedRun(*merge->options, *merge->setup, planned, run, merge->outputs, merge->means, merge->runs);
    merge->made++;
    return true;
}

// How a child's channel ended.
struct ChildOutcome {
    bool ended = false;      // its end message came
    InvocationMessage end;   // that message
    bool malformed = false;  // it sent bytes no child sends (it was killed then)
    int waitStatus = 0;
};

// Standard output's reader going away stops the sweep; the parent writes
// nothing there until the end, so it watches for it (a pipe or a socket).
bool outputCanLoseReader() {
    struct stat status;
    return fstat(STDOUT_FILENO, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

// Reads the child's messages until its channel closes. A stop recorded
// meanwhile is passed on by shutting the parent's side for writing, which
// the child sees between runs: a signal sent on would be the child's second
// when the terminal's Ctrl-C already reached it, and a second one ends it at
// once, its run in progress lost.
ChildOutcome followChild(const Child& child, Merge* merge) {
    ChildOutcome outcome;
    MessageReader reader;
    bool asked = false;
    bool watchOutput = outputCanLoseReader();
    char bytes[65536];
    while (!outcome.malformed) {
        if (!asked && stopSignal() != 0) {
            shutdown(child.fd, SHUT_WR);
            asked = true;
        }
        pollfd watched[2] = {{child.fd, POLLIN, 0}, {STDOUT_FILENO, 0, 0}};
        // A short wait: a signal that comes just before poll is still seen soon.
        if (poll(watched, watchOutput ? 2 : 1, 200) < 0) {
            if (errno == EINTR) {
                continue;  // a stop to pass on
            }
            break;
        }
        if (watchOutput && watched[1].revents != 0) {
            stopForClosedPipe();
            watchOutput = false;
        }
        if (watched[0].revents == 0) {
            continue;
        }
        const ssize_t got = read(child.fd, bytes, sizeof bytes);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        addMessageBytes(&reader, bytes, static_cast<size_t>(got));
        InvocationMessage message;
        MessageRead read;
        while ((read = nextMessage(&reader, &message)) == MessageRead::message) {
            if (!takeMessage(merge, &message)) {
                read = MessageRead::malformed;
                break;
            }
            if (message.kind == InvocationMessage::Kind::end) {
                outcome.ended = true;
                outcome.end = message;
            }
        }
        outcome.malformed = read == MessageRead::malformed;
    }
    if (outcome.malformed) {
        kill(child.pid, SIGKILL);
    }
    close(child.fd);
    while (waitpid(child.pid, &outcome.waitStatus, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

std::string signalText(int number) {
    const char* abbreviation = sigabbrev_np(number);
    return abbreviation != nullptr ? std::string("SIG") + abbreviation : std::to_string(number);
}

// What a child's outcome means for the sweep; a failure said in one line.
SweepEnd judgeChild(const ChildOutcome& outcome, int32_t invocation, int32_t invocations, size_t made,
                    size_t planned) {
    const int shown = invocation + 1;
    if (outcome.malformed) {
        fprintf(
            stderr,
            _("diagsum: invocation %d of %d sent what no invocation sends after %zu of its %zu timed runs; "
              "it was ended, and the runs before are kept\n"),
            shown, invocations, made, planned);
        return SweepEnd::runFailed;
    }
    if (!outcome.ended) {
        const int status = outcome.waitStatus;
        // The stop's own signal can end a child before it has set up its
        // handlers: a terminal's Ctrl-C reaches the whole group, a child
        // just started included. That is the sweep's stop, not a failure.
        if (WIFSIGNALED(status) && stopSignal() != 0 && WTERMSIG(status) == stopSignal()) {
            return SweepEnd::stopped;
        }
        const std::string how =
            WIFSIGNALED(status) ? formatMessage(_("was killed by %s"), signalText(WTERMSIG(status)).c_str())
                                : formatMessage(_("exited with status %d"), WEXITSTATUS(status));
        // TRANSLATORS: the invocation, the invocations, how it ended, the runs it made and its share.
        fprintf(stderr,
                _("diagsum: invocation %d of %d %s after %zu of its %zu timed runs; those are kept\n"), shown,
                invocations, how.c_str(), made, planned);
        return SweepEnd::runFailed;
    }
    switch (outcome.end.end) {
        case InvocationEnd::failed:
            fprintf(
                stderr,
                _("diagsum: invocation %d of %d could not make a run after %zu of its %zu timed runs; those "
                  "are kept\n"),
                shown, invocations, made, planned);
            return SweepEnd::runFailed;
        case InvocationEnd::stopped:
            // A signal that reached the child alone stops the sweep as if
            // it had come here.
            if (stopSignal() == 0 && outcome.end.signal == SIGPIPE) {
                stopForClosedPipe();
            } else if (stopSignal() == 0 && outcome.end.signal != 0) {
                raise(outcome.end.signal);
            }
            return SweepEnd::stopped;
        case InvocationEnd::finished:
            break;
    }
    return SweepEnd::finished;
}

}  // namespace

SweepEnd sweepInvocations(const SweepOptions& options, const SweepSetup& setup, char** argv,
                          const std::vector<size_t>& perfEvents, DriverOutputs* outputs, SweepRuns* runs,
                          Progress* progress) {
    MeanLines means = startMeanLines(setup.plan.shape, progress);
    const bool random = options.order.order == RunOrder::random;
    const size_t perRun = options.threadCounts.size() * setup.variants.size();
    uint64_t sequence = 0;
    std::string lastSums;
    SweepEnd end = SweepEnd::finished;
    for (int32_t i = 0; i < options.invocations && end == SweepEnd::finished; i++) {
        if (stopSignal() != 0) {
            end = SweepEnd::stopped;
            break;
        }
        InvocationShare share;
        share.index = i;
        share.count = options.invocations;
        share.runs = invocationRuns(options.runs, options.invocations, i);
        share.seed = random ? invocationSeed(setup.seed, i) : 0;
        share.perfEvents = perfEvents;
        Child child;
        if (const int error = startChild(argv, share, &child); error != 0) {
            fprintf(stderr, _("diagsum: invocation %d of %d could not be started: %s\n"), i + 1,
                    options.invocations, strerror(error));
            end = SweepEnd::runFailed;
            break;
        }
        Merge merge{&options, &setup, outputs, runs, &means, i, &sequence, 0, &lastSums};
        const ChildOutcome outcome = followChild(child, &merge);
        end =
            judgeChild(outcome, i, options.invocations, merge.made, perRun * static_cast<size_t>(share.runs));
    }
    clearProgress(progress);
    if (!lastSums.empty()) {
        writeWholeFile(&outputs->out, lastSums);
    }
    printReadyMeans(&means, options, setup, &outputs->console, true);
    return end;
}
