#include "report/input/logreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "i18n/messages.h"
#include "report/sweep/sweepsplit.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Plain loops: the fields are a few bytes long, where a library search
// costs more in calls than it saves.
std::string_view trim(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        first++;
    }
    while (last > first && isBlank(text[last - 1])) {
        last--;
    }
    return text.substr(first, last - first);
}

bool parseInt(std::string_view text, int32_t* value) {
    text = trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Ticks as the log writes them: digits, a decimal comma, digits. Up to 19
// digits in all the value is the digits as one integer divided by a power
// of ten, which both are exact doubles when the integer is below 2^53, so
// the one division rounds as a full decimal conversion would; longer
// numbers go through the library's conversion.
bool parseTicks(std::string_view text, double* value) {
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    text = trim(text);
    size_t i = 0;
    uint64_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        digits = digits * 10 + static_cast<uint64_t>(text[i++] - '0');
    }
    const size_t comma = i;
    if (comma == 0 || comma == text.size() || text[comma] != ',') {
        return false;
    }
    for (i = comma + 1; i < text.size() && isDigit(text[i]); i++) {
        digits = digits * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    const size_t decimals = i - comma - 1;
    if (i != text.size() || decimals == 0) {
        return false;
    }
    if (comma + decimals <= 19 && digits <= (uint64_t{1} << 53)) {
        *value = static_cast<double>(digits) / powersOfTen[decimals];
        return true;
    }
    std::string number(text);
    number[comma] = '.';
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), *value, std::chars_format::fixed);
    return error == std::errc{} && end == number.data() + number.size() && std::isfinite(*value);
}

// Puts every run of input `file` in the sweep its line lies in: the runs
// read from it carry sweep -1 and their place in `places` as sequence.
void assignLogSweeps(SweepModel* model, size_t file, const std::vector<LogRunPlace>& places,
                     const std::vector<uint32_t>& lines) {
    if (places.empty()) {
        return;
    }
    const std::vector<uint32_t> sweepOf = logSweeps(places);
    const auto first = model->sweeps.size();
    for (size_t i = 0; i < places.size(); i++) {
        const size_t sweep = first + sweepOf[i];
        if (sweep == model->sweeps.size()) {
            model->sweeps.push_back({file, lines[i], lines[i], 0});
        }
        model->sweeps[sweep].lastEntry = lines[i];
        model->sweeps[sweep].runs++;
    }
    for (RunGroup& group : model->groups) {
        for (Run& run : group.runs) {
            if (run.sweep < 0) {
                run.sweep = static_cast<int32_t>(first + sweepOf[static_cast<size_t>(run.sequence)]);
            }
        }
    }
}

}  // namespace

bool parseLogLine(std::string_view line, LogRow* row, std::string* reason) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    std::string_view fields[5];
    size_t count = 0;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); i++) {
        if (line[i] != ';') {
            continue;
        }
        if (count == 4) {
            *reason = _("more than 5 fields");
            return false;
        }
        fields[count++] = line.substr(start, i - start);
        start = i + 1;
    }
    fields[count++] = line.substr(start);
    if (count != 5) {
        *reason = formatMessage(_("expected 5 fields separated by ';', found %d"), static_cast<int>(count));
        return false;
    }
    if (!parseTicks(fields[0], &row->ticks)) {
        *reason = _("time is not a tick count with a decimal comma");
        return false;
    }
    if (!parseInt(fields[1], &row->rows) || !parseInt(fields[2], &row->columns) ||
        !parseInt(fields[3], &row->diagonals) || !parseInt(fields[4], &row->threads)) {
        *reason = _("rows, columns, diagonals and workers must be integers");
        return false;
    }
    if (row->rows <= 0 || row->columns <= 0) {
        *reason = _("rows and columns must be at least 1");
        return false;
    }
    if (int64_t{row->diagonals} != int64_t{row->rows} + row->columns - 1) {
        *reason = _("diagonals must be rows + columns - 1");
        return false;
    }
    if (row->threads <= 0) {
        *reason = formatMessage(_("a run needs at least 1 worker, found %d"), static_cast<int>(row->threads));
        return false;
    }
    return true;
}

void readLog(std::string text, SweepModel* model, size_t file) {
    InputFile& input = model->files[file];
    input.kind = InputKind::log;
    // Where each run lies, for telling the sweeps apart once all are read.
    std::vector<LogRunPlace> places;
    std::vector<uint32_t> lines;
    // Room for a run per line at once: growing by doubling would hold up to twice that.
    const auto lineCount = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    places.reserve(lineCount);
    lines.reserve(lineCount);
    const int32_t spawn = modeIndex(model, "spawn");
    const int32_t defaults = settingIndex(model, {});
    std::string reason;
    std::string_view rest = text;
    for (size_t number = 1; !rest.empty(); number++) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            continue;
        }
        LogRow row;
        if (!parseLogLine(line, &row, &reason)) {
            input.problems.push_back({std::to_string(number), reason});
            continue;
        }
        if (places.size() == INT32_MAX) {  // a run's place must fit its sequence
            input.problems.push_back({std::to_string(number), _("more runs than the report can number")});
            continue;
        }
        Run run;
        run.cpu = row.ticks;
        run.sequence = static_cast<int32_t>(places.size());
        run.sweep = -1;  // until the sweeps are known
        addRun(model, {row.rows, row.columns, defaults, spawn, row.threads}, run);
        places.push_back({row.rows, row.columns, row.threads});
        lines.push_back(static_cast<uint32_t>(std::min<size_t>(number, UINT32_MAX)));
    }
    input.runs = places.size();
    std::string().swap(text);  // the runs are read: the text's memory serves the sweeps
    assignLogSweeps(model, file, places, lines);
}
