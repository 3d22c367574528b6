// The drivers' outputs, written so that nothing measured is lost silently:
// every failure to write one is reported once on stderr, naming the file
// and the reason; the run log takes each line in one write, whole or not at
// all; out.txt and the JSON file are replaced whole through a temporary
// file beside them; SIGINT and SIGTERM ask the sweep to stop between runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/runlog.h"

// The name standard output goes by in messages.
inline constexpr const char* standardOutputName = "standard output";  // translated where shown

// One output of a driver, by the name its messages give it.
struct OutputFile {
    std::string name;     // its path, or standardOutputName
    bool failed = false;  // a failure of it was reported
};

// Prints "Cannot write <name>: <strerror(error)>" (translated) on stderr the first time
// `file` fails; later failures of it are not repeated.
void reportOutputFailure(OutputFile* file, int error);

// Flushes `stream`; when it fails (or a write to it failed earlier),
// reports `file` and returns false.
bool flushOutput(OutputFile* file, FILE* stream);

// Prints the sweep's mean line, "%d - %lf\n" ("%d - %lf %s\n" with the
// mode's name when `mode` is given), and flushes it, so the means already
// computed are out even if the program is then killed. Failures are
// reported as flushOutput does.
void printMeanLine(OutputFile* file, FILE* stream, int32_t workers, double mean, const char* mode = nullptr);

// The run log, opened once per program.
struct LogAppender {
    OutputFile file;  // name: the log's path
    int fd = -1;
    bool createOnFirstLine = false;  // the log is missing and made with its first line
};

// Opens `path` with O_WRONLY | O_APPEND | O_CLOEXEC. A missing log is not
// created yet: a file must be creatable beside it, and the first line
// creates it. When it cannot be opened, reports it and returns false.
bool openLogAppender(LogAppender* log, const std::string& path);

// Appends the line of `data` (formatExecutionLine) in one write(2), creating
// a missing log first (O_CREAT, 0666 less the umask). A line
// that could not be written whole is taken back (appendWholeLine) and the
// failure reported. A log that is not open is left alone.
void appendToLog(LogAppender* log, ExecutionData data);

// Closes the log; a failed close is reported.
void closeLogAppender(LogAppender* log);

// A whole-file replacement in progress.
struct PendingFile {
    std::string target;    // the file replaced (a symbolic link's target)
    std::string temp;      // the temporary beside it; empty when written in place
    bool inPlace = false;  // a device, a pipe, or a file with no name to rename over
    int fd = -1;
    int slot = -1;  // its entry in the table the stop handler clears
};

// Creates the temporary "<target>.<pid>.<n>" exclusively in the target's
// directory, with the old file's mode (or 0666 less the umask), registered
// so that a second stop signal removes it. An existing target that is
// neither a regular file nor a directory (/dev/null, a pipe), or that a
// symbolic link reaches but cannot name (/dev/stdout open on a deleted
// file), is opened to be written in place instead. Returns 0 or the errno;
// nothing is left on a failure.
int beginReplace(PendingFile* file, const std::string& path);
// Writes all of `text` to the pending file. Returns 0 or the errno.
int writePending(PendingFile* file, std::string_view text);
// Closes the temporary and renames it over the target: a reader sees the
// old file or the new one, never a mix. On a failure removes the temporary.
// Returns 0 or the errno.
int finishReplace(PendingFile* file);
// Closes and removes the temporary; the target stays as it was.
void abandonReplace(PendingFile* file);

// Replaces `path` with exactly `text`: begin, write, finish, abandoning on
// a failure. Returns 0 or the errno; the old file then stays.
int replaceFile(const std::string& path, std::string_view text);

// Checks, before anything is measured, that `file` (its name is the path)
// can be replaced: a temporary can be made beside it, or, for one written in
// place, that it may be written (it is not opened: a pipe's reader would
// take the check for the whole output). Reports and returns false when not.
bool checkReplaceable(OutputFile* file);

// Replaces `file` with `text`; reports and returns false on a failure.
bool writeWholeFile(OutputFile* file, std::string_view text);

// Everything a driver writes.
struct DriverOutputs {
    LogAppender log;  // not open when runs are not logged
    OutputFile out;   // the sums of the last run
    OutputFile json;  // no name: no JSON file
    OutputFile console{standardOutputName};
};

// Names the outputs and checks, before anything is measured, each one the
// driver will write: opens the log (none when `logPath` is empty), and
// checks that out.txt and the JSON file (none when `jsonPath` is empty) can
// be replaced. Every one that cannot is reported; false then.
bool openDriverOutputs(DriverOutputs* outputs, const std::string& logPath, const std::string& outPath,
                       const std::string& jsonPath);

// Whether two of the outputs a driver will write (none where a path is
// empty), or one of them and standard output, are one regular file: links
// followed, a file not made yet known by its directory and name. Writing
// one would then destroy or bury the other (the log replaced by out.txt, the
// means mixed into the log). Says which on stderr ("diagsum: --log e --out
// nomeiam o mesmo arquivo: infoData.csv") and returns true: the driver then
// refuses the command line. Devices and pipes may be shared.
bool outputsClash(const char* program, const std::string& logPath, const std::string& outPath,
                  const std::string& jsonPath);

// Closes the log and flushes standard output, reporting their failures.
void closeDriverOutputs(DriverOutputs* outputs);

// The exit status of a driver that made every run it was asked to (or
// stopped for a signal): 128 + the stop signal (130, 143), else 1 when an
// output failed, else 0.
int driverExitStatus(const DriverOutputs& outputs);

// Installs the SIGINT and SIGTERM handlers; a signal ignored when the
// program started stays ignored. The first signal only records itself (the
// sweep polls stopSignal between runs); a second removes the registered
// temporary files and ends the process at once by the signal's default
// action, as SIGHUP and SIGQUIT do from the first. SIGXFSZ is ignored, so a
// write past the file-size limit fails (EFBIG) and is reported.
void installStopHandlers();

// Opens /dev/null for reading on each of descriptors 0, 1 and 2 that is
// closed, so that no file the program opens takes the place of one: the
// means written to a closed standard output then fail (EBADF) and are
// reported instead of landing in the log.
void holdStandardDescriptors();

// The first stop signal received (SIGINT or SIGTERM), or 0. A driver that
// stops for it exits with 128 + the signal: 130 or 143.
int stopSignal();
