// An output of a driver as its messages name it, and the one line on stderr
// that reports its first failure: "diagsum: cannot write <name>: <reason>".
#pragma once

#include <string>

// One output of a driver.
struct OutputFile {
    std::string name;             // its path as given; unused for standard output
    bool standardOutput = false;  // named "standard output" in messages
    bool failed = false;          // a failure of it was reported
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

// Marks `file` failed without a message (a failure said another way).
void markOutputFailed(OutputFile* file);
