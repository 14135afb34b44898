// SPDX-License-Identifier: GPL-3.0-or-later
// Lines to a front-end, xboard's or UCI's (FUZZ_UCI), on one game kept
// across inputs, as an interface would send them: no input may crash it or
// leave a search running once it has been abandoned, and the board always
// holds a position the engine can take.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "notation/PositionText.h"
#include "protocol/Interface.h"

using namespace galvetta;

namespace {

struct Session {
    Session()
        : linked(white.SetLinkedClock(&black)), game(board, white, black, view), link(game, view, nullptr) {
        link.WriteLine = [](const std::string&) {};
#ifdef FUZZ_UCI
        link.SpeakUci();
#endif
        link.ResetGameExecute();
    }
    TBoardModel board;
    ChessClock white, black;
    bool linked;
    GameView view;
    TGame game;
    TInterface link;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Session* session = new Session;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int lines = 0; !text.empty() && lines < 40; ++lines) {
        const size_t end = text.find('\n');
        session->link.InterpretCommand(std::string(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        session->link.OnMoveTimer();
    }
    session->game.AbandonSearch();
    if (session->game.Searching()) std::abort();
    if (!IsPositionText(session->board.GetPosition())) std::abort();
    return 0;
}
