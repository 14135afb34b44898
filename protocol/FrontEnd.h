// SPDX-License-Identifier: GPL-3.0-or-later
// What the interface object asks of a protocol front-end. A front-end parses
// its protocol's lines and calls the game; it writes its replies through the
// interface object, and it never reaches into the search.
#pragma once

#include <string>
#include <vector>

#include "play/Game.h"

namespace galvetta {

// After the input has ended, how long a running search may still go on
// before it is answered with what it has (milliseconds).
inline constexpr double INPUT_END_GRACE_MS = 500;

// What a front-end may ask of the interface object, and no more: a line
// written back to the interface (with its mirrors), the game, the window's
// view of it, and the reports the search has finished.
class TFrontEndLink {
  public:
    virtual ~TFrontEndLink() = default;
    virtual void SendToInterface(const std::string& line) = 0;
    virtual TGame& Game() = 0;
    virtual GameView& View() = 0;
    // Hands the iterations the search has finished since the last time to
    // the front-end and the window; a front-end calls it before it answers.
    virtual void DeliverReports() = 0;
};

class TFrontEnd {
  public:
    virtual ~TFrontEnd() = default;
    // One line from the interface, the command box or a macro. Returns 1 when
    // its first word is not a command of the protocol, else 0.
    virtual int Interpret(const std::string& line) = 0;
    // The engine's move has been played (empty when it had none); `outcome`
    // says whether it mates.
    virtual void EngineMoved(const std::optional<Move>& move, GameOutcome outcome) = 0;
    // A search was dropped without a move.
    virtual void SearchStopped() {}
    // The book, wished for, cannot be used (`why`): the interface is told.
    virtual void BookRefused(const std::string& why) = 0;
    // Every 100 ms.
    virtual void Tick() {}
    // The iterations the search has finished since the last reports.
    virtual void Reported(const std::vector<SearchReport>& /*reports*/) {}
    // The window's New game, as the protocol says it.
    virtual void ResetGame() = 0;
    // The input has ended: a search that a command asked for is brought to an
    // answer soon (the program ends once it is written).
    virtual void InputEnded() = 0;
};

} // namespace galvetta
