// SPDX-License-Identifier: GPL-3.0-or-later
// Engine scores as interfaces show them: centipawns, or moves to a mate.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/state_block.h"

namespace galvetta {

// Moves to the mate that `score` (engine units, from the side to move) says
// is coming: n > 0 when the side to move mates in n, -n when it is mated in n,
// 0 when the score is no mate.
inline int MateMoves(int32_t score) {
    constexpr int64_t MATE_AT_ROOT = -static_cast<int64_t>(VALUE_ILLEGAL); // a mate found at ply 0
    constexpr int64_t LONGEST_MATE = 512;                                  // plies
    // A mate reached at ply p is worth MATE_AT_ROOT - p steps to the side
    // that mates (p odd) and its negation to the side mated (p even).
    const int64_t s = score;
    const int64_t winning = MATE_AT_ROOT - s, losing = MATE_AT_ROOT + s;
    if (winning >= 0 && winning % MATE_STEP == 0 && winning / MATE_STEP < LONGEST_MATE)
        return static_cast<int>((winning / MATE_STEP + 1) / 2);
    if (losing >= 0 && losing % MATE_STEP == 0 && losing / MATE_STEP < LONGEST_MATE)
        return -static_cast<int>(losing / MATE_STEP / 2);
    return 0;
}

// The value of `position` (a position text) itself, from the view of the side
// to move: material and square weights, its own less the other side's, in
// engine units. The search counts a line's value from zero at its root; a
// score shown to a person or an interface is this plus that.
int32_t PositionValue(std::string_view position);

// A search's score (from zero at the root) as the value of the position:
// mate scores stay as they are.
inline int32_t ScoreOfPosition(int32_t score, int32_t root_value) {
    if (MateMoves(score) != 0) return score;
    return static_cast<int32_t>(static_cast<int64_t>(score) + root_value);
}

// The inverse: the value of a position as a search's score from its root.
inline int32_t ScoreFromRoot(int32_t position_score, int32_t root_value) {
    if (MateMoves(position_score) != 0) return position_score;
    return static_cast<int32_t>(static_cast<int64_t>(position_score) - root_value);
}

// The score in hundredths of a pawn.
inline int Centipawns(int32_t score) {
    return static_cast<int>(static_cast<int64_t>(score) * 100 / SCORE_UNIT);
}

} // namespace galvetta
