// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "engine/state_block.h"

namespace galvetta {

// Counts the legal move sequences of `depth` plies from the position loaded
// in the block, using only the engine's generators, make/take-back and attack
// test: a move is legal when, once made, its side's king is not attacked.
// Before the first call, set up the root with perft_begin.
void perft_begin(StateBlock* block);
uint64_t perft(StateBlock* block, Frame* frame, int depth);

// Makes move `move` of `frame`'s list and reports whether it is legal; when it
// returns true the move is on the board and enemy_side has been passed to the
// other side. perft_take_back undoes a move perft_make made (legal or not).
bool perft_make(StateBlock* block, Frame* frame, uint32_t move);
void perft_take_back(StateBlock* block, Frame* frame, bool legal);

// How the side to move stands: its number of legal moves and whether its king
// is attacked (no legal move and in check is mate, not in check stalemate).
// The block must hold a loaded position (load_position returned true).
struct RootStatus {
    uint64_t legal_moves;
    bool in_check;
};
RootStatus root_status(StateBlock* block);

} // namespace galvetta
