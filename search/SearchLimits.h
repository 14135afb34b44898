// SPDX-License-Identifier: GPL-3.0-or-later
// How far one search may go. A front-end fills it once from its command
// ("go depth 8", "go wtime ...", a move under "level 40 5 0"); the game
// completes it from its planning and its clock, and the driver's watch
// enforces it: nothing else ends a search.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "notation/Move.h"

namespace galvetta {

// The deepest search a front-end asks for.
inline constexpr int MAX_SEARCH_DEPTH = 60;

// A clock as UCI gives it with "go": the side to move's time and increment in
// milliseconds (the interface's lag already taken off), and the moves to the
// next control (0: the time is for the rest of the game).
struct ClockLimits {
    double time_ms = 0;
    double increment_ms = 0;
    int moves_to_go = 0;
};

struct SearchLimits {
    // The game's planning chooses the depth and the budget from the clocks
    // and the time control, and the engine's clock bounds the search.
    bool planned = true;
    int depth = 0;      // the last iteration's depth; 0: the planned depth
    int depth_step = 0; // plies between iterations; 0: the planning's own
    // Milliseconds after which the search finishes the iteration it is in
    // (0: none). Planned searches take the planning's budget.
    double budget_ms = 0;
    // A planned search on a UCI clock: the budget is a share of this clock
    // rather than the game's own planning (which the xboard protocol and the
    // window keep).
    std::optional<ClockLimits> clock;
    // Milliseconds after which the search stops on the spot and answers with
    // its last finished iteration (below 0: none). 0 stops it at once.
    double hard_ms = -1;
    // Nodes after which it stops the same way (0: none).
    uint64_t nodes = 0;
    // Only these root moves are searched (empty: all of them).
    std::vector<Move> search_moves;
    // The best `lines` root moves are searched, each with its line: the
    // search of line i leaves out the first moves of lines 1 to i - 1.
    int lines = 1;
    // The search ends once it finds a mate in at most this many moves (0: none).
    int mate = 0;

    // An analysis: off the clock, every depth in turn, up to `depth_limit`
    // (0: as deep as the engine goes) or until it is stopped.
    static SearchLimits Analysis(int depth_limit = 0) {
        SearchLimits limits;
        limits.planned = false;
        limits.depth = depth_limit > 0 ? depth_limit : MAX_SEARCH_DEPTH;
        limits.depth_step = 1;
        return limits;
    }
};

} // namespace galvetta
