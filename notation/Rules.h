// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of chess beyond the moves: which positions can arise in a game at
// all, and when a game is over on the board.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notation/PositionText.h"

namespace galvetta {

// The position text when a game could reach it, else why not: a side without
// exactly one king, a pawn on its first or last rank, an en-passant file
// without the pawn that has just passed it, or the side not to move in check.
Parsed<std::string> PlayablePosition(std::string_view text);

// ReadFen, then PlayablePosition: a FEN an interface or a person may play from.
Parsed<FenPosition> ReadPlayableFen(std::string_view fen);

// How a game ended on the board, if it did.
enum class GameEnd { None, WhiteMates, BlackMates, Stalemate, Repetition, FiftyMoves, Material };

struct Verdict {
    GameEnd end = GameEnd::None;
    std::string result; // "1-0", "0-1", "1/2-1/2"; empty while the game goes on
    std::string reason; // "White mates", "Draw by repetition", "50 move rule", ...

    explicit operator bool() const { return end != GameEnd::None; }
};

// The game's state after `positions` (position texts, the start first; the
// start's FEN half-move clock given): checkmate and stalemate; the third
// occurrence of a position (the same placement, side to move, castling
// rights and en-passant capture); a hundred plies without a capture or a
// pawn move; or material with which neither side can mate. Mate takes
// precedence over the fifty-move rule.
Verdict JudgeGame(const std::vector<std::string>& positions, int halfmove_clock = 0);

// The verdict of a game that ended as `end`, with its result and reason.
Verdict VerdictOf(GameEnd end);

// Play that went on after the rules had drawn the game: the first ply, before
// the last, at which JudgeGame finds a draw by repetition, the fifty-move
// rule or dead material for the game so far. Linear in the game's length.
struct RuleDraw {
    size_t ply = 0;
    Verdict verdict;
};
std::optional<RuleDraw> FirstDrawByRule(const std::vector<std::string>& positions, int halfmove_clock = 0);

// Plies since the last capture or pawn move at the last position.
int HalfmoveClock(const std::vector<std::string>& positions, int halfmove_clock = 0);

} // namespace galvetta
