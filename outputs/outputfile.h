// An output of a driver as its messages name it, and the one line on stderr
// that reports its first failure: "diagsum: cannot write <name>: <reason>".
// A failure that leaves a temporary behind says where it is.
#pragma once

#include <string>

// One output of a driver.
struct OutputFile {
    std::string name;             // its path as given; unused for standard output
    bool standardOutput = false;  // named "standard output" in messages
    bool failed = false;          // a failure of it was reported
    bool durable = false;         // each replacement synced to the disk (the JSON file)
    bool written = false;         // replaced whole since it was last synced
    std::string keptAs = {};      // the temporary a failed rename left, whole; empty when none
};

// Standard output, as an output of a driver.
OutputFile standardOutputFile();

// The program name that starts every output message ("diagsum" until set).
void setReportingProgram(const char* program);
const char* reportingProgram();

// The name the messages give `file`: its path, or "standard output" in the
// user's language.
const char* shownName(const OutputFile& file);

// Prints "<program>: cannot write <name>: <strerror(error)>" on stderr the
// first time `file` fails; later failures of it are not repeated.
void reportOutputFailure(OutputFile* file, int error);

// Prints "<program>: cannot write <name>: <strerror(error)>; what was
// written is kept in <kept>" on stderr, also after an earlier failure of
// `file` (the kept file is said once, where it is made).
void reportKeptOutput(OutputFile* file, int error, const std::string& kept);

// Marks `file` failed without a message (a failure said another way).
void markOutputFailed(OutputFile* file);
