// SPDX-License-Identifier: GPL-3.0-or-later
// The conversation server's requests, a line at a time on one client: every
// line outside a macro is answered, a macro never holds more lines than it
// may, and one is run only when its last line has come.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "protocol/ConversationRequests.h"

using namespace galvetta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ConversationClient client;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const bool in_macro = client.macro_left > 0;
        const ConversationStep step = HandleConversationLine(client, line);
        if (client.macro_left < 0 || client.macro_left > MAX_MACRO_LINES) std::abort();
        if (client.macro.size() > static_cast<size_t>(MAX_MACRO_LINES)) std::abort();
        const bool answered = step.reply.has_value() || step.wants_item;
        if (!in_macro && !answered && client.macro_left == 0) std::abort();
        if (step.macro && (step.macro->empty() || step.macro->size() > static_cast<size_t>(MAX_MACRO_LINES)))
            std::abort();
    }
    return 0;
}
