#include "report/logstats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <tuple>

namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parseInt(std::string_view text, int32_t* value) {
    text = trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc{} && end == text.data() + text.size();
}

// Ticks as the log writes them: digits, a decimal comma, digits.
bool parseTicks(std::string_view text, double* value) {
    text = trim(text);
    std::string number(text);
    const auto comma = number.find(',');
    if (comma == std::string::npos || number.find_first_of(".eE") != std::string::npos) {
        return false;
    }
    number[comma] = '.';
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), *value, std::chars_format::fixed);
    return error == std::errc{} && end == number.data() + number.size() && std::isfinite(*value) &&
           *value >= 0;
}

std::string fixed2(double value) {
    char text[400];
    snprintf(text, sizeof text, "%.2f", value);
    return text;
}

using GroupKey = std::tuple<int32_t, int32_t, int32_t>;  // rows, columns, workers

std::string sizeLabel(int32_t rows, int32_t columns) {
    return std::to_string(rows) + " × " + std::to_string(columns);
}

// A path inside a single-quoted gnuplot string, where '' stands for '.
std::string quoted(const std::string& path) {
    std::string text = "'";
    for (char c : path) {
        text += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return text + "'";
}

}  // namespace

bool parseLogLine(std::string_view line, LogRow* row, std::string* reason) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    std::string_view fields[5];
    size_t count = 0;
    while (count < 5) {
        const auto semicolon = line.find(';');
        fields[count++] = line.substr(0, semicolon);
        if (semicolon == std::string_view::npos) {
            line = {};
            break;
        }
        line.remove_prefix(semicolon + 1);
        if (count == 5) {
            *reason = "more than 5 fields";
            return false;
        }
    }
    if (count != 5) {
        *reason = "expected 5 fields separated by ';', found " + std::to_string(count);
        return false;
    }
    if (!parseTicks(fields[0], &row->ticks)) {
        *reason = "time is not a tick count with a decimal comma";
        return false;
    }
    if (!parseInt(fields[1], &row->rows) || !parseInt(fields[2], &row->columns) ||
        !parseInt(fields[3], &row->diagonals) || !parseInt(fields[4], &row->threads)) {
        *reason = "rows, columns, diagonals and workers must be integers";
        return false;
    }
    if (row->rows <= 0 || row->columns <= 0 || row->threads <= 0 ||
        int64_t{row->diagonals} != int64_t{row->rows} + row->columns - 1) {
        *reason = "sizes do not describe a run (diagonals must be rows + columns - 1)";
        return false;
    }
    return true;
}

GroupStats statsOf(std::vector<double> ticks) {
    std::sort(ticks.begin(), ticks.end());
    GroupStats stats{};
    stats.runs = ticks.size();
    stats.min = ticks.front();
    stats.max = ticks.back();
    const size_t half = ticks.size() / 2;
    stats.median = ticks.size() % 2 == 1 ? ticks[half] : (ticks[half - 1] + ticks[half]) / 2;
    stats.mean = std::accumulate(ticks.begin(), ticks.end(), 0.0) / static_cast<double>(ticks.size());
    if (ticks.size() > 1) {
        double squares = 0;
        for (double t : ticks) {
            squares += (t - stats.mean) * (t - stats.mean);
        }
        stats.stddev = std::sqrt(squares / static_cast<double>(ticks.size() - 1));
    }
    return stats;
}

LogSummary summariseLog(std::istream& in) {
    LogSummary summary;
    std::map<GroupKey, std::vector<double>> groups;
    std::string line;
    for (size_t number = 1; std::getline(in, line); number++) {
        if (trim(line).empty() || line == "\r") {
            continue;
        }
        LogRow row;
        std::string reason;
        if (!parseLogLine(line, &row, &reason)) {
            summary.problems.push_back({number, reason});
            continue;
        }
        groups[{row.rows, row.columns, row.threads}].push_back(row.ticks);
        summary.runs++;
    }
    for (auto& [key, ticks] : groups) {
        GroupStats stats = statsOf(std::move(ticks));
        std::tie(stats.rows, stats.columns, stats.threads) = key;
        summary.groups.push_back(stats);
    }
    return summary;
}

std::string markdownTable(const LogSummary& summary) {
    std::string table =
        "| matrix | workers | runs | mean ticks | median | min | max | std dev |\n"
        "|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const GroupStats& g : summary.groups) {
        table += "| " + sizeLabel(g.rows, g.columns) + " | " + std::to_string(g.threads) + " | " +
                 std::to_string(g.runs) + " | " + fixed2(g.mean) + " | " + fixed2(g.median) + " | " +
                 fixed2(g.min) + " | " + fixed2(g.max) + " | " + fixed2(g.stddev) + " |\n";
    }
    return table;
}

std::string chartData(const LogSummary& summary) {
    std::string data;
    for (size_t i = 0; i < summary.groups.size(); i++) {
        const GroupStats& g = summary.groups[i];
        const bool newSize =
            i == 0 || g.rows != summary.groups[i - 1].rows || g.columns != summary.groups[i - 1].columns;
        if (newSize) {
            data += (i == 0 ? "" : "\n\n") + std::string("# ") + sizeLabel(g.rows, g.columns) + "\n";
        }
        data += std::to_string(g.threads) + " " + fixed2(g.mean) + " " + fixed2(g.min) + " " + fixed2(g.max) +
                "\n";
    }
    return data;
}

std::string chartScript(const LogSummary& summary, const std::string& dataPath, const std::string& pngPath) {
    std::vector<std::string> sizes;
    for (size_t i = 0; i < summary.groups.size(); i++) {
        const GroupStats& g = summary.groups[i];
        if (i == 0 || g.rows != summary.groups[i - 1].rows || g.columns != summary.groups[i - 1].columns) {
            sizes.push_back(sizeLabel(g.rows, g.columns));
        }
    }
    std::string script = "set terminal pngcairo size " + std::to_string(chartWidth) + "," +
                         std::to_string(chartHeight) + " enhanced font 'DejaVu Sans,10'\n";
    script += "set output " + quoted(pngPath) + "\n";
    script +=
        "set title 'diagsum: processor time per run by number of workers (mean, band from min to max)'\n"
        "set xlabel 'workers (threads)'\n"
        "set ylabel 'processor time of all threads per run (clock ticks, µs)'\n"
        "set grid\n"
        "set key top left\n"
        "set xrange [0:*]\n"
        "set yrange [0:*]\n"
        "set style fill transparent solid 0.25 noborder\n";
    script += "plot ";
    for (size_t i = 0; i < sizes.size(); i++) {
        const std::string index = std::to_string(i);
        const std::string colour = std::to_string(i + 1);
        script += (i == 0 ? "" : ", \\\n     ");
        script += quoted(dataPath) + " index " + index + " using 1:3:4 with filledcurves lc " + colour +
                  " title 'min–max, " + sizes[i] + "', \\\n     " + quoted(dataPath) + " index " + index +
                  " using 1:2 with linespoints pt 7 ps 0.5 lc " + colour + " title 'mean, " + sizes[i] + "'";
    }
    script += "\n";
    return script;
}
