// The UCI front-end: the same game as the WinBoard front-end plays, spoken in
// UCI. "position" starts the game from a position and plays the moves given,
// "go" starts the engine within the limits it names, and the answers are an
// "info" line for each finished iteration and one "bestmove".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "game/Alarm.h"
#include "game/Game.h"

namespace galvetta {

class TUciControl {
  public:
    // Lines to the interface go through `write_line`.
    TUciControl(TGame& game, GameView& view, std::function<void(const std::string&)> write_line);
    ~TUciControl();

    // One line from the interface.
    void Interpret(const std::string& line);
    // Every 100 ms: new iterations as info lines, and the node limit.
    void OnTick();
    // From the game: the engine's move was played, or a stopped search ended.
    void OnEngineMoved(const std::string& move, GameOutcome outcome);
    void OnSearchStopped();

    // An engine move ("e2-e4", "e7-e8=Q") in UCI's form ("e2e4", "e7e8q").
    static std::string UciMove(std::string_view engine_move);
    // An engine score as "cp 35" or "mate -2".
    static std::string ScoreText(int32_t engine_score);

    static constexpr int MAX_DEPTH = 60;

  private:
    using Words = std::vector<std::string>;
    void OnUci();
    void OnNewGame();
    void OnPosition(const Words& words);
    void OnGo(const Words& words);
    void OnStop();
    // An info line for each iteration finished since the last one written.
    void ReportIterations();
    // Ends the "go": its info lines, then "bestmove".
    void Answer(const std::string& uci_move);
    // The move to answer a stopped search with: the last iteration's, else
    // a one-ply search's.
    std::string StoppedMove();
    void Write(const std::string& line) { write_line_(line); }

    TGame& game_;
    GameView& view_;
    std::function<void(const std::string&)> write_line_;
    TAlarm alarm_;
    bool searching_ = false;  // a "go" waits for its bestmove
    bool infinite_ = false;   // the bestmove waits for "stop"
    std::string held_answer_; // a finished infinite search's move
    uint32_t reported_ = 0;   // iterations written as info lines
    uint64_t node_limit_ = 0; // 0: none
    // The game as the last "position" left it, so that the next one, which
    // repeats it with a move or two more, plays only those.
    std::string start_;
    std::vector<std::string> moves_;
};

} // namespace galvetta
