// Messages in the user's language: the catalog holds a translation of every
// message the sources hold, and the real programs speak English under the C
// locale and Brazilian Portuguese under a Portuguese one, while their console
// texts, numbers and files stay byte for byte the same in both.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport.h"

namespace fs = std::filesystem;
using testsupport::Finished;
using testsupport::lines;
using testsupport::readFile;

namespace {

// One entry of a .po or .pot file.
struct PoEntry {
    std::string id;  // msgid, then "\x01" and msgid_plural for a plural entry
    std::vector<std::string> translations;
    bool fuzzy = false;
};

// The text of a line such as `msgid "a\"b"` or `"continued"`, unescaped.
std::string poString(const std::string& line) {
    std::string text;
    for (size_t i = line.find('"') + 1; i + 1 < line.size(); i++) {
        if (line[i] == '\\' && i + 2 < line.size()) {
            const char c = line[++i];
            text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            text += line[i];
        }
    }
    return text;
}

// The live entries of a .po file (the header and obsolete entries left out).
std::vector<PoEntry> readPo(const fs::path& path) {
    std::vector<PoEntry> entries;
    std::istringstream in(readFile(path));
    PoEntry entry;
    std::string* field = nullptr;
    bool fuzzy = false;
    const auto finish = [&] {
        if (!entry.id.empty()) {
            entries.push_back(entry);
        }
        entry = PoEntry{};
        field = nullptr;
    };
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#,", 0) == 0) {
            fuzzy = line.find("fuzzy") != std::string::npos;
        } else if (line.rfind("msgid_plural ", 0) == 0) {
            entry.id += '\x01';
            entry.id += poString(line);
            field = &entry.id;
        } else if (line.rfind("msgid ", 0) == 0) {
            finish();
            entry.id = poString(line);
            entry.fuzzy = fuzzy;
            fuzzy = false;
            field = &entry.id;
        } else if (line.rfind("msgstr", 0) == 0) {
            entry.translations.push_back(poString(line));
            field = &entry.translations.back();
        } else if (line.rfind('"', 0) == 0 && field != nullptr) {
            *field += poString(line);
        }
    }
    finish();
    return entries;
}

std::set<std::string> ids(const std::vector<PoEntry>& entries) {
    std::set<std::string> set;
    for (const PoEntry& e : entries) {
        set.insert(e.id);
    }
    return set;
}

const fs::path sourceDir = DIAGSUM_SOURCE_DIR;

}  // namespace

TEST(Catalog, EveryMessageHasABrazilianPortugueseTranslation) {
    const std::vector<PoEntry> entries = readPo(sourceDir / "po/pt_BR.po");
    ASSERT_GT(entries.size(), 50u);
    for (const PoEntry& e : entries) {
        EXPECT_FALSE(e.fuzzy) << "fuzzy: " << e.id;
        const size_t forms = e.id.find('\x01') == std::string::npos ? 1 : 2;
        ASSERT_EQ(e.translations.size(), forms) << e.id;
        for (const std::string& t : e.translations) {
            EXPECT_FALSE(t.empty()) << "untranslated: " << e.id;
        }
    }
    EXPECT_EQ(ids(entries), ids(readPo(sourceDir / "po/diagsum.pot")))
        << "po/pt_BR.po is not merged with po/diagsum.pot: run scripts/update-po";
}

// The template holds exactly the messages the sources mark today.
TEST(Catalog, TemplateMatchesTheSources) {
    testsupport::ScratchDir dir;
    std::string command = "'";
    command.append((sourceDir / "scripts/update-po").string()).append("' --pot '");
    command.append((dir.path() / "fresh.pot").string()).append("'");
    ASSERT_EQ(std::system(command.c_str()), 0) << "xgettext (Debian's gettext) is needed";
    EXPECT_EQ(ids(readPo(dir.path() / "fresh.pot")), ids(readPo(sourceDir / "po/diagsum.pot")))
        << "a message changed in the sources: run scripts/update-po and translate it in po/pt_BR.po";
}

namespace {

// The real program under a language environment only: every locale
// variable the caller's environment holds is cleared first.
Finished runIn(const std::string& language, const char* program, const std::string& args) {
    const std::string command = "env -u LC_ALL -u LC_MESSAGES -u LC_CTYPE -u LC_NUMERIC -u LANGUAGE " +
                                language + " '" + program + "' " + args + " > out.log 2> err.log < /dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile("out.log"), readFile("err.log")};
}

const std::string english = "LANG=C";
// The Portuguese locale the build compiled for the tests (localedef), so
// the machine needs none installed.
const std::string portuguese = "LOCPATH='" DIAGSUM_TEST_LOCALES "' LANGUAGE=pt_BR LANG=pt_BR.UTF-8";

class Languages : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(fs::path(DIAGSUM_TEST_LOCALES) / "pt_BR.UTF-8"))
            << "no pt_BR.UTF-8 locale compiled: install Debian's locales (scripts/install-deps)";
    }
    testsupport::ScratchDir dir;
};

}  // namespace

TEST_F(Languages, HelpAndRefusalsFollowTheLanguage) {
    Finished run = runIn(english, DIAGSUM_EXE, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: diagsum [options]\n", 0), 0u) << run.out;
    run = runIn(portuguese, DIAGSUM_EXE, "--help");
    EXPECT_EQ(run.out.rfind("Uso: diagsum [opções]\n", 0), 0u) << run.out;

    run = runIn(portuguese, DIAGSUM_EXE, "--runs 0");
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err,
              "diagsum: --runs '0' inválido: use um inteiro de 1 a 2147483647 (veja diagsum --help)\n");
    run = runIn(portuguese, DIAGSUM_SINGLE_EXE, "--bogus");
    EXPECT_EQ(run.err, "diagsum-single: opção desconhecida: --bogus (veja diagsum-single --help)\n");
    run = runIn(english, DIAGSUM_SINGLE_EXE, "--bogus");
    EXPECT_EQ(run.err, "diagsum-single: unknown option: --bogus (see diagsum-single --help)\n");

    run = runIn(english, DIAGSUM_REPORT_EXE, "");
    EXPECT_EQ(run.err.rfind("diagsum-report: no input file; usage: diagsum-report", 0), 0u) << run.err;
    run = runIn(portuguese, DIAGSUM_REPORT_EXE, "");
    EXPECT_EQ(run.err.rfind("diagsum-report: nenhum arquivo de entrada; uso: diagsum-report", 0), 0u)
        << run.err;
}

// stdout's mean lines, the log with its decimal comma, the sums and the JSON
// with its decimal point: the same in both languages.
TEST_F(Languages, SweepOutputsNeverChangeWithTheLanguage) {
    const std::regex meanLine(R"(\d+ - \d+\.\d{6})");
    const std::regex logLine(R"(\d+,\d\d; 3; 4; 6; [12])");
    std::string sums;
    for (const std::string& language : {english, portuguese}) {
        fs::remove("infoData.csv");
        const Finished run =
            runIn(language, DIAGSUM_EXE, "--size 3x4 --threads 1,2 --runs 2 --out sums.txt --json runs.json");
        ASSERT_EQ(run.status, 0) << language << ": " << run.err;
        // A busy machine may be warned of; nothing else is said.
        for (const std::string& line : lines(run.err)) {
            EXPECT_NE(line.find(language == english ? ": warning: " : ": aviso: "), std::string::npos) << line;
        }
        const std::vector<std::string> out = lines(run.out);
        ASSERT_EQ(out.size(), 2u) << run.out;
        for (const std::string& line : out) {
            EXPECT_TRUE(std::regex_match(line, meanLine)) << language << ": " << line;
        }
        const std::vector<std::string> log = lines(readFile("infoData.csv"));
        ASSERT_EQ(log.size(), 4u);
        for (const std::string& line : log) {
            EXPECT_TRUE(std::regex_match(line, logLine)) << language << ": " << line;
        }
        const nlohmann::json json = nlohmann::json::parse(readFile("runs.json"));
        EXPECT_TRUE(json["benchmarks"][0]["real_time"].is_number()) << language;
        if (sums.empty()) {
            sums = readFile("sums.txt");
        }
        EXPECT_EQ(readFile("sums.txt"), sums) << language;
    }
}

// The single run's console report is the program's own text in every
// language: only its time differs between runs, and keeps its point.
TEST_F(Languages, SingleRunReportNeverChangesWithTheLanguage) {
    std::string head;
    for (const std::string& language : {english, portuguese}) {
        const Finished run = runIn(language, DIAGSUM_SINGLE_EXE, "--size 2x3 --threads 2 --no-log");
        ASSERT_EQ(run.status, 0) << language << ": " << run.err;
        const auto time = run.out.rfind("***TEMPO GASTO: ");
        ASSERT_NE(time, std::string::npos) << run.out;
        EXPECT_TRUE(std::regex_match(run.out.substr(time), std::regex(R"(\*\*\*TEMPO GASTO: \d+\.\d\d s\n)")))
            << language << ": " << run.out.substr(time);
        if (head.empty()) {
            head = run.out.substr(0, time);
        }
        EXPECT_EQ(run.out.substr(0, time), head) << language;
    }
    EXPECT_EQ(head,
              "Matriz: (2 X 3)\nThreads: 2\nSoma da diagonal 0 = [1.00]\nSoma da diagonal 1 = [2.00]\n"
              "Soma da diagonal 2 = [2.00]\nSoma da diagonal 3 = [1.00]\n");
}

// The report reads the log in either language and writes its headings in
// the user's, its numbers with a point in both.
TEST_F(Languages, ReportHeadingsFollowTheLanguage) {
    testsupport::writeFile("infoData.csv", "1234,50; 3; 4; 6; 1\n1300,25; 3; 4; 6; 1\n");
    Finished run = runIn(english, DIAGSUM_REPORT_EXE, "--no-chart infoData.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out).at(0),
              "| matrix | workers | runs | mean ticks | median | 95 % CI of median | min | max | "
              "std dev |");
    EXPECT_NE(run.out.find("| 1234.50 |"), std::string::npos) << run.out;
    run = runIn(portuguese, DIAGSUM_REPORT_EXE, "--no-chart infoData.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out).at(0).rfind("| matriz | threads | execuções |", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("| 1234.50 |"), std::string::npos) << run.out;
}
