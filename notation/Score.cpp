// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Score.h"

#include "notation/PositionText.h"

namespace galvetta {

namespace {

// The piece word of a position text's letter (White in lower case); 0 for
// an empty square.
uint32_t piece_word(char letter) {
    switch (letter) {
    case 'k': return WHITE_KING;
    case 'q': return WHITE_QUEEN;
    case 'r': return WHITE_ROOK;
    case 'b': return WHITE_BISHOP;
    case 'n': return WHITE_KNIGHT;
    case 'p': return WHITE_PAWN;
    case 'K': return BLACK_KING;
    case 'Q': return BLACK_QUEEN;
    case 'R': return BLACK_ROOK;
    case 'B': return BLACK_BISHOP;
    case 'N': return BLACK_KNIGHT;
    case 'P': return BLACK_PAWN;
    default: return 0;
    }
}

// The value bits of a piece word (bits 20-27), without its kind and side.
constexpr uint32_t MATERIAL_MASK = 0x0FF00000;
constexpr int32_t WEIGHT_UNIT = 256;

} // namespace

int32_t PositionValue(std::string_view position) {
    if (position.size() <= static_cast<size_t>(SIDE_TO_MOVE)) return 0;
    const bool white_to_move = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    int64_t value = 0;
    for (int square = 0; square < 64; ++square) {
        const uint32_t word = piece_word(position[square]);
        if (word == 0) continue;
        const int64_t worth =
            static_cast<int64_t>(word & MATERIAL_MASK) + SQUARE_WEIGHTS[square / 8][square % 8] * WEIGHT_UNIT;
        value += ((word & WHITE) != 0) == white_to_move ? worth : -worth;
    }
    return static_cast<int32_t>(value);
}

} // namespace galvetta
