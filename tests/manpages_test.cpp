// The man pages help2man makes from the three programs: every option a
// program accepts is on its page, the sections help does not hold are
// there, and groff renders each page without a warning.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "optiontable.h"
#include "testsupport.h"

namespace {

struct Program {
    const char* name;
    const char* path;
};

const Program programs[] = {
    {"diagsum", DIAGSUM_EXE}, {"diagsum-single", DIAGSUM_SINGLE_EXE}, {"diagsum-report", DIAGSUM_REPORT_EXE}};

void PrintTo(const Program& program, std::ostream* out) {
    *out << program.name;
}

std::string pagePath(const Program& program) {
    std::string path = DIAGSUM_MAN_DIR "/";
    path += program.name;
    path += ".1";
    return path;
}

// roff writes a hyphen that must stay one as "\-".
std::string roffOption(const std::string& name) {
    std::string text = "\\-\\-";
    for (char c : name) {
        if (c == '-') {
            text.push_back('\\');
        }
        text.push_back(c);
    }
    return text;
}

// Whether `page` names `option` whole: "\-\-log" followed by "\-file" is
// another option.
bool namesOption(const std::string& page, const std::string& option) {
    const std::string text = roffOption(option);
    for (size_t at = page.find(text); at != std::string::npos; at = page.find(text, at + 1)) {
        const size_t end = at + text.size();
        if (end == page.size() || (!std::isalnum(static_cast<unsigned char>(page[end])) &&
                                   page.compare(end, 2, "\\-") != 0)) {
            return true;
        }
    }
    return false;
}

class ManPage : public testing::TestWithParam<Program> {};

TEST_P(ManPage, NamesEveryOptionTheProgramAccepts) {
    const std::vector<std::string> options = optiontable::longOptions(GetParam().path);
    ASSERT_FALSE(options.empty()) << "no option table read from " << GetParam().path;
    const std::string page = testsupport::readFile(pagePath(GetParam()));
    for (const std::string& option : options) {
        EXPECT_TRUE(namesOption(page, option)) << "--" << option << " is not on the page";
    }
}

TEST_P(ManPage, HoldsTheSectionsHelpDoesNot) {
    const std::string page = testsupport::readFile(pagePath(GetParam()));
    for (const char* heading : {".SH NAME\n", ".SH SYNOPSIS\n", ".SH DESCRIPTION\n", ".SH OPTIONS\n",
                                ".SH FILES\n", ".SH \"EXIT STATUS\"\n", ".SH ENVIRONMENT\n", ".SH EXAMPLES\n",
                                ".SH \"SEE ALSO\"\n"}) {
        EXPECT_NE(page.find(heading), std::string::npos) << heading;
    }
    // The drivers end by SIGPIPE when standard output's reader goes away.
    if (std::string(GetParam().name) != "diagsum-report") {
        const std::string status = page.substr(page.find(".SH \"EXIT STATUS\"\n"));
        EXPECT_NE(status.substr(0, status.find(".SH ENVIRONMENT")).find("141"), std::string::npos);
    }
}

TEST_P(ManPage, RendersWithoutWarnings) {
    const std::string command =
        "groff -ww -man -Tutf8 '" + pagePath(GetParam()) + "' 2>&1 >/dev/null | head -c 1000";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string warnings;
    char block[1024];
    size_t got;
    while ((got = fread(block, 1, sizeof block, pipe)) > 0) {
        warnings.append(block, got);
    }
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(warnings, "");
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPage, testing::ValuesIn(programs),
                         [](const testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

}  // namespace
