// The WinBoard front-end: the command interpreter of the xboard/WinBoard
// protocol, one handler per command, and the only place that writes its
// move, result and refusal lines. It plays through TGame.
#pragma once

#include <string>

#include "game/FrontEnd.h"
#include "game/Words.h"

namespace galvetta {

class TInterface;

class TWinBoardControl : public TFrontEnd {
  public:
    explicit TWinBoardControl(TInterface& link);

    int Interpret(const std::string& line) override;
    void EngineMoved(const std::string& move, GameOutcome outcome) override;
    void ResetGame() override;
    void InputEnded() override;

    // The greeting's web address.
    static constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";
    // The line that answers an outcome: a result, or the refusal of "go".
    static const char* OutcomeLine(GameOutcome outcome);

  private:
    // One handler per protocol command, given the line's words.
    void OnXboard(const Words& words);
    void OnName(const Words& words);
    void OnRating(const Words& words);
    void OnComputer(const Words& words);
    void OnNew(const Words& words);
    void OnForce(const Words& words);
    void OnSide(const Words& words);
    void OnGo(const Words& words);
    void OnQuit(const Words& words);
    void OnUndo(const Words& words);
    void OnRemove(const Words& words);
    void OnOtim(const Words& words);
    void OnTime(const Words& words);
    void OnSt(const Words& words);
    void OnLevel(const Words& words);
    void OnEdit(const Words& words);
    void OnResult(const Words& words);
    void OnIgnored(const Words& words);
    // Edit mode: "." ends it, any other word places pieces.
    void InterpretSetUp(const std::string& word);
    void Send(const std::string& line);

    TInterface& link_;
    TGame& game_;
};

} // namespace galvetta
