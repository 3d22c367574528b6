// --version of the three programs, in the GNU form: the program's name and
// the project's version on the first line, then the copyright and the
// license; exit status 0. -V answers the same in every one of them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

// Runs `program option` (--version by default) under the C locale; its
// standard output and exit status.
std::string versionOf(const std::string& program, int* status, const std::string& option = "--version") {
    const std::string command = "LC_ALL=C LANGUAGE= '" + program + "' " + option;
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char block[512];
    size_t got;
    while (pipe != nullptr && (got = fread(block, 1, sizeof block, pipe)) > 0) {
        text.append(block, got);
    }
    const int result = pipe != nullptr ? pclose(pipe) : -1;
    *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return text;
}

const std::pair<const char*, const char*> programs[] = {
    {"diagsum", DIAGSUM_EXE}, {"diagsum-single", DIAGSUM_SINGLE_EXE}, {"diagsum-report", DIAGSUM_REPORT_EXE}};

TEST(Version, EveryProgramNamesItselfTheProjectVersionAndTheLicense) {
    for (const auto& [name, path] : programs) {
        int status;
        const std::string text = versionOf(path, &status);
        EXPECT_EQ(status, 0) << name;
        EXPECT_EQ(text.substr(0, text.find('\n')), std::string(name) + " " + PROJECT_VERSION);
        EXPECT_NE(text.find("\nCopyright (C) 2026 diagsum developers.\nLicense MIT: "), std::string::npos) << text;
        EXPECT_NE(text.find("There is NO WARRANTY"), std::string::npos) << text;
    }
}

TEST(Version, ShortFormAnswersAsTheLongOneInEveryProgram) {
    for (const auto& [name, path] : programs) {
        int longStatus;
        int shortStatus;
        const std::string longText = versionOf(path, &longStatus);
        EXPECT_EQ(versionOf(path, &shortStatus, "-V"), longText) << name;
        EXPECT_EQ(shortStatus, 0) << name;
    }
}

}  // namespace
