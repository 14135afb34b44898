// The WinBoard front-end: the command interpreter with everything it writes
// to standard output, the window's Move, MoveBack, ResetGame and Stop actions
// and the 100 ms move timer. It plays through TGame, turning each command
// into a game call and each outcome and engine move into its protocol line;
// without a window it runs the same.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/Game.h"
#include "game/UciControl.h"

namespace galvetta {

class TStandardInputThread;

class TGameControl {
  public:
    TGameControl(TBoardModel& board, ChessClock& white, ChessClock& black, GameView& view,
                 TStandardInputThread* reader);
    ~TGameControl();

    // One protocol or command-box line. Returns 1 when its first word is not
    // a known command, else 0.
    int InterpretCommand(const std::string& line);
    // Writes a line to the interface (flushed at once) and mirrors it in the
    // conversation item and the sent-lines memo.
    void SendToInterface(const std::string& line);
    // "5" is 300 seconds, "0:30" is 30 seconds.
    static int ParseMinutes(const std::string& text);
    // A whole signed decimal number, or `fallback` for anything else.
    static int StrToIntDef(const std::string& text, int fallback);
    void SetStatusPanel(const std::string& text, int index);

    // The window's actions.
    void ResetGameExecute();
    void MoveBackExecute() { game_.TakeBack(); }
    // Starts the engine; `from_board` when a move on the board asked for it.
    void MoveExecute(bool from_board) { game_.Think(from_board); }
    void StopExecute() { game_.Stop(); }
    // Ends a running search at once and drops its move: no move line, and the
    // board, the clocks and the move number stay as they are.
    void AbandonSearch() { game_.AbandonSearch(); }
    // The conversation server's macro and poke.
    void ExecuteMacro(const std::vector<std::string>& lines);
    void PokeCommand(const std::string& text);

    // One tick of the 100 ms move timer: the clocks, the time budget and the
    // generated-moves display, and (for callers without wake-ups) an input
    // line or else a finished search.
    void OnMoveTimer();
    // Interprets the input line that waits, if any; true when there was one.
    bool TakeInputLine();
    // Collects the search if its thread has ended: the report, the move, mate
    // and autoplay.
    void CollectFinishedSearch() { game_.CollectFinishedSearch(); }
    void CopyBoardToEngine() { game_.CopyBoardToEngine(); }

    // Board event handlers.
    void scacchieraAfterMove() { game_.scacchieraAfterMove(); }
    void scacchieraValidateMove(bool& move_is_legal) { game_.scacchieraValidateMove(move_is_legal); }
    void scacchieraGameRestarted() { game_.scacchieraGameRestarted(); }

    void SetHold(bool on) { game_.SetHold(on); }
    void SetEditMode(bool on) { game_.SetEditMode(on); }
    void SetAutoPlay(bool on) { game_.SetAutoPlay(on); }
    bool Hold() const { return game_.Hold(); }
    bool EditMode() const { return game_.EditMode(); }
    bool AutoPlay() const { return game_.AutoPlay(); }

    // From now on every line is UCI: after "uci" as the first input line, or
    // from the start with --uci.
    void SpeakUci();
    bool SpeaksUci() const { return uci_ != nullptr; }

    TGame& Game() { return game_; }
    TEngineDriver& Driver() { return game_.Driver(); }
    const std::string& Statistics() const { return game_.Statistics(); }

    // Where protocol lines go; standard output unless a test replaces it.
    std::function<void(const std::string&)> WriteLine;
    // The greeting's web address.
    static constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";

  private:
    // One handler per protocol command, given the line's words.
    using Words = std::vector<std::string>;
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

    // The engine's move as the protocol has it, then its mate and autoplay.
    void OnEngineMoved(const std::string& move, GameOutcome outcome);
    // The line that answers an outcome: a result, or the refusal of "go".
    static const char* OutcomeLine(GameOutcome outcome);

    TBoardModel& board_;
    GameView& view_;
    TStandardInputThread* reader_;
    TGame game_;
    std::unique_ptr<TUciControl> uci_;
    bool first_line_ = true;

  public:
    // The game's side and planning, as the interpreter's tests watch them.
    bool& EngineWhite = game_.EngineWhite;
    PlanningStats& Planning = game_.Planning;
};

} // namespace galvetta
