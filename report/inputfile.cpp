#include "report/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "i18n/messages.h"
#include "report/benchjson.h"

namespace {

bool readWhole(const char* path, std::string* text) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
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
    close(fd);
    return true;
}

std::string formatted(const char* pattern, const std::string& path, const std::string& detail) {
    char line[512];
    snprintf(line, sizeof line, pattern, path.c_str(), detail.c_str());
    return line;
}

// The context of a sweep's JSON; anything missing or of another type stays
// empty.
SweepContext readContext(const std::string& text) {
    SweepContext context;
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_object() || !document.contains("context") || !document["context"].is_object()) {
        return context;
    }
    const auto& fields = document["context"];
    if (fields.contains("host_name") && fields["host_name"].is_string()) {
        context.host = fields["host_name"].get<std::string>();
    }
    if (fields.contains("date") && fields["date"].is_string()) {
        context.date = fields["date"].get<std::string>();
    }
    if (fields.contains("num_cpus") && fields["num_cpus"].is_number_integer()) {
        const auto cpus = fields["num_cpus"].get<int64_t>();
        context.cpus = cpus > 0 && cpus <= INT32_MAX ? static_cast<int32_t>(cpus) : 0;
    }
    return context;
}

}  // namespace

bool readInputFile(const std::string& path, InputFile* file, std::string* error) {
    file->path = path;
    std::string text;
    if (!readWhole(path.c_str(), &text)) {
        *error = formatted(_("cannot read %s: %s"), path, strerror(errno));
        return false;
    }
    if (detectInput(text) == InputKind::json) {
        std::string why;
        if (!readBenchJson(text, &file->runs, &why)) {
            *error = formatted(_("%s is not a sweep's JSON: %s"), path, why);
            return false;
        }
        file->context = readContext(text);
        file->cost = readCostCounters(text, file->runs.modes, file->runs.settings);
    } else {
        file->runs = readLog(text);
    }
    const size_t skipped = file->runs.problems.size();
    if (skipped > file->runs.runs) {
        char counts[128];
        snprintf(counts, sizeof counts, _("%zu of %zu entries are not runs"), skipped, skipped + file->runs.runs);
        *error = formatted(_("%s is neither a diagsum log nor a sweep's JSON (%s)"), path, counts);
        return false;
    }
    if (file->runs.runs == 0) {
        *error = formatted(_("%s holds no runs"), path, "");
        return false;
    }
    return true;
}

void mergeRuns(RunSet* into, const RunSet& from) {
    into->groupIndex.clear();
    for (size_t i = 0; i < into->groups.size(); i++) {
        into->groupIndex[into->groups[i].key] = i;
    }
    for (const RunGroup& group : from.groups) {
        GroupKey key = group.key;
        key.mode = modeIndex(into, from.modes[static_cast<size_t>(group.key.mode)]);
        if (static_cast<size_t>(group.key.setting) < from.settings.size()) {
            key.setting = settingIndex(into, from.settings[static_cast<size_t>(group.key.setting)]);
        }
        for (size_t i = 0; i < group.cpu.size(); i++) {
            addRun(into, key, group.cpu[i], i < group.wall.size() ? group.wall[i] : 0);
        }
    }
    finishRuns(into);
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
