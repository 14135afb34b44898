// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/state_block.h"

namespace galvetta {

enum class SearchOutcome { complete, abandoned };

// Room a node needs in the move area before it is generated, and the last
// frame that may be stepped into. Test builds shrink them to reach the ends.
#ifndef GALVETTA_NODE_MOVE_ROOM
#define GALVETTA_NODE_MOVE_ROOM 448
#endif
#ifndef GALVETTA_DEEPEST_PLY
#define GALVETTA_DEEPEST_PLY 2048
#endif
inline constexpr uint32_t NODE_MOVE_ROOM = GALVETTA_NODE_MOVE_ROOM;
inline constexpr int32_t DEEPEST_PLY = GALVETTA_DEEPEST_PLY;

// Negamax alpha-beta with iterative deepening over the frame stack, from the
// position load_position left in the block. The root frame's `depth` holds the
// first iteration's depth. On `complete` the root frame's best and best_move
// hold the last finished iteration's result and the board is as loaded; on
// `abandoned` (a stop request) only the counters and the root's best are
// meaningful. The header's nodes, generated_moves and played_moves are kept.
SearchOutcome search(StateBlock* block);

} // namespace galvetta
