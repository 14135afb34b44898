// SPDX-License-Identifier: GPL-3.0-or-later
// The connection to the interface: the input lines (standard input, the
// command box, the conversation server), the choice of protocol from the
// first line, every line written back with its mirrors (the conversation
// item, the sent-lines page), and the 100 ms tick. It holds one protocol
// front-end, WinBoard or UCI, and hands it each line.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "play/Game.h"
#include "protocol/FrontEnd.h"

namespace galvetta {

class TStandardInputThread;

class TInterface : public TFrontEndLink {
  public:
    // `reader` may be null (tests and the window's command box feed lines directly).
    TInterface(TGame& game, GameView& view, TStandardInputThread* reader);
    ~TInterface();
    TInterface(const TInterface&) = delete;
    TInterface& operator=(const TInterface&) = delete;

    // From now on every line is UCI: after "uci" as the first input line, or
    // from the start with --uci.
    void SpeakUci();
    bool SpeaksUci() const { return uci_; }
    // An interface drives the game (a line has come in, or UCI was chosen):
    // it, not the person at the window, decides when games begin and end.
    bool InterfaceDrives() const { return uci_ || !first_line_; }

    // One line from the interface, the command box or a macro. Returns 1 when
    // its first word is not a known command, else 0.
    int InterpretCommand(const std::string& line);
    // Writes a line to the interface (flushed at once) and mirrors it in the
    // conversation item and the sent-lines page.
    void SendToInterface(const std::string& line) override;
    // Interprets the input line that waits, if any; true when there was one.
    bool TakeInputLine();
    // One tick of the 100 ms move timer: the clocks, the generated-moves
    // display, the front-end's own work, and (for callers without wake-ups)
    // an input line or else a finished search.
    void OnMoveTimer();
    // The window's New game.
    void ResetGameExecute() { front_end_->ResetGame(); }
    // The conversation server's macro and poke.
    void ExecuteMacro(const std::vector<std::string>& lines);
    void PokeCommand(const std::string& text);
    // The input has ended: a search a command asked for is answered first,
    // then the window is asked to close.
    void InputEnded();
    // Hands the iterations the search has finished since the last time to
    // the front-end and the window; a front-end calls it before it answers.
    void DeliverReports() override;

    TGame& Game() override { return game_; }
    GameView& View() override { return view_; }

    // Where protocol lines go; standard output unless a test replaces it.
    std::function<void(const std::string&)> WriteLine;

  private:
    // After the input has ended: closes once no answer is on its way.
    void CloseWhenAnswered();

    TGame& game_;
    GameView& view_;
    TStandardInputThread* reader_;
    std::unique_ptr<TFrontEnd> front_end_;
    bool uci_ = false;
    bool first_line_ = true;
    bool closing_ = false; // the input has ended
    bool closed_ = false;  // ... and the window was asked to close
};

} // namespace galvetta
