// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/state_block.h"

namespace galvetta {

// Builds the move list of the node at `frame`: every live piece of the side to
// move (the side that is not `enemy_side`) asks its generator routine for its
// pseudo-legal moves, in record order. Sets the frame's `pick`/`pick_score`
// and `candidates` and closes the list by writing the next frame's
// `first_move`. Returns the number of records; 0 when the side to move has no
// move or can take the enemy king (the list is then discarded).
// The caller adds the count to its generated-moves counter.
uint32_t generate_node(StateBlock* block, Frame* frame);

} // namespace galvetta
