#include "report/tables/cells.h"

#include <cmath>
#include <cstdio>

std::string fixedCell(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "n/a";
    }
    char text[400];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string percentCell(double share, int decimals) {
    const std::string number = fixedCell(100 * share, decimals);
    return number == "n/a" ? number : number + " %";
}

std::string significantCell(double value) {
    if (!std::isfinite(value)) {
        return "n/a";
    }
    char text[400];
    snprintf(text, sizeof text, "%#.3g", value);
    std::string cell = text;
    if (!cell.empty() && cell.back() == '.') {
        cell.pop_back();
    }
    return cell;
}

std::string intervalCell(bool known, double low, double high, int decimals) {
    if (!known) {
        return "n/a";
    }
    // Appended piece by piece: GCC 12 warns of a false overlap (-Wrestrict)
    // in "[" + std::string(...).
    std::string cell = "[";
    return cell.append(fixedCell(low, decimals)).append(", ").append(fixedCell(high, decimals)).append("]");
}

std::string tableRow(const std::vector<std::string>& cells) {
    std::string row = "|";
    for (const std::string& cell : cells) {
        row += ' ';
        row += cell;
        row += " |";
    }
    return row + "\n";
}

std::string ruleRow(const std::vector<bool>& numeric) {
    std::string rule = "|";
    for (bool number : numeric) {
        rule += number ? "---:|" : "---|";
    }
    return rule + "\n";
}
