// SPDX-License-Identifier: GPL-3.0-or-later
// A move between two squares, and the three ways it is written: the engine's
// form ("e2-e4", "e7-e8=Q"), plain coordinates ("e2e4", "e7e8q"), which are
// also UCI's form and the WinBoard protocol's from version 2 on, and
// everything in between that interfaces and people send ("e2xe4", "e7e8=q").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/state_block.h"

namespace galvetta {

struct Move {
    int from = 0, to = 0; // square indices of the position text (a8 = 0, h1 = 63)
    char promotion = 0;   // 'q', 'r', 'b', 'n', or 0

    // From-square, an optional '-' or 'x', to-square, and for a promotion an
    // optional '=' and the piece letter in either case. Nothing may follow.
    static std::optional<Move> Parse(std::string_view text);

    // A move of a line as the engine publishes it, and back.
    static Move FromLine(LineMove move);
    LineMove ToLine() const;

    // "e2e4", "e7e8q".
    std::string Coordinate() const;
    // "e2-e4", "e7-e8=Q".
    std::string EngineText() const;

    bool operator==(const Move&) const = default;
};

// A square's name, "e4", from its index.
std::string SquareName(int index);

} // namespace galvetta
