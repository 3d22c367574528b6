// The README and the guide in docs/ as the tests read them: the files, the
// lines of their shell blocks (and whether a block is marked to be run) and
// the anchors their headings get.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport.h"

namespace docfiles {

// The line that marks the shell block after it as one to run.
inline const char* const runMarker = "<!-- doc-examples: run -->";

// README.md, then every docs/*.md in name order.
inline std::vector<std::filesystem::path> markdownFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(SOURCE_DIR) / "docs")) {
        if (entry.path().extension() == ".md") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    files.insert(files.begin(), std::filesystem::path(SOURCE_DIR) / "README.md");
    return files;
}

struct Example {
    std::string place;  // "docs/sweep.md:42"
    std::string line;
    bool run;  // in a block marked to be run
};

// The lines of every shell block of `file`, each with where it stands.
inline std::vector<Example> shellLines(const std::filesystem::path& file, const std::string& name) {
    std::vector<Example> found;
    const std::vector<std::string> text = testsupport::lines(testsupport::readFile(file));
    bool inBlock = false;
    bool marked = false;
    std::string previous;
    for (size_t i = 0; i < text.size(); i++) {
        const std::string& line = text[i];
        if (line.rfind("```", 0) == 0) {
            const std::string language = line.substr(3);
            marked = !inBlock && previous == runMarker;
            inBlock = !inBlock && (language == "sh" || language == "bash" || language == "shell");
        } else if (inBlock) {
            found.push_back({name + ":" + std::to_string(i + 1), line, marked});
        }
        if (!line.empty()) {
            previous = line;
        }
    }
    return found;
}

// Every shell line of the README and of each guide file.
inline std::vector<Example> allExamples() {
    std::vector<Example> found;
    for (const std::filesystem::path& file : markdownFiles()) {
        const std::string name = std::filesystem::relative(file, SOURCE_DIR).string();
        const std::vector<Example> lines = shellLines(file, name);
        found.insert(found.end(), lines.begin(), lines.end());
    }
    return found;
}

// The anchor a heading line ("## Stack size: --stack-size") gets, as the
// Markdown renderers of code hosts make it: lower case, punctuation
// dropped, spaces as hyphens ("stack-size---stack-size").
inline std::string anchorOf(const std::string& heading) {
    std::string anchor;
    for (const char c : heading.substr(heading.find(' ') + 1)) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || byte >= 0x80) {
            anchor += static_cast<char>(std::tolower(byte));
        } else if (c == ' ') {
            anchor += '-';
        }
    }
    return anchor;
}

// The anchors of every heading of `file` outside its code blocks.
inline std::vector<std::string> anchors(const std::filesystem::path& file) {
    std::vector<std::string> found;
    bool inCode = false;
    for (const std::string& line : testsupport::lines(testsupport::readFile(file))) {
        inCode = line.rfind("```", 0) == 0 ? !inCode : inCode;
        if (!inCode && line.rfind("#", 0) == 0) {
            found.push_back(anchorOf(line));
        }
    }
    return found;
}

}  // namespace docfiles
