// Whole-file replacement: out.txt and the JSON file are written to a
// temporary file beside the file they replace and renamed over it, so a
// reader sees the old file or the new one, never a mix, and a failure
// leaves the old file as it was. A durable replacement is also synced to
// the disk before its rename and its directory after, so that it survives
// a crash too. A rename that fails keeps the temporary, which is then the
// only whole copy of what was written. The temporary is "<name>.<pid>.<n>",
// shortened when that would pass the file system's longest name, and is
// known to the signal handlers, which remove it when they end the program
// at once. Links are followed (outputs/outputpath): the file they reach is
// replaced and the link stays. A device, a pipe, or a file a link reaches
// but cannot name is written in place instead; waiting for a pipe's reader,
// or for room in it, ends when a stop signal comes.
#pragma once

#include <string>
#include <string_view>

#include "outputs/outputfile.h"

// Which stop ends a wait for a pipe: any recorded (a run's out.txt, not
// worth holding a stop back for), or only one counted after the write
// began (the JSON file written once the sweep has stopped: a second stop).
enum class PipeWait { untilStop, untilNextStop };

// A whole-file replacement in progress.
struct PendingFile {
    std::string target;    // the file replaced (where its links lead)
    std::string temp;      // the temporary beside it; empty when written in place
    bool inPlace = false;  // a device, a pipe, or a file with no name to rename over
    bool pipe = false;     // in place into a pipe: waits are cut short by a stop
    bool sync = false;     // durable: synced before the rename, its directory after
    bool kept = false;     // the rename failed: `temp` is kept, whole
    int stopsBefore = 0;   // the stops counted when the write began (PipeWait)
    int fd = -1;
    int slot = -1;  // its entry in the table the signal handlers clear
};

// Creates the temporary exclusively in the target's directory, with the old
// file's mode (or 0666 less the umask), registered before it exists. An
// existing target that is neither a regular file nor a directory is opened
// to be written in place; a pipe with no reader is waited for until one
// comes or a stop signal is recorded (EINTR then). Returns 0 or the errno;
// nothing is left on a failure.
int beginReplace(PendingFile* file, const std::string& path, PipeWait wait = PipeWait::untilStop);
// Writes all of `text` to the pending file. Returns 0 or the errno (EINTR
// when a stop signal cut short a wait for room in a pipe).
int writePending(PendingFile* file, std::string_view text);
// Closes the temporary (synced first when durable) and renames it over the
// target, then syncs the directory when durable. When the temporary cannot
// be closed or synced it is removed; when only the rename fails it is kept
// (`kept`, named by `temp`). Returns 0 or the errno.
int finishReplace(PendingFile* file);
// Closes and removes the temporary; the target stays as it was.
void abandonReplace(PendingFile* file);

// Replaces `path` with exactly `text`: begin, write, finish, abandoning on
// a failure. Returns 0 or the errno; the old file then stays, and a
// temporary kept by a failed rename is named in `keptAs` when given
// (removed otherwise).
int replaceFile(const std::string& path, std::string_view text, PipeWait wait = PipeWait::untilStop,
                bool sync = false, std::string* keptAs = nullptr);

// Replaces `file` (its name is the path) with `text`, durably when the
// file is durable; reports and returns false on a failure. A temporary
// kept by a failed rename is named in the report; a later one of the same
// output is renamed over it, so one file keeps the newest text.
bool writeWholeFile(OutputFile* file, std::string_view text, PipeWait wait = PipeWait::untilStop);

// Syncs to the disk the file `file` names and its directory: the last
// replacement of an output rewritten by every run, synced once at the end.
// Nothing is done unless it was written whole since the last sync, or for a
// pipe or a device. Reports and returns false on a failure.
bool syncWrittenFile(OutputFile* file);
