#include "report/input/input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "i18n/messages.h"
#include "report/input/jsonreader.h"
#include "report/input/logreader.h"

namespace {

bool readWhole(const char* path, std::string* text) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    try {
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            text->reserve(static_cast<size_t>(info.st_size));
        }
        char block[1 << 16];
        ssize_t got;
        while ((got = read(fd, block, sizeof block)) != 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                const int error = errno;
                close(fd);
                errno = error;
                return false;
            }
            text->append(block, static_cast<size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        close(fd);
        throw;
    }
    close(fd);
    return true;
}

// Reads the text of input `file` into the model; false with `error` set.
bool readText(std::string text, SweepModel* model, size_t file, std::string* error) {
    const std::string& path = model->files[file].path;
    if (detectInput(text) == InputKind::json) {
        std::string why;
        if (!readBenchJson(text, model, file, &why)) {
            *error = formatMessage(_("%s is not a sweep's JSON: %s"), path.c_str(), why.c_str());
            return false;
        }
    } else {
        readLog(std::move(text), model, file);
    }
    const InputFile& input = model->files[file];
    const size_t skipped = input.problems.size();
    if (skipped > input.runs) {
        const std::string counts =
            formatMessage(_("%zu of %zu entries are not runs"), skipped, skipped + input.runs);
        *error = formatMessage(_("%s is neither a diagsum log nor a sweep's JSON (%s)"), path.c_str(),
                               counts.c_str());
        return false;
    }
    if (input.runs == 0) {
        *error = formatMessage(_("%s holds no runs"), path.c_str());
        return false;
    }
    return true;
}

}  // namespace

InputKind detectInput(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{' ? InputKind::json : InputKind::log;
}

bool readInputFile(const std::string& path, SweepModel* model, std::string* error) {
    model->files.push_back({});
    model->files.back().path = path;
    try {
        std::string text;
        if (!readWhole(path.c_str(), &text)) {
            *error = formatMessage(_("cannot read %s: %s"), path.c_str(), strerror(errno));
            return false;
        }
        return readText(std::move(text), model, model->files.size() - 1, error);
    } catch (const std::bad_alloc&) {
        *error = formatMessage(_("not enough memory to read %s"), path.c_str());
        return false;
    }
}

bool readInputs(const std::vector<std::string>& paths, SweepModel* model, std::string* error) {
    for (const std::string& path : paths) {
        if (!readInputFile(path, model, error)) {
            return false;
        }
    }
    finishRuns(model);
    return true;
}

std::string contextLabel(const InputFile& file) {
    // "2026-12-09T04:50:00+00:00" reads as "2026-12-09 04:50".
    std::string date = file.context.date.substr(0, 16);
    if (date.size() > 10 && date[10] == 'T') {
        date[10] = ' ';
    }
    if (file.context.host.empty() && file.context.date.empty()) {
        return file.path;
    }
    if (file.context.host.empty() || date.empty()) {
        return file.context.host + date;
    }
    return file.context.host + ", " + date;
}

std::vector<std::string> fileLabels(const SweepModel& model, const std::vector<std::string>& given) {
    std::vector<std::string> labels;
    for (size_t i = 0; i < model.files.size(); i++) {
        labels.push_back(i < given.size() ? given[i] : contextLabel(model.files[i]));
    }
    const auto clashes = [&](size_t i) {
        for (size_t j = 0; j < labels.size(); j++) {
            if (j != i && labels[j] == labels[i]) {
                return true;
            }
        }
        return false;
    };
    // Only default labels change: a label the user gave stays as given.
    for (int pass = 0; pass < 2; pass++) {
        std::vector<size_t> clashing;
        for (size_t i = given.size(); i < labels.size(); i++) {
            if (clashes(i)) {
                clashing.push_back(i);
            }
        }
        for (size_t i : clashing) {
            const InputFile& file = model.files[i];
            labels[i] += pass == 0 ? (labels[i] == file.path ? "" : ", " + file.path) : " #" + std::to_string(i + 1);
        }
    }
    return labels;
}
