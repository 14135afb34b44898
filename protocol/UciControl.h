// SPDX-License-Identifier: GPL-3.0-or-later
// The UCI front-end: the same game as the WinBoard front-end plays, spoken in
// UCI. "position" starts the game from a position and plays the moves given,
// "go" starts the engine within the limits it names, and the answers are an
// "info" line for each finished depth (each line, with MultiPV) and one
// "bestmove", with the reply the engine expects as its "ponder" move.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notation/Words.h"
#include "protocol/FrontEnd.h"

namespace galvetta {

class TUciControl : public TFrontEnd {
  public:
    explicit TUciControl(TFrontEndLink& link);

    int Interpret(const std::string& line) override;
    void EngineMoved(const std::optional<Move>& move, GameOutcome outcome) override;
    void SearchStopped() override;
    void Reported(const std::vector<SearchReport>& reports) override;
    void BookRefused(const std::string& why) override;
    void ResetGame() override { OnNewGame({}); }
    void InputEnded() override;

    // An engine move ("e2-e4", "e7-e8=Q") in UCI's form ("e2e4", "e7e8q");
    // "0000" for anything that is not a move.
    static std::string UciMove(std::string_view engine_move);
    // An engine score as "cp 35" or "mate -2".
    static std::string ScoreText(int32_t engine_score);

  private:
    void OnUci(const Words& words);
    void OnIsReady(const Words& words);
    void OnSetOption(const Words& words);
    void OnNewGame(const Words& words);
    void OnPosition(const Words& words);
    void OnGo(const Words& words);
    void OnStop(const Words& words);
    void OnPonderHit(const Words& words);
    void OnQuit(const Words& words);
    void OnIgnored(const Words& words);
    // The limits a "go" line names.
    SearchLimits ParseGo(const Words& words);
    // Puts the board back where the last "position" left it, when the
    // engine's own moves have moved it on since.
    void BackToPosition();
    // After a ponder search stopped without a hit: the board back to before
    // the reply it expected.
    void ForgetPonderLine();
    // Ends the "go": its info lines, then "bestmove" with the expected reply
    // ("bestmove 0000" when there is no move).
    void Answer(std::optional<Move> move);
    // Answers now, or holds the answer while the search is a ponder search.
    void Hold(std::optional<Move> move);
    void Write(const std::string& line);

    TFrontEndLink& link_;
    TGame& game_;
    bool searching_ = false; // a "go" waits for its bestmove
    bool infinite_ = false;  // the bestmove waits for "stop"
    bool pondering_ = false; // the bestmove waits for "ponderhit" or "stop"
    // A search that ended before it could be answered: its move, or none.
    std::optional<std::optional<Move>> held_answer_;
    SearchLimits ponder_limits_; // the limits a ponder hit puts the search under
    uint64_t node_limit_ = 0;    // the last "go nodes N" (0: none)
    // The game as the last "position" set it (the start and the moves it
    // named), and the moves on the board since that start, the engine's too.
    // A "position" that repeats the game with a move or two more plays only
    // those, and one that differs only in the last (a ponder miss: the reply
    // expected) takes it back; the game goes on as one. A refused one leaves no position to search until
    // the next.
    std::string start_;
    std::vector<std::string> moves_;
    std::vector<std::string> played_;
    bool position_ok_ = true;
};

} // namespace galvetta
