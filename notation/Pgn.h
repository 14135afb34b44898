// SPDX-License-Identifier: GPL-3.0-or-later
// Games as Portable Game Notation: the record of a game played here, the
// writer, the reader (tags, movetext, comments, variations, NAGs, results,
// several games to a file) and the replay of a game's moves with the engine's
// legality test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace galvetta {

struct PgnGame {
    std::vector<std::pair<std::string, std::string>> tags; // in file order
    std::vector<std::string> moves;                        // SAN
    // The comment after each move (empty where there is none), as an
    // engine's evaluation is written: "+0.35/8", "-M3/12".
    std::vector<std::string> comments;
    std::string result = "*";
    std::string ending; // how the game ended, written as a comment before the result

    // The tag's value, or empty.
    std::string Tag(std::string_view name) const;
    void SetTag(const std::string& name, const std::string& value);
    // The position text the moves start from: the FEN tag's, else the start.
    // Empty when the FEN tag cannot be read.
    std::string StartPosition() const;
};

// The moves numbered in pairs, from the FEN's move number; White's move is
// empty in the first pair of a game that Black begins.
struct MovePair {
    int64_t number;
    std::string white, black;
};
std::vector<MovePair> MovePairs(const PgnGame& game);

// The seven-tag roster first, then any others; the movetext wrapped at 80
// columns and closed by the result; a blank line after the game.
std::string WritePgn(const PgnGame& game);

struct PgnFile {
    std::vector<PgnGame> games;        // every game read before any error
    std::string error;                 // "line L: ..." when the text is broken
    std::vector<std::string> warnings; // "game G, line L: ..." for slips read past (a wrong move number)
};
PgnFile ReadPgn(std::string_view text);

// The positions of a game: the start, then one after each move.
struct PgnReplay {
    std::vector<std::string> positions;   // position texts
    std::vector<std::string> coordinates; // the moves as "e2e4", "e7e8q"
    std::string error;                    // "move 12... Nf3: illegal move 'Nf3'"
    std::string variant;                  // the Variant tag of a game refused as another variant
};
PgnReplay ReplayPgn(const PgnGame& game);

// The moves that lead from each position to the next, in SAN, and the result
// the last position shows (mate or stalemate), else `result`. A step that no
// legal move makes (a set-up) starts the record again from there. The first
// position's FEN counters are `halfmove_clock` and `move_number`.
PgnGame RecordGame(const std::vector<std::string>& positions, const std::string& result = "*",
                   int halfmove_clock = 0, int64_t move_number = 1);

// "1-0", "0-1" or "1/2-1/2" when the side to move is mated or stalemated, else empty.
std::string ResultOfPosition(std::string_view position);

// An evaluation as a comment after a move: the score from the view of the
// side that moved, in pawns or as a mate ("+0.35/8", "-M3/12"), and the
// depth. Read back, nothing when the comment is no evaluation.
struct MoveEvaluation {
    int centipawns = 0; // from the view of the side that moved
    int mate = 0;       // moves to a mate (negative: mated), or 0
    int depth = 0;
    bool operator==(const MoveEvaluation&) const = default;
};
std::string EvaluationComment(const MoveEvaluation& evaluation);
std::optional<MoveEvaluation> ReadEvaluationComment(std::string_view comment);

// "40/300", "300+5", "300", or "-" with no control; from the driver's fields.
std::string TimeControlTag(int moves, int base_seconds, int increment_seconds, double seconds_per_move);

} // namespace galvetta
