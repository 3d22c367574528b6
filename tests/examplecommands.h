// The commands of our programs in the documents' example lines, as a shell
// reads them: the words, the pipes and lists between commands, and each
// diagsum, diagsum-single or diagsum-report command with its arguments.
#pragma once

#include <string>
#include <vector>

namespace examplecommands {

// The shell words of one command line up to its comment, quotes removed;
// "|", "&&", "||", ";" and "&" stand as words of their own.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false;
    char quote = 0;
    auto end = [&] {
        if (inWord) {
            out.push_back(word);
        }
        word.clear();
        inWord = false;
    };
    for (size_t i = 0; i < line.size(); i++) {
        const char c = line[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            end();
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == '|' || c == '&' || c == ';') {
            end();
            const bool doubled = i + 1 < line.size() && line[i + 1] == c && c != ';';
            out.push_back(doubled ? std::string(2, c) : std::string(1, c));
            i += doubled;
        } else {
            word += c;
            inWord = true;
        }
    }
    end();
    return out;
}

inline bool separates(const std::string& word) {
    return word == "|" || word == "||" || word == "&&" || word == ";" || word == "&";
}

inline bool assignsVariable(const std::string& word) {
    const size_t equals = word.find('=');
    return equals != std::string::npos && equals > 0 && word[0] != '-' &&
           word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") ==
               equals;
}

// The program a command word names: "diagsum", "diagsum-single" or
// "diagsum-report", as installed or in a build folder; empty for another.
inline std::string programOf(const std::string& word) {
    std::string name = word;
    if (name.rfind("./", 0) == 0) {
        name = name.substr(2);
    }
    if (name.rfind("build/", 0) == 0 && name.find('/', 6) != std::string::npos) {
        name = name.substr(name.find('/', 6) + 1);
    }
    return name == "diagsum" || name == "diagsum-single" || name == "diagsum-report" ? name : "";
}

// One program's command in an example: the program and its arguments.
struct Command {
    std::string program;
    std::vector<std::string> arguments;
};

// The commands of our programs in one line, wherever the line's pipes and
// lists put them; a redirection ends a command's arguments.
inline std::vector<Command> commands(const std::string& line) {
    std::vector<Command> found;
    const std::vector<std::string> all = words(line);
    size_t i = 0;
    while (i < all.size()) {
        while (i < all.size() && assignsVariable(all[i])) {
            i++;
        }
        Command command{i < all.size() ? programOf(all[i]) : "", {}};
        for (i++; i < all.size() && !separates(all[i]); i++) {
            if (all[i].find_first_of("<>") != std::string::npos) {
                while (i + 1 < all.size() && !separates(all[i + 1])) {
                    i++;
                }
            } else {
                command.arguments.push_back(all[i]);
            }
        }
        i++;
        if (!command.program.empty()) {
            found.push_back(command);
        }
    }
    return found;
}

}  // namespace examplecommands
