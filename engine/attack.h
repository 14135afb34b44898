// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/state_block.h"

namespace galvetta {

// True when a piece of the side `enemy_side` (at the time of the call) attacks
// the cell at offset `cell`. A null cell (0) is never attacked.
bool square_attacked(const StateBlock* block, uint32_t cell);

} // namespace galvetta
