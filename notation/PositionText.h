// SPDX-License-Identifier: GPL-3.0-or-later
// The 70-character position text shared by the board, the driver and the
// engine, and its conversion to and from FEN.
//
// Squares a8..h1 (index = file + 8 * (8 - rank)), '-' for empty, White's
// pieces in lower case; then the side to move ('B' White, 'N' Black), the
// en-passant file (or a non-letter), and the four castling flags
// (White short, White long, Black short, Black long: '+' or '-').
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace galvetta {

inline constexpr int POSITION_TEXT_LENGTH = 70;

// The fields after the 64 squares.
inline constexpr int SIDE_TO_MOVE = 64;
inline constexpr int EN_PASSANT_FILE = 65;
inline constexpr int WHITE_SHORT = 66, WHITE_LONG = 67, BLACK_SHORT = 68, BLACK_LONG = 69;
inline constexpr char WHITE_ON_MOVE = 'B', BLACK_ON_MOVE = 'N';

// King, queen, rook, bishop, knight, pawn: White's in lower case, then Black's.
inline constexpr std::string_view PIECE_LETTERS = "kqrbnpKQRBNP";
inline constexpr int KING = 0, ROOK = 2, PAWN = 5, BLACK_LETTERS = 6;

// The square index of a square name (its first two characters) with no check
// at all: "i1" gives 64 and "" gives 351, so callers test for 0..63.
int SquareIndex(std::string_view name);

// True when the name's first two characters are a square, a1 to h8.
bool IsSquareName(std::string_view name);

// The castling flag (a field index) that a move from or to a rook's corner
// ends, or -1 for any other square.
int CornerFlag(int square);

// Plays the move `from`-`to` (square indices) on the text's squares and
// fields: the castling rook, a pawn taken en passant, a promotion to the
// piece letter `promotion` (either case; 0 for none), the side to move, the
// en-passant file (the file's letter after a double step, else
// `no_en_passant`) and the castling flags that a king move or a corner ends.
// `letters` is the piece alphabet in PIECE_LETTERS's order. Nothing is checked.
void ApplyMove(char* text, int from, int to, char promotion, char no_en_passant,
               std::string_view letters = PIECE_LETTERS);
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

// True when ValidatePositionText would accept the text; no reason, no copy.
bool IsPositionText(std::string_view text);

// Checks a position text the engine can take: 70 characters, square
// characters from "kqrbnpKQRBNP-", side 'B' or 'N', at most 16 pieces a side.
Parsed<std::string> ValidatePositionText(std::string_view text);

// A position read from FEN: the position text and the FEN's move counters.
struct FenPosition {
    std::string text;
    int halfmove_clock = 0;  // plies since the last capture or pawn move
    int64_t move_number = 1; // counted in 64 bits: a FEN may start anywhere
};

// Reads a FEN's syntax. The board and the side to move are required; the
// castling, en-passant and counter fields may be missing ("- - 0 1").
// Counters up to 2^31 - 1 are taken. Whether the position could arise in a
// game is not checked here (see PlayablePosition).
Parsed<FenPosition> ReadFen(std::string_view fen);

// ReadFen's position text.
Parsed<std::string> FenToPositionText(std::string_view fen);

// Position text to FEN, with the move counters given.
std::string PositionTextToFen(std::string_view text, int halfmove_clock = 0, int64_t move_number = 1);

} // namespace galvetta
