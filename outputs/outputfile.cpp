#include "outputs/outputfile.h"

#include <cstdio>
#include <cstring>

#include "i18n/messages.h"

namespace {

const char* programName = "diagsum";

}  // namespace

OutputFile standardOutputFile() {
    OutputFile console;
    console.standardOutput = true;
    return console;
}

void setReportingProgram(const char* program) {
    programName = program;
}

const char* reportingProgram() {
    return programName;
}

const char* shownName(const OutputFile& file) {
    return file.standardOutput ? _("standard output") : file.name.c_str();
}

void reportOutputFailure(OutputFile* file, int error) {
    if (file->failed) {
        return;
    }
    file->failed = true;
    // TRANSLATORS: the program, the file (or "standard output"), the system's reason.
    fprintf(stderr, _("%s: cannot write %s: %s\n"), programName, shownName(*file), strerror(error));
}

void reportKeptOutput(OutputFile* file, int error, const std::string& kept) {
    file->failed = true;
    // TRANSLATORS: the program, the file, the system's reason, the temporary
    // file that keeps what was written.
    fprintf(stderr, _("%s: cannot write %s: %s; what was written is kept in %s\n"), programName,
            shownName(*file), strerror(error), kept.c_str());
}

void markOutputFailed(OutputFile* file) {
    file->failed = true;
}
