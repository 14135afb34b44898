// The 70-character position text shared by the board, the driver and the
// engine, and its conversion to and from FEN.
//
// Squares a8..h1 (index = file + 8 * (8 - rank)), '-' for empty, White's
// pieces in lower case; then the side to move ('B' White, 'N' Black), the
// en-passant file (or a non-letter), and the four castling flags
// (White short, White long, Black short, Black long: '+' or '-').
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace galvetta {

inline constexpr int POSITION_TEXT_LENGTH = 70;
inline constexpr const char* STARTING_POSITION =
    "RNBQKBNRPPPPPPPP--------------------------------pppppppprnbqkbnrB+++++";

// A result that carries either a value or the reason it could not be made.
template <class T> struct Parsed {
    std::optional<T> value;
    std::string error;

    static Parsed ok(T v) { return {std::move(v), {}}; }
    static Parsed fail(std::string why) { return {std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

// Checks a position text the engine can take: 70 characters, square
// characters from "kqrbnpKQRBNP-", side 'B' or 'N', at most 16 pieces a side.
Parsed<std::string> ValidatePositionText(std::string_view text);

// FEN (the first four fields are required; counters are ignored) to position text.
Parsed<std::string> FenToPositionText(std::string_view fen);

// Position text to FEN, with move counters "0 1".
std::string PositionTextToFen(std::string_view text);

} // namespace galvetta
