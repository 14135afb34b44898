// SPDX-License-Identifier: GPL-3.0-or-later
// Words and numbers as the protocols read them, shared by both front-ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace galvetta {

using Words = std::vector<std::string>;

// Cuts a line at every blank, as version 1 of the WinBoard protocol reads it:
// two blanks in a row give an empty word, and a blank that ends the line stays
// in the last word ("go " is not "go").
Words SplitAtBlanks(std::string_view line);

// The words of a line between runs of white space (UCI, and the arguments of
// the WinBoard protocol's later commands).
Words SplitWords(std::string_view line);

// The words from `first` on, joined by single blanks.
std::string JoinWords(const Words& words, size_t first);

// A whole signed decimal number, or nothing: for anything else, and for a
// number beyond 64 bits.
std::optional<int64_t> ParseInteger(std::string_view text);

// A decimal number such as "1.5", read the same in every locale (a point,
// never a comma), or nothing when `text` is not wholly one.
std::optional<double> ParseDecimal(std::string_view text);

// A double with up to `digits` significant digits and no trailing zeros,
// written the same in every locale.
std::string FormatDecimal(double value, int digits = 15);

// A double in the runtime's general form: up to 15 significant digits, no
// trailing zeros.
std::string FormatFloat(double value);

// Win32's MulDiv: a * b / c rounded half away from zero; -1 when c is 0 or the
// result does not fit in 32 bits.
int MulDiv(int a, int b, int c);

// A whole signed decimal number that fits in 32 bits, or `fallback`.
int StrToIntDef(std::string_view text, int fallback);

// Minutes as a time control gives them, in seconds: "5" is 300, "0:30" is 30.
// Anything unreadable counts as 0.
int ParseMinutes(std::string_view text);

} // namespace galvetta
