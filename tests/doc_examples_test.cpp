// The example commands of the README and the guide in docs/ stay runnable:
// every option an example gives diagsum, diagsum-single or diagsum-report is
// one the program's own option table holds, the examples of a block marked
// `<!-- doc-examples: run -->` run in a scratch folder and exit 0, and the
// README still opens with the two set-up commands a new user copies. Every
// option of the tables is also on the guide's page for its program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "docfiles.h"
#include "examplecommands.h"
#include "optiontable.h"
#include "testsupport.h"

namespace {

namespace fs = std::filesystem;
using namespace docfiles;
using namespace examplecommands;

// The three programs under test, by the name the examples call them.
const std::pair<const char*, const char*> programs[] = {
    {"diagsum", DIAGSUM_EXE}, {"diagsum-single", DIAGSUM_SINGLE_EXE}, {"diagsum-report", DIAGSUM_REPORT_EXE}};

// What each program accepts, read from its own option table.
struct Table {
    std::vector<std::string> longOptions;
    std::string letters;       // every short letter
    std::string valueLetters;  // the letters that take a value
};

const std::map<std::string, Table>& tables() {
    static const std::map<std::string, Table> read = [] {
        std::map<std::string, Table> all;
        for (const auto& [name, path] : programs) {
            Table table{optiontable::longOptions(path), "", ""};
            for (const std::string& letter : optiontable::shortOptions(path)) {
                table.letters += letter[0];
                if (letter.size() > 1) {
                    table.valueLetters += letter[0];
                }
            }
            all[name] = table;
        }
        return all;
    }();
    return read;
}

// The options of `command` its program does not know, as written.
std::vector<std::string> unknownOptions(const Command& command) {
    const Table& table = tables().at(command.program);
    std::vector<std::string> unknown;
    for (size_t i = 0; i < command.arguments.size(); i++) {
        const std::string& word = command.arguments[i];
        if (word.size() < 2 || word[0] != '-' || word == "--") {
            continue;
        }
        if (word[1] == '-') {
            const std::string name = word.substr(2, word.find('=') - 2);
            if (std::find(table.longOptions.begin(), table.longOptions.end(), name) ==
                table.longOptions.end()) {
                unknown.push_back(word);
            }
            continue;
        }
        for (size_t at = 1; at < word.size(); at++) {
            if (table.letters.find(word[at]) == std::string::npos) {
                unknown.push_back(word);
                break;
            }
            if (table.valueLetters.find(word[at]) != std::string::npos) {
                i += at + 1 == word.size();  // the value is the next word
                break;
            }
        }
    }
    return unknown;
}

TEST(DocExamples, EveryOptionOfAnExampleIsInItsProgramsOptionTable) {
    for (const auto& [name, table] : tables()) {
        ASSERT_FALSE(table.longOptions.empty()) << "no option table read from " << name;
        ASSERT_FALSE(table.letters.empty()) << "no short options read from " << name;
    }
    std::map<std::string, int> seen;
    for (const Example& example : allExamples()) {
        for (const Command& command : commands(example.line)) {
            seen[command.program]++;
            for (const std::string& option : unknownOptions(command)) {
                ADD_FAILURE() << example.place << ": " << command.program << " has no option " << option
                              << " (" << example.line << ")";
            }
        }
    }
    // The check reads the examples at all: each program has several.
    EXPECT_GE(seen["diagsum"], 10);
    EXPECT_GE(seen["diagsum-single"], 1);
    EXPECT_GE(seen["diagsum-report"], 5);
}

TEST(DocExamples, EveryOptionOfEachProgramIsInItsGuidePage) {
    // The page a user reads for a program's options: the man page says it
    // all, the guide says what each one is for.
    const std::map<std::string, std::string> pages = {{"diagsum", "docs/sweep.md"},
                                                      {"diagsum-single", "docs/sweep.md"},
                                                      {"diagsum-report", "docs/report.md"}};
    for (const auto& [program, page] : pages) {
        const std::string text = testsupport::readFile(fs::path(SOURCE_DIR) / page);
        for (const std::string& option : tables().at(program).longOptions) {
            const std::string written = "--" + option;
            bool found = false;
            for (size_t at = text.find(written); at != std::string::npos && !found;
                 at = text.find(written, at + 1)) {
                const char next = text[at + written.size()];
                found = !(std::isalnum(static_cast<unsigned char>(next)) || next == '-');
            }
            EXPECT_TRUE(found) << program << " " << written << " is not in " << page;
        }
    }
}

TEST(DocExamples, TheExamplesOfARunBlockRunAsWrittenAndExitZero) {
    if (DIAGSUM_GET_INPUT_FROM_USER) {
        GTEST_SKIP() << "the examples are written for programs that do not ask for input";
    }
    testsupport::ScratchDir dir;
    // The examples name the programs as installed or as the release preset
    // builds them; both lead to the programs under test.
    fs::create_directories("build/release");
    fs::create_directories("bin");
    for (const auto& [name, path] : programs) {
        fs::create_symlink(path, fs::path("build/release") / name);
        fs::create_symlink(path, fs::path("bin") / name);
    }
    int ran = 0;
    for (const Example& example : allExamples()) {
        if (!example.run || commands(example.line).empty()) {
            continue;
        }
        // One scratch folder for all of them: a line finds the files the
        // lines before it wrote, as in a shell.
        testsupport::writeFile("example.sh", "PATH=\"$PWD/bin:$PATH\"\n" + example.line + "\n");
        const int status = std::system("bash example.sh > /dev/null 2> last.err < /dev/null");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << example.place << " exited with " << WEXITSTATUS(status) << ": " << example.line << "\n"
            << testsupport::readFile("last.err");
        ran++;
    }
    EXPECT_GE(ran, 5);
}

TEST(DocExamples, TheReadmeOpensWithTheTwoSetUpCommands) {
    // A new user copies these two, and a fresh machine is tried with them as
    // written: they stay the README's first shell block, word for word.
    const std::string readme = testsupport::readFile(fs::path(SOURCE_DIR) / "README.md");
    const size_t block = readme.find("```sh\n");
    ASSERT_NE(block, std::string::npos);
    EXPECT_EQ(readme.substr(block, readme.find("```\n", block + 6) + 4 - block),
              "```sh\n"
              "# install what the programs need, build them and run the sweep in this directory\n"
              "scripts/install-deps --program && cmake --workflow --preset release && build/release/diagsum\n"
              "\n"
              "# build and run every test\n"
              "scripts/install-deps && cmake --workflow --preset test\n"
              "```\n");
}

}  // namespace
