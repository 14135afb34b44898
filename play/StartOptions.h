// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line asks of a session, as the program's main hands it to
// the window.
#pragma once

#include <optional>
#include <string>

namespace galvetta {

struct StartOptions {
    bool uci = false;         // speak UCI from the start
    int save_games_fd = -1;   // each finished game is appended here (-1: nowhere)
    std::optional<int> level; // the level slider's first position
    std::string notice;       // shown in the statistics at start-up (an argument ignored)
    std::string book;         // --book FILE: the opening book, on for the session
    bool no_window = false;   // --no-window: headless whatever the display
};

} // namespace galvetta
