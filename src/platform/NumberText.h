// Reading and writing numbers and lists as the configuration and the printer texts store them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavolux {

// The integer value of a text: optional blanks, an optional sign, then the run of decimal
// digits; 0 when there are none. Values beyond the 32-bit range saturate.
int ParseLeadingInt(std::string_view text);

// The decimal number at the start of a text (blanks, sign, digits, point, exponent);
// 0.0 when there is none. Independent of the process locale.
double ParseLeadingDouble(std::string_view text);

// Splits text at any of the separator characters. Separators at the start and runs of
// separators are skipped, so no item is empty; items are not trimmed.
std::vector<std::string> SplitItems(std::string_view text, std::string_view separators);

// Joins items with the separator and nothing around it.
std::string JoinItems(const std::vector<std::string>& items, std::string_view separator);
std::string JoinInts(const std::vector<int>& items, std::string_view separator);

// Fixed-point text with the given number of decimals; "0" for zero, "-" before negatives,
// a "0" before the point for values below one.
std::string FormatFixed(double value, int decimals);

}  // namespace tavolux
