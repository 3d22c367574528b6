// The real programs started in child processes by the tests, and how they
// ended.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace programs {

// Replaces the child process with `program` run with `args`; ends it with
// 127 when that cannot be done.
[[noreturn]] inline void execProgram(const char* program, std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
}

// Starts `program` with `args` in the working directory, its output into the
// files named (standard output closed for none, the test's own for "-"); with `sizeLimit` the child
// may write files of at most that many bytes.
inline pid_t start(const char* program, std::vector<std::string> args, const char* out = "stdout.txt",
                   const char* err = "stderr.txt", rlim_t sizeLimit = RLIM_INFINITY) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(err, O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        if (out == nullptr) {
            close(STDOUT_FILENO);
        } else if (std::string(out) != "-") {
            dup2(open(out, O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
        }
        // Run from a script in the background, the tests inherit SIGINT
        // ignored, and the programs would keep it so.
        signal(SIGINT, SIG_DFL);
        const rlimit limit{sizeLimit, sizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        execProgram(program, std::move(args));
    }
    return pid;
}

inline size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The exit status, or 1000 + the signal that ended the program.
inline int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// As finish, but a program still running after `seconds` is killed and
// reported as 2000: the test then fails instead of hanging.
inline int finishWithin(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 100; i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    finish(pid);
    return 2000;
}

// Starts `program` with standard output into a pipe whose reader is gone.
inline pid_t startIntoClosedPipe(const char* program, std::vector<std::string> args) {
    int ends[2];
    if (pipe(ends) != 0) {
        return -1;
    }
    close(ends[0]);
    const int saved = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    close(ends[1]);
    const pid_t pid = start(program, std::move(args), "-");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return pid;
}

// Runs `script` with bash (its $0 is `program`) in a process group of its
// own, SIGINT at its default action, standard output into stdout.txt.
inline pid_t startShell(const std::string& script, const char* program) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        signal(SIGINT, SIG_DFL);
        dup2(open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
        dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
        execl("/bin/bash", "bash", "-c", script.c_str(), program, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

}  // namespace programs
