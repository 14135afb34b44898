// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/attack.h"

#include <initializer_list>

namespace galvetta {

namespace {

inline uint32_t occupant(const unsigned char* base, uint32_t cell) {
    return reinterpret_cast<const Cell*>(base + cell)->occupant;
}

// One ray from `cell`: the first step may meet a king (mask near), further
// steps only the sliders (mask far). Margin and own-or-blocking pieces end it.
inline bool ray_attacked(const unsigned char* base, uint32_t cell, int32_t step, uint32_t near, uint32_t far,
                         uint32_t attacker) {
    uint32_t x = cell + step;
    uint32_t occ = occupant(base, x);
    uint32_t mask = near;
    for (;;) {
        if (is_margin(occ)) return false;
        if (occ != EMPTY_WORD) return (occ & mask) && (occ & attacker);
        x += step;
        occ = occupant(base, x);
        mask = far;
    }
}

} // namespace

bool square_attacked(const StateBlock* block, uint32_t cell) {
    if (cell == 0) return false;
    const auto* base = reinterpret_cast<const unsigned char*>(block);
    const uint32_t attacker = block->vars.enemy_side;

    // Pawns of the attacker stand one row toward their own side, one file aside.
    const uint32_t pawn_row = cell + block->vars.pawn_attack_row[side_index(attacker)];
    for (uint32_t x : {pawn_row + 16, pawn_row - 16}) {
        const uint32_t occ = occupant(base, x);
        if ((occ & 0xF3) == 0 && (occ & attacker)) return true;
    }

    for (int32_t jump : KNIGHT_JUMPS) {
        const uint32_t occ = occupant(base, cell + jump);
        if ((occ & KNIGHT_BIT) && (occ & attacker)) return true;
    }

    constexpr uint32_t STRAIGHT_NEAR = 0x43, STRAIGHT_FAR = 0x42;
    constexpr uint32_t DIAGONAL_NEAR = 0x13, DIAGONAL_FAR = 0x12;
    return ray_attacked(base, cell, DIR_N, STRAIGHT_NEAR, STRAIGHT_FAR, attacker) ||
           ray_attacked(base, cell, DIR_S, STRAIGHT_NEAR, STRAIGHT_FAR, attacker) ||
           ray_attacked(base, cell, DIR_E, STRAIGHT_NEAR, STRAIGHT_FAR, attacker) ||
           ray_attacked(base, cell, DIR_W, STRAIGHT_NEAR, STRAIGHT_FAR, attacker) ||
           ray_attacked(base, cell, DIR_NE, DIAGONAL_NEAR, DIAGONAL_FAR, attacker) ||
           ray_attacked(base, cell, DIR_NW, DIAGONAL_NEAR, DIAGONAL_FAR, attacker) ||
           ray_attacked(base, cell, DIR_SE, DIAGONAL_NEAR, DIAGONAL_FAR, attacker) ||
           ray_attacked(base, cell, DIR_SW, DIAGONAL_NEAR, DIAGONAL_FAR, attacker);
}

} // namespace galvetta
