// The bash completion of the three programs, run in bash as bash-completion
// would run it: every option a program accepts is offered, an option's
// values follow it, and file names come where a file is expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "optiontable.h"
#include "testsupport.h"

namespace {

// What the completion offers for the command line `words`, the last one
// being completed, through the function registered for words[0].
std::vector<std::string> complete(const std::vector<std::string>& words) {
    std::string command = "bash --norc --noprofile -c '. \"$0\"; COMP_WORDS=(\"$@\");"
                          " COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE=\"${COMP_WORDS[*]}\";"
                          " COMP_POINT=${#COMP_LINE};"
                          " read -r _ _ function _ <<< \"$(complete -p \"$1\")\"; \"$function\";"
                          " printf \"%s\\n\" \"${COMPREPLY[@]}\"' '" COMPLETION_SCRIPT "'";
    for (const std::string& word : words) {
        command += " '" + word + "'";
    }
    std::vector<std::string> offered;
    FILE* pipe = popen(command.c_str(), "r");
    char line[4096];
    while (pipe != nullptr && fgets(line, sizeof line, pipe) != nullptr) {
        std::string word = line;
        word.pop_back();
        if (!word.empty()) {
            offered.push_back(word);
        }
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    std::sort(offered.begin(), offered.end());
    return offered;
}

bool offers(const std::vector<std::string>& offered, const std::string& word) {
    return std::find(offered.begin(), offered.end(), word) != offered.end();
}

TEST(Completion, OffersEveryOptionEachProgramAccepts) {
    const std::pair<const char*, const char*> programs[] = {
        {"diagsum", DIAGSUM_EXE}, {"diagsum-single", DIAGSUM_SINGLE_EXE}, {"diagsum-report", DIAGSUM_REPORT_EXE}};
    for (const auto& [name, path] : programs) {
        const std::vector<std::string> options = optiontable::longOptions(path);
        ASSERT_FALSE(options.empty()) << "no option table read from " << path;
        const std::vector<std::string> offered = complete({name, "--"});
        for (const std::string& option : options) {
            EXPECT_TRUE(offers(offered, "--" + option)) << name << " --" << option << " is not offered";
        }
    }
}

TEST(Completion, OffersTheModesAfterModeInBothSpellings) {
    const std::vector<std::string> modes{"pool", "spawn", "spawn,pool"};
    EXPECT_EQ(complete({"diagsum", "--mode", ""}), modes);
    EXPECT_EQ(complete({"diagsum", "-m", "sp"}), (std::vector<std::string>{"spawn", "spawn,pool"}));
    EXPECT_EQ(complete({"diagsum", "--mode", "=", ""}), modes);
}

TEST(Completion, OffersFileNamesWhereAFileIsExpected) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("sweep.json", "{}");
    const std::vector<std::string> sweep{"sweep.json"};
    EXPECT_EQ(complete({"diagsum", "--json", "sw"}), sweep);
    EXPECT_EQ(complete({"diagsum-single", "--out", "sw"}), sweep);
    EXPECT_EQ(complete({"diagsum-report", "sw"}), sweep);
    EXPECT_EQ(complete({"diagsum-report", "-o", "sw"}), sweep);
    EXPECT_EQ(complete({"diagsum", "--size", "sw"}), std::vector<std::string>{});
}

}  // namespace
