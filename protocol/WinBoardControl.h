// SPDX-License-Identifier: GPL-3.0-or-later
// The WinBoard front-end: the command interpreter of the xboard/WinBoard
// protocol, one handler per command, and the only place that writes its
// move, result and refusal lines. It plays through TGame.
//
// Until "protover 2" it speaks version 1 exactly as it always has (moves as
// "e2-e4", no thinking output); from then on version 2: the features it
// declares, moves in coordinates, ping, setboard, usermove, thinking output,
// analyze mode, sd, "?" and the claims of a game ended by rule.
#pragma once

#include <string>
#include <vector>

#include "notation/Words.h"
#include "protocol/FrontEnd.h"

namespace galvetta {

class TWinBoardControl : public TFrontEnd {
  public:
    explicit TWinBoardControl(TFrontEndLink& link);

    int Interpret(const std::string& line) override;
    void EngineMoved(const std::optional<Move>& move, GameOutcome outcome) override;
    void SearchStopped() override;
    void BookRefused(const std::string& why) override;
    void Reported(const std::vector<SearchReport>& reports) override;
    void ResetGame() override;
    void InputEnded() override;

    // The window's games start at this many minutes each, without increment.
    static constexpr int START_MINUTES = 120;
    // The greeting's web address.
    static constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";
    // The line that answers an outcome: a result, or the refusal of "go".
    static const char* OutcomeLine(GameOutcome outcome);

  private:
    // The handler of a command word in a protocol version; null when unknown.
    using Handler = void (TWinBoardControl::*)(const Words&);
    static Handler FindHandler(const std::string& command, int protocol);
    int InterpretLine(const std::string& line);
    // One handler per protocol command, given the line's words.
    void OnXboard(const Words& words);
    void OnProtover(const Words& words);
    void OnFeatureReply(const Words& words);
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
    void OnSd(const Words& words);
    void OnEdit(const Words& words);
    void OnResult(const Words& words);
    void OnDraw(const Words& words);
    void OnPost(const Words& words);
    void OnAnalyze(const Words& words);
    void OnExit(const Words& words);
    void OnMoveNow(const Words& words);
    void OnHint(const Words& words);
    void OnBook(const Words& words);
    void OnPing(const Words& words);
    void OnSetBoard(const Words& words);
    void OnUserMove(const Words& words);
    void OnOption(const Words& words);
    void OnVariant(const Words& words);
    void OnIgnored(const Words& words);

    // A move word from the interface: played, refused, or in analyze mode
    // played and analysed.
    void PlayMove(const std::string& word);
    // Edit mode: "." ends it, any other word places pieces.
    void InterpretSetUp(const std::string& word);
    // Version 2: the claim of a game that has ended on the board, if it has.
    bool ClaimGameEnd();
    // Analyze mode: the current position is searched afresh.
    void AnalyzeAgain();
    void AnswerPings();
    // A move as the protocol version writes it.
    std::string MoveText(const Move& move) const;
    void Send(const std::string& line);

    TFrontEndLink& link_;
    TGame& game_;
    int protocol_ = 1;
    bool post_ = false;      // thinking output
    bool analyzing_ = false; // analyze mode
    bool position_refused_ = false;
    std::vector<std::string> pongs_; // answers held until the engine's move
    std::string expected_reply_;     // the reply the last engine move's line expects
    std::string hint_position_;      // ... in this position
};

} // namespace galvetta
