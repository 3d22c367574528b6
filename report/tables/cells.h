// The cells of the report's Markdown tables, the one way a table writes a
// number: a value the data cannot give (NaN, an infinity) is "n/a" in every
// table, never "nan" or "inf". Numbers keep the decimal point in every
// language.
#pragma once

#include <string>
#include <vector>

// `value` with `decimals` digits after the point: "812.30".
std::string fixedCell(double value, int decimals);

// A share as a percentage: 0.731 with one decimal is "73.1 %".
std::string percentCell(double share, int decimals);

// Three significant digits, for speedup and efficiency: "1.00", "0.625",
// "0.00781".
std::string significantCell(double value);

// "[low, high]" with two decimals (or `decimals`), or "n/a" when `known` is false.
std::string intervalCell(bool known, double low, double high, int decimals = 2);

// "| a | b |" and a newline.
std::string tableRow(const std::vector<std::string>& cells);

// The rule under a heading: "|---|---:|", a column right-aligned (numbers)
// where `numeric` says so.
std::string ruleRow(const std::vector<bool>& numeric);
