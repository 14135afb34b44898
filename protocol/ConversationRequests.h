// SPDX-License-Identifier: GPL-3.0-or-later
// The requests of the conversation server, one line at a time, for one
// client: what to answer and what to run. The server's socket layer (on
// Qt, above this room) reads the lines and carries out the result.
//   EXECUTE <line>        run a one-line macro                 -> OK
//   MACRO <n>             then n lines: run them as a macro     -> OK
//   POKE <text>           set the item (written to the output)  -> OK
//   REQUEST               read the item                         -> VALUE <text>
//   ADVISE / UNADVISE     be told / stop being told of changes  -> OK
// Anything else is answered "ERROR <reason>".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace galvetta {

inline constexpr int MAX_MACRO_LINES = 1000;

// What the server knows of one client between its lines.
struct ConversationClient {
    int macro_left = 0; // lines of a MACRO still to come
    std::vector<std::string> macro;
    size_t macro_bytes = 0;
    bool advised = false;
};

// What one line calls for: the reply (none while a macro's lines come), a
// macro to run, a poke, or the item's value to be sent ("VALUE " + item).
struct ConversationStep {
    std::optional<std::string> reply;
    std::optional<std::vector<std::string>> macro;
    std::optional<std::string> poke;
    bool wants_item = false;
};

ConversationStep HandleConversationLine(ConversationClient& client, std::string_view line);

} // namespace galvetta
