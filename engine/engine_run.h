// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/state_block.h"

namespace galvetta {

// One whole run on a block whose header the driver filled: prepare, load,
// search, check the board came back unchanged, and leave move_text,
// best_score, the counters, score_unit, mate_score and error_flag in the
// header. A position the loader refuses yields an empty move_text.
void engine_run(StateBlock* block);

// Thread procedure: clears the header's thread flag and performs engine_run.
void engine_thread(StateBlock* block);

// Legality test of the header's move_text in its position_text: -1 when some
// root move from and to those squares survives a depth-3 run, else 0. Runs a
// whole engine run on `block`, so give it a block of its own.
int is_legal_move(StateBlock* block);

} // namespace galvetta
