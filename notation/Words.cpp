// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Words.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>

namespace galvetta {

Words SplitAtBlanks(std::string_view line) {
    Words words(1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ' && i + 1 < line.size())
            words.emplace_back();
        else
            words.back() += line[i];
    }
    return words;
}

Words SplitWords(std::string_view line) {
    Words words;
    size_t i = 0;
    const auto blank = [&line](size_t at) { return std::isspace(static_cast<unsigned char>(line[at])) != 0; };
    while (i < line.size()) {
        while (i < line.size() && blank(i))
            ++i;
        const size_t start = i;
        while (i < line.size() && !blank(i))
            ++i;
        if (i > start) words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

std::string JoinWords(const Words& words, size_t first) {
    std::string text;
    for (size_t i = first; i < words.size(); ++i)
        text += (i > first ? " " : "") + words[i];
    return text;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
    if (i == text.size()) return std::nullopt;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (static_cast<uint64_t>(INT64_MAX) + 1 - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (!negative && magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

int StrToIntDef(std::string_view text, int fallback) {
    const std::optional<int64_t> value = ParseInteger(text);
    if (!value || *value > INT_MAX || *value < INT_MIN) return fallback;
    return static_cast<int>(*value);
}

int ParseMinutes(std::string_view text) {
    const size_t colon = text.find(':');
    const long long seconds = colon == std::string_view::npos ? StrToIntDef(text, 0) * 60LL
                                                              : StrToIntDef(text.substr(0, colon), 0) * 60LL +
                                                                    StrToIntDef(text.substr(colon + 1), 0);
    return seconds > INT_MAX || seconds < INT_MIN ? 0 : static_cast<int>(seconds);
}

std::optional<double> ParseDecimal(std::string_view text) {
    // from_chars ignores the C locale, which a Qt program takes from the
    // environment (a comma under de_DE).
    double value = 0;
    const char* end = text.data() + text.size();
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::string FormatDecimal(double value, int digits) {
    char text[64];
    const auto [stop, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    return error == std::errc() ? std::string(text, stop) : std::string("0");
}

std::string FormatFloat(double value) {
    return FormatDecimal(value, 15);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    int64_t quotient = product / c;
    const int64_t remainder = product % c;
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<int64_t>(c)))
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
    return static_cast<int>(quotient);
}

} // namespace galvetta
