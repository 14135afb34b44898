// The play of a game: the WinBoard command interpreter with everything it
// writes to standard output, the Move, MoveBack, ResetGame and Stop actions,
// the board's event handlers and the 100 ms move timer. It acts on the board
// model, the two clocks and the engine driver, and tells the window what to
// show through GameView; without a window it runs the same.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "game/BoardModel.h"
#include "game/ChessClock.h"
#include "game/EngineDriver.h"
#include "game/TimePlanning.h"

namespace galvetta {

class TStandardInputThread;

// What the window shows of the game. Every hook has an empty default so that
// tests and the headless program implement only what they watch.
class GameView {
  public:
    virtual ~GameView() = default;
    virtual void SetStatusPanel(int /*index*/, const std::string& /*text*/) {}
    virtual void SentLineAdded(const std::string& /*line*/) {}
    virtual void SentLinesCleared() {}
    virtual void ReceivedLineAdded(const std::string& /*line*/) {}
    // The conversation item "Command" has a new value.
    virtual void CommandItemChanged(const std::string& /*value*/) {}
    // Hold, edit mode or autoplay changed.
    virtual void ModesChanged() {}
    virtual void StatisticsChanged(const std::string& /*text*/) {}
    virtual void EngineMoveShown(const std::string& /*move*/) {}
    virtual void PositionShown(const std::string& /*position*/) {}
    virtual void GeneratedMovesShown(const std::string& /*text*/) {}
    virtual void PlanningShown(const std::string& /*moves*/, const std::string& /*ms*/, int /*depth*/) {}
    virtual void CloseRequested() {}
};

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
    void MoveBackExecute();
    // Starts the engine; `from_board` when a move on the board asked for it.
    void MoveExecute(bool from_board);
    void StopExecute();
    // Ends a running search at once and drops its move: no move line, and the
    // board, the clocks and the move number stay as they are.
    void AbandonSearch();
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
    void CollectFinishedSearch();
    void CopyBoardToEngine();

    // Board event handlers.
    void scacchieraAfterMove();
    void scacchieraValidateMove(bool& move_is_legal);
    void scacchieraGameRestarted();

    void SetHold(bool on);
    void SetEditMode(bool on);
    void SetAutoPlay(bool on);
    bool Hold() const { return hold_; }
    bool EditMode() const { return edit_mode_; }
    bool AutoPlay() const { return autoplay_; }

    TEngineDriver& Driver() { return driver_; }
    const std::string& Statistics() const { return statistics_; }

    bool EngineWhite = false;
    PlanningStats Planning;
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
    void OnIgnored(const Words& words);

    ChessClock& EngineClock() { return EngineWhite ? white_ : black_; }
    ChessClock& OpponentClock() { return EngineWhite ? black_ : white_; }
    void CollectSearch();
    // Before "go": false, with the line the interface waits for, when the
    // engine cannot load the position or the side to move has no move left.
    bool GameCanGoOn();
    bool ValidPromotion(const std::string& move);

    TBoardModel& board_;
    ChessClock& white_;
    ChessClock& black_;
    GameView& view_;
    TStandardInputThread* reader_;
    TEngineDriver driver_;
    bool hold_ = false;
    bool edit_mode_ = false;
    bool autoplay_ = false;
    int tick_counter_ = 10;
    std::string statistics_;
    std::string move_text_;
    std::string position_memo_;
};

} // namespace galvetta
