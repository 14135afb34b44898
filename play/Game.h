// SPDX-License-Identifier: GPL-3.0-or-later
// The game as any front-end plays it: the board model, the two clocks, the
// engine driver and the time planning, with the modes that hold the engine
// back. It writes no protocol text: a front-end turns its commands into these
// calls, and the outcomes and the engine's moves into its own lines.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "notation/GameFile.h"
#include "notation/Pgn.h"
#include "notation/Rules.h"
#include "play/BoardModel.h"
#include "play/ChessClock.h"
#include "play/EngineSettings.h"
#include "play/GameClock.h"
#include "play/GameRecord.h"
#include "play/TimeControl.h"
#include "search/EngineDriver.h"
#include "search/SearchLimits.h"
#include "search/TimePlanning.h"

namespace galvetta {

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
    virtual void EngineMoveShown(const std::optional<Move>& /*move*/) {}
    virtual void PositionShown(const std::string& /*position*/) {}
    virtual void GeneratedMovesShown(const std::string& /*text*/) {}
    virtual void PlanningShown(const std::string& /*moves*/, const std::string& /*ms*/, int /*depth*/) {}
    // Something went wrong that the person should know (a game not saved).
    virtual void NoticeShown(const std::string& /*text*/) {}
    // The game has ended (with `end` the rule, or None for a resignation, an
    // agreed draw or a loss on time), or, with an empty result, goes on again
    // after a take-back.
    virtual void GameEnded(const std::string& /*result*/, const std::string& /*reason*/, GameEnd /*end*/) {}
    virtual void CloseRequested() {}
    // The iterations a search finished, with the position it searches.
    virtual void SearchReported(const std::vector<SearchReport>& /*reports*/,
                                const std::string& /*position*/) {}
};

// How a game stands when the engine cannot or need not move on.
// IllegalPosition: no game reaches the position (the side not to move is in
// check, after a set-up or a change of the side to move).
enum class GameOutcome { None, TooManyPieces, IllegalPosition, WhiteMates, BlackMates, Stalemate };

// How a finished game ended: on the board by rule, by resignation, by an
// agreed draw or on time.
struct GameResult {
    std::string result;      // "1-0", "0-1", "1/2-1/2"
    std::string reason;      // "Draw by repetition", "White resigns", ...
    std::string termination; // PGN's Termination: "normal", "time forfeit"
    GameEnd end = GameEnd::None;
    size_t plies = 0; // the positions of the game when it ended
};

// The depth of the engine's search in an untimed game when the person chose
// none (the level slider's first position).
inline constexpr int UNTIMED_DEPTH = 8;

class TGame {
  public:
    TGame(TBoardModel& board, ChessClock& white, ChessClock& black, GameView& view);
    ~TGame();
    TGame(const TGame&) = delete;
    TGame& operator=(const TGame&) = delete;

    // The starting position with the engine as Black, no search, no hold or
    // edit mode, and the planning's statistics afresh.
    void NewGame();
    // A new game from `position` (a position text), as NewGame otherwise;
    // its move counters are the FEN's.
    void NewGameFrom(const std::string& position, int halfmove_clock = 0, int64_t move_number = 1);
    // A game read from a file (its positions, the start first): it is put
    // on the board with no search, and play goes on as after a take-back,
    // the engine taking the side not to move. The file's tags and result
    // stay in the record, and a side named "Galvetta" is the engine's.
    void LoadGame(const OpenedGame& opened);
    // The game as it stands is in a file a person chose; whether it still is.
    void MarkFiled() { record_.MarkFiled(board_.Positions()); }
    bool Filed() const { return record_.Filed(board_.Positions()); }
    // The game so far as a PGN record: the names, the date, the time control
    // and a set-up position, the moves and the result.
    PgnGame Record() const;
    // The FEN of the game's position `index` (0: its start), with the
    // counters the game had reached there.
    std::string FenAt(size_t index) const;
    // Where each game is appended as PGN when it ends: a descriptor open for
    // appending (the game owns it from now on), or -1 for nowhere.
    void SetSaveGames(int fd) { games_file_.Open(fd); }
    // Appends the game to the games file, once, unless it has no moves or no
    // file is set. False, with a notice, when the file cannot be written.
    bool SaveGame();

    // The opponent's move in coordinates ("e2e4", "e7e8q"); false when the
    // board refuses it.
    bool PlayMove(const std::string& move);
    // Takes back the last move, dropping any search.
    void TakeBack();
    // In a person's game: back to the person's move, two plies when the
    // engine has replied, one when it has not; no clock runs then.
    void TakeBackToPerson();
    // The engine plays `white`, and that side is put on move.
    void SetEngineSide(bool white);
    // Drops any search and holds the engine back until the next Go.
    void Force();
    // The engine takes the side to move and starts its search within
    // `limits`. Returns None when it did, else why it cannot: the position
    // does not fit the engine, or the side to move is mated or stalemated.
    GameOutcome Go(const SearchLimits& limits = {});
    // Starts the engine on the current position within `limits`, unless held
    // back; `from_board` when a move on the board asked for it.
    void Think(bool from_board, const SearchLimits& limits = {});
    // Asks the search to end now; its move is dropped (the Stop action).
    void Stop();
    // Ends the search now and plays the move of its last finished iteration
    // (or of a one-ply search): the engine's move is made before this returns.
    void MoveNow();
    // A running search ends within `ms` milliseconds at the latest, answered
    // with its last finished iteration.
    void AnswerWithin(double ms) { driver_.CutWithin(ms); }
    // Searches the current position within `limits` without playing: the
    // clocks do not run, the board stays free, and when the search ends (of
    // itself, or by StopAnalysis) AnalysisEnded is called and nothing is played.
    void Analyze(const SearchLimits& limits);
    bool Analyzing() const { return analyzing_ && driver_.SearchRunning(); }
    // Ends an analysis; the best move it found so far (none when the
    // position has none, or no analysis ran).
    std::optional<Move> StopAnalysis();
    // A running search's limits change, counting from now; planned limits are
    // planned afresh (a ponder hit: the search goes on, now on the clock).
    void Retarget(const SearchLimits& limits);
    // How the game stands on the board: mate, stalemate or a draw by rule.
    Verdict Judge() const;
    // How the game ended, once it has.
    const std::optional<GameResult>& Result() const { return result_; }
    bool GameOver() const { return result_.has_value(); }
    // Ends the game when the board says it is over; true when it is over.
    bool CheckGameEnd();
    // The side resigns; the game ends.
    void Resign(bool white);
    // A draw offered to the engine: accepted where the rules draw the game, or
    // where the engine's last search found a draw or worse for itself. True
    // when accepted (the game then ends).
    bool OfferDraw();
    // A game that ends on the board stops there: no clock runs and the engine
    // does not search. Under an interface the interface decides instead, and
    // only the record ends there.
    void SetStopAtGameEnd(bool on) { stop_at_game_end_ = on; }
    bool StopsAtGameEnd() const { return stop_at_game_end_; }
    // Ends a running search at once and drops its move: no move, and the
    // board, the clocks and the move number stay as they are.
    void AbandonSearch();
    bool Searching() const { return driver_.SearchRunning(); }

    // `moves` per control; a missing base or increment leaves the rest as it
    // was (an interface may send the arguments one at a time). With both, the
    // fixed time per move ends and the clocks start from the base.
    void SetTimeControl(int moves, std::optional<int> base_seconds, std::optional<int> increment_seconds);
    void SetSecondsPerMove(double seconds);
    // A person's choice: the control set and both clocks started from its base.
    void SetTimeControl(const TimeControl& control);
    // The game's one time control, whichever protocol or person set it.
    const TimeControl& Control() const { return clock_.Control(); }
    // Nobody states the control (UCI gives clocks, never a control): the
    // record says it is unknown until a control is set.
    void SetControlUnknown() { clock_.SetControlKnown(false); }
    // The times an interface gives (milliseconds); the clocks run as they did.
    void SetEngineTime(int64_t ms) { clock_.SetTime(engine_white_, ms); }
    void SetOpponentTime(int64_t ms) { clock_.SetTime(!engine_white_, ms); }
    void SetTimes(int64_t white_ms, int64_t black_ms) {
        clock_.SetTime(true, white_ms);
        clock_.SetTime(false, black_ms);
    }
    // The evaluations of the game's positions (index: the ply after which,
    // as Positions()), from White's view: the engine's after each of its
    // moves, an analysis' where one ran, a file's where it gave them. One
    // entry a position; none where nothing evaluated it.
    std::vector<std::optional<MoveEvaluation>> Evaluations() const;
    // An analysis of the game's position reported `report` (its score from
    // the view of the side to move): kept when it goes deeper than what was.
    void NoteAnalysis(const SearchReport& report);

    // The game's clock, to read: the window and the front-ends say what
    // happened through the game, never to the clock.
    const TGameClock& Clock() const { return clock_; }
    // The person looks at an earlier position, and comes back: the clocks wait.
    void PauseClocks() { clock_.Pause(); }
    void ResumeClocks();

    // One tick of the 100 ms move timer: the clocks and their flags. True
    // when a second has passed.
    bool Tick();
    void ShowGeneratedMoves();
    // Collects the search if its thread has ended: the report, the move on
    // the board, mate, then EngineMoved.
    void CollectFinishedSearch();
    void CopyBoardToEngine();

    // Called when the engine's move has been played on the board: the move
    // (none when it had none) and WhiteMates or BlackMates when it mates,
    // else None.
    std::function<void(const std::optional<Move>& move, GameOutcome outcome)> EngineMoved;
    // Called when a search that was dropped has been collected; its move is
    // not played.
    std::function<void()> SearchStopped;
    // Called when an analysis has ended of itself.
    std::function<void()> AnalysisEnded;
    // The game has ended (its result is Result()).
    std::function<void()> Ended;

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

    // The game's position and its positions so far (the start first), and
    // the side to move.
    const std::string& Position() const { return board_.GetPosition(); }
    const std::vector<std::string>& Positions() const { return board_.Positions(); }
    bool WhiteToMove() const;
    // The side to move is neither mated nor stalemated (true too for a
    // position the engine cannot take).
    bool SideToMoveCanMove() const;
    // An interface's set-up: one square or command of edit mode ("Pe4",
    // "xe4", "#"); false when it is none.
    bool EditSquare(const std::string& token) { return board_.SetSquare(token); }

    // What the search has found: its last finished iteration (none before
    // the first), the move it would answer with now, the nodes it searched,
    // and the iterations finished since the last call, with the position
    // they belong to. The limits of the last search, and the engine's moves
    // in the game.
    std::optional<SearchReport> LastReport() const { return driver_.LastReport(); }
    std::optional<Move> BestMoveSoFar() const { return driver_.BestMoveSoFar(); }
    uint32_t NodesSearched() const { return driver_.NodesSoFar(); }
    std::vector<SearchReport> TakeReports() { return driver_.TakeReports(); }
    const std::string& SearchedPosition() const { return driver_.RootPosition(); }
    const SearchLimits& LastLimits() const { return driver_.Limits(); }
    int EngineMoves() const { return driver_.MoveNumber(); }
    // Called on the search's thread when a search has ended (to wake the
    // main thread), and when the engine's error flag is raised.
    void SetSearchEnded(std::function<void()> search_ended) {
        driver_.SetSearchEnded(std::move(search_ended));
    }
    void SetErrorBeep(std::function<void()> beep) { driver_.ErrorBeep = std::move(beep); }
    const std::string& Statistics() const { return statistics_; }
    // The statistics of earlier games are gone (the window's new game).
    void ClearStatistics();

    // The side the engine plays; SetEngineWhite leaves the side to move as it is.
    bool EngineWhite() const { return engine_white_; }
    void SetEngineWhite(bool white) { engine_white_ = white; }
    // The engine's options and book (see TEngineSettings).
    void SetBookChosen(bool chosen) { settings_.SetBookChosen(chosen); }
    bool BookChosen() const { return settings_.BookChosen(); }
    const EngineOptions& Options() const { return settings_.Options(); }
    std::string SetOptions(const EngineOptions& options) { return settings_.Set(options); }
    // The same for a change to the options as they are.
    template <class Change> std::string ChangeOptions(Change change) {
        EngineOptions options = settings_.Options();
        change(options);
        return SetOptions(options);
    }
    // The opening book: while the book is wished for and has the position,
    // the engine plays a book move at once, chosen in proportion to the
    // weights, instead of searching. The file is opened when its first move
    // is wanted, and looked at again before each use.
    // The book is on and open (opened now if it was not); false when it is
    // off or cannot be used, which is said once (BookRefused and a notice).
    bool BookReady() { return settings_.BookReady(); }
    // The book's entries for the position (none when it is not ready).
    std::vector<BookEntry> BookEntries(std::string_view position) { return settings_.BookEntries(position); }
    // Why the book, wished for, cannot be used: every host hears it (an
    // interface's line, the window's status bar), once for each cause.
    std::function<void(const std::string& why)> BookRefused;
    // The opponent's name as an interface sent it (empty: the user's name),
    // and a result an interface sent ("1-0", "1/2-1/2"..., or "*" for words
    // that are no PGN result) with its comment: they go into the record.
    void SetOpponentName(const std::string& name) { record_.SetOpponentName(name); }
    const std::string& OpponentName() const { return record_.OpponentName(); }
    void SetInterfaceResult(const std::string& result, const std::string& comment) {
        record_.SetInterfaceResult(result, comment);
    }

  private:
    void CollectSearch();
    // The mate of the side to move: WhiteMates when Black is to move.
    GameOutcome MateOutcome();
    bool ValidPromotion(const std::string& move);
    // The plan for a search under `limits`: the UCI clock's share, or the
    // design's planning from the game's control and clocks.
    PlanOutcome Plan(const SearchLimits& limits);
    // The limits of the next search: the planned depth, budget and hard
    // limit filled in where the front-end left them to the planning. For a
    // search `started` already (a ponder hit), only the times.
    SearchLimits PlanLimits(const SearchLimits& given, bool started = false);
    // The side that has just moved, told to the clock: the one on move now
    // is the other.
    void ClockAfterMove();
    // Which side plays on no clock: the person's, under a time a move.
    void ShowPersonsClock();
    void EndGame(GameResult result);
    // After a take-back: a game that had ended goes on again.
    void ReopenGame();

    TBoardModel& board_;
    GameView& view_;
    bool engine_white_ = false;
    bool stop_at_game_end_ = true;
    PlanningStats planning_;
    TEngineDriver driver_;
    TGameClock clock_;
    TEngineSettings settings_;
    bool hold_ = false;
    bool edit_mode_ = false;
    bool autoplay_ = false;
    bool analyzing_ = false;
    int tick_counter_ = 10;
    std::string statistics_;
    std::string position_memo_;
    TGameRecord record_;
    TGamesFile games_file_;
    std::optional<GameResult> result_;
};

} // namespace galvetta
