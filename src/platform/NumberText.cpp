// Locale-independent number parsing and list splitting.
#include "platform/NumberText.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>

namespace tavolux {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The position after leading blanks and an optional sign.
size_t SkipBlanksAndSign(std::string_view text, bool& negative)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

int ParseLeadingInt(std::string_view text)
{
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, negative);
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[i] - '0');
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

double ParseLeadingDouble(std::string_view text)
{
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, negative);
    // from_chars takes no sign of its own here, and no hex or inf/nan forms are wanted.
    size_t start = i;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) ||
                               text[i] == '.' || text[i] == 'e' || text[i] == 'E' ||
                               ((text[i] == '+' || text[i] == '-') && i > start &&
                                (text[i - 1] == 'e' || text[i - 1] == 'E')))) {
        ++i;
    }
    double value = 0.0;
    auto result =
        std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::vector<std::string> SplitItems(std::string_view text, std::string_view separators)
{
    std::vector<std::string> items;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of(separators, i);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > i) {
            items.emplace_back(text.substr(i, end - i));
        }
        i = end + 1;
    }
    return items;
}

std::string JoinItems(const std::vector<std::string>& items, std::string_view separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += items[i];
    }
    return out;
}

std::string JoinInts(const std::vector<int>& items, std::string_view separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += std::to_string(items[i]);
    }
    return out;
}

std::string FormatFixed(double value, int decimals)
{
    if (value == 0.0) {
        return "0";
    }
    if (decimals < 0) {
        decimals = 0;
    }
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n < 0 || n >= static_cast<int>(sizeof buffer)) {
        return "0";
    }
    return buffer;
}

}  // namespace tavolux
