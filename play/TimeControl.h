// SPDX-License-Identifier: GPL-3.0-or-later
// The game's one time control, however an interface or a person gives it.
#pragma once

#include <string_view>

#include "notation/PositionText.h"

namespace galvetta {

// A time control as a person chooses it: `moves` per control in
// `base_seconds` plus `increment_seconds` a move (moves 0: the whole game),
// or a fixed time a move when `seconds_per_move` is above 0.
struct TimeControl {
    int moves = 0;
    int base_seconds = 0;
    int increment_seconds = 0;
    double seconds_per_move = 0;
    // No clock for either side: no base and no time a move.
    bool Untimed() const { return base_seconds <= 0 && seconds_per_move <= 0; }
};

// Reads "level MOVES MINUTES INCREMENT" (minutes also as "m:ss"), "st
// SECONDS", "untimed", or a person's plain "MINUTES" or "MINUTES+INCREMENT"
// ("5", "15+10"); anything else is refused with the reason.
Parsed<TimeControl> ParseTimeControl(std::string_view line);

} // namespace galvetta
