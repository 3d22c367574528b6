// Every link between the README and the guide in docs/ leads to a file and
// a heading that exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "docfiles.h"
#include "testsupport.h"

namespace {

namespace fs = std::filesystem;
using namespace docfiles;

TEST(DocExamples, EveryLinkBetweenTheFilesLeadsToAFileAndItsHeading) {
    const std::regex link(R"(\]\(([^)#]*)(#([^)]*))?\))");
    int links = 0;
    for (const fs::path& file : markdownFiles()) {
        bool inCode = false;
        for (const std::string& line : testsupport::lines(testsupport::readFile(file))) {
            inCode = line.rfind("```", 0) == 0 ? !inCode : inCode;
            for (auto it = std::sregex_iterator(line.begin(), line.end(), link);
                 !inCode && it != std::sregex_iterator(); ++it) {
                const std::string target = (*it)[1], anchor = (*it)[3];
                if (target.rfind("http", 0) == 0) {
                    continue;
                }
                const fs::path reached = target.empty() ? file : file.parent_path() / target;
                links++;
                ASSERT_TRUE(fs::exists(reached)) << file.filename() << ": " << target << " does not exist";
                if (!anchor.empty()) {
                    const std::vector<std::string> headings = anchors(reached);
                    EXPECT_TRUE(std::find(headings.begin(), headings.end(), anchor) != headings.end())
                        << file.filename() << ": " << target << " has no heading #" << anchor;
                }
            }
        }
    }
    EXPECT_GE(links, 20);
}

}  // namespace
