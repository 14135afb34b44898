// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/TimeControl.h"

#include <cctype>
#include <string>
#include <vector>

#include "notation/Words.h"

namespace galvetta {

namespace {

// The largest moves, seconds or increment a person may give a time control: a day.
constexpr int MAX_CONTROL_VALUE = 24 * 60 * 60;

} // namespace

Parsed<TimeControl> ParseTimeControl(std::string_view line) {
    const std::vector<std::string> words = SplitAtBlanks(line);
    const auto whole = [](const std::string& word, int& value) {
        const std::optional<int64_t> n = ParseInteger(word);
        if (!n || *n < 0 || *n > MAX_CONTROL_VALUE) return false;
        value = static_cast<int>(*n);
        return true;
    };
    TimeControl control;
    if (!words.empty() && words[0] == "level") {
        const std::string minutes = words.size() == 4 ? words[2] : std::string();
        const bool minutes_read = !minutes.empty() && minutes.front() != ':' &&
                                  minutes.find_first_not_of("0123456789:") == std::string::npos;
        control.base_seconds = minutes_read ? ParseMinutes(minutes) : 0;
        if (!minutes_read || !whole(words[1], control.moves) || !whole(words[3], control.increment_seconds) ||
            control.base_seconds <= 0 || control.base_seconds > MAX_CONTROL_VALUE)
            return Parsed<TimeControl>::fail(
                "level takes moves, minutes (or m:ss) and an increment: level 40 5 0");
        return Parsed<TimeControl>::ok(control);
    }
    if (words.size() == 1 && words[0] == "untimed") return Parsed<TimeControl>::ok(control);
    // A person's plain form: minutes, and the increment in seconds after '+'.
    if (words.size() == 1 && !words[0].empty() && std::isdigit(static_cast<unsigned char>(words[0][0]))) {
        const size_t plus = words[0].find('+');
        int minutes = 0;
        if (whole(words[0].substr(0, plus), minutes) && minutes > 0 && minutes * 60 <= MAX_CONTROL_VALUE &&
            (plus == std::string::npos || whole(words[0].substr(plus + 1), control.increment_seconds))) {
            control.base_seconds = minutes * 60;
            return Parsed<TimeControl>::ok(control);
        }
    }
    if (!words.empty() && words[0] == "st") {
        const std::optional<double> seconds = ParseDecimal(words.size() == 2 ? words[1] : "");
        control.seconds_per_move = seconds.value_or(0);
        if (!(control.seconds_per_move > 0) || control.seconds_per_move > MAX_CONTROL_VALUE)
            return Parsed<TimeControl>::fail("st takes the seconds a move: st 5");
        return Parsed<TimeControl>::ok(control);
    }
    return Parsed<TimeControl>::fail(
        "a time control is \"MINUTES+INCREMENT\", \"level MOVES MINUTES INCREMENT\", \"st SECONDS\" or "
        "\"untimed\"");
}

} // namespace galvetta
