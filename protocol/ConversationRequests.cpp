// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ConversationRequests.h"

#include "notation/Words.h"

namespace galvetta {

ConversationStep HandleConversationLine(ConversationClient& client, std::string_view line) {
    ConversationStep step;
    if (client.macro_left > 0) {
        client.macro.emplace_back(line);
        client.macro_bytes += line.size();
        if (--client.macro_left == 0) {
            step.macro = std::move(client.macro);
            client.macro.clear();
            client.macro_bytes = 0;
            step.reply = "OK";
        }
        return step;
    }
    const size_t blank = line.find(' ');
    const std::string_view verb = line.substr(0, blank);
    const std::string rest(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
    if (verb == "EXECUTE") {
        step.reply = "OK";
        step.macro = std::vector<std::string>{rest};
    } else if (verb == "MACRO") {
        const std::optional<int64_t> count = ParseInteger(rest);
        if (!count || *count < 1 || *count > MAX_MACRO_LINES)
            step.reply = "ERROR bad line count";
        else
            client.macro_left = static_cast<int>(*count);
    } else if (verb == "POKE") {
        step.reply = "OK";
        step.poke = rest;
    } else if (verb == "REQUEST") {
        step.wants_item = true;
    } else if (verb == "ADVISE" || verb == "UNADVISE") {
        client.advised = verb == "ADVISE";
        step.reply = "OK";
    } else {
        step.reply = "ERROR unknown request";
    }
    return step;
}

} // namespace galvetta
