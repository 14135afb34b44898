// SPDX-License-Identifier: GPL-3.0-or-later
// Game files: a file opened to be played from (a PGN file's game, or a FEN
// line), and the file that --save-games appends to.
#pragma once

#include <cstdint>
#include <functional>
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
    PgnGame header;           // the PGN's tags and result, without its moves (empty for a FEN)
    // Why the replay stopped (the positions then end at the last good one), or
    // why nothing could be read (no positions; empty when the file holds no
    // such game). Empty when all went well.
    std::string error;
};

// A text holding one FEN line (slashes, no tags) is a position; anything
// else is read as PGN and its game `index` (from 0) is replayed with the
// engine's legality test.
// Messages name the game by `index` + `first_number`.
OpenedGame ReadGameText(std::string_view text, int index = 0, int first_number = 1);

// One game of a PGN text as a list of games shows it: where its text begins
// and ends (byte offsets) and the tags a list needs.
struct PgnEntry {
    size_t begin = 0, end = 0;
    std::string white, black, date;
    std::string result = "*";
};

// The games of a PGN text, found from their tag sections without reading
// their moves. `progress`, when given, is called every PROGRESS_STEP games
// with the bytes read so far; when it returns false the listing stops there.
inline constexpr size_t PROGRESS_STEP = 1000;
std::vector<PgnEntry> ListPgnGames(std::string_view text, const std::function<bool(size_t)>& progress = {});

// Opens `path` for --save-games: created when missing, appended to, and a
// regular file. Returns the descriptor, or -1 with `error` saying why not.
int OpenGamesFile(const std::string& path, std::string& error);

} // namespace galvetta
