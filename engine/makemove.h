// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/state_block.h"

namespace galvetta {

// Plays `move` (an offset into the frame's list) on the board area from
// `frame`, which becomes its current_move. Returns false for a castling whose
// start or passed-over square is attacked; the king has then moved and the
// caller must take the move back with unmake_move.
bool make_move(StateBlock* block, Frame* frame, uint32_t move);

// Takes back the frame's current_move; an exact inverse of make_move on every
// word of the board area and on running_eval.
void unmake_move(StateBlock* block, Frame* frame);

} // namespace galvetta
