// SPDX-License-Identifier: GPL-3.0-or-later
// Game files: a file opened to be played from (a PGN file's game, or a FEN
// line), and the file that --save-games appends to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notation/Pgn.h"

namespace galvetta {

// A game read from a file's text, ready to be put on the board.
struct OpenedGame {
    std::vector<std::string> positions; // the start, then one after each move
    int halfmove_clock = 0;             // the start's FEN counters
    int64_t move_number = 1;
    std::string white, black; // the PGN's names (empty for a FEN)
    // Why the replay stopped (the positions then end at the last good one), or
    // why nothing could be read (no positions; empty when the file holds no
    // such game). Empty when all went well.
    std::string error;
};

// A text holding one FEN line (slashes, no tags) is a position; anything
// else is read as PGN and its game `index` (from 0) is replayed with the
// engine's legality test.
OpenedGame ReadGameText(std::string_view text, int index = 0);

// Opens `path` for --save-games: created when missing, appended to, and a
// regular file. Returns the descriptor, or -1 with `error` saying why not.
int OpenGamesFile(const std::string& path, std::string& error);

} // namespace galvetta
