// SPDX-License-Identifier: GPL-3.0-or-later
// The engine driver: one engine state block, the search thread with the
// watch that ends it, the legality test, and the application of the engine's
// move to the position text with its statistics report. The time control
// and the clocks are the game's.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/state_block.h"
#include "notation/Move.h"
#include "search/SearchLimits.h"
#include "search/SearchWatch.h"

namespace galvetta {

// One finished iteration of a search, as a front-end reports it.
struct SearchReport {
    int depth = 0;
    int seldepth = 0;
    int line_number = 1; // 1 unless several lines are searched
    int32_t score = 0;   // engine units: the position's value, from the view of the side to move
    uint64_t nodes = 0;  // searched since the search started
    double ms = 0;       // since the search started
    // The line, legal from the search's position: the first move is the
    // iteration's move, the second the reply it expects.
    std::vector<Move> line;
};

class TEngineDriver {
  public:
    // Plies between the planned searches' iterations, and their first depth.
    static constexpr int PLANNED_DEPTH_STEP = 4;

    TEngineDriver();
    // Stops a running search and waits for its thread before the block goes.
    ~TEngineDriver();
    TEngineDriver(const TEngineDriver&) = delete;
    TEngineDriver& operator=(const TEngineDriver&) = delete;

    // Asks the search to end; its move is dropped. Does not wait.
    void StopSearch();
    // Stops a running search, waits for its thread and drops its result: it is
    // never collected. Returns true when a search was running.
    bool AbandonSearch();
    // Asks the search to end now and be answered with its last finished
    // iteration. Does not wait.
    void CutSearch();
    // The running search is cut within `ms` milliseconds at the latest.
    void CutWithin(double ms);
    void ResetSearchFlags();
    // The next search's depths, budget and other limits; the block's counters
    // start afresh.
    void SetSearchLimits(const SearchLimits& limits);
    // The limits of the running or last search, as they were set.
    const SearchLimits& Limits() const { return limits_; }
    // Starts the search thread on the block under the limits last set (none
    // unless set). A search still running or not yet collected is stopped and
    // its result dropped first.
    void StartSearch();
    // A "search" that answers with a book move at once, collected like any.
    void StartBookMove(const Move& move);
    // The last collected search was a book move.
    bool LastWasBook() const { return !book_move_.empty(); }
    // True exactly once per search, when its thread has ended; collects it.
    // With `wait`, waits for a running search to end.
    bool SearchFinished(bool wait = false);
    bool SearchRunning() const { return thread_.joinable(); }

    // How the last collected search ended: of itself, dropped at a request,
    // or cut short at a limit (to be answered with its last iteration).
    enum class SearchEnd { Complete, Dropped, Cut };
    SearchEnd LastSearchEnd() const { return collected_end_; }
    // The design's name: the last collected search was dropped.
    bool StopWasRequested() const { return collected_end_ == SearchEnd::Dropped; }
    // For a search that was cut: its last finished iteration's move and score
    // become the block's result (a one-ply search's when none finished).
    // False when there is no move at all.
    bool TakeLastIteration();
    // The move the running or last search would answer with now; none when
    // the position has none.
    std::optional<Move> BestMoveSoFar() const;

    // Non-zero when the engine's legality test accepts the move in the block's
    // position. Works on a copy of the block.
    int IsLegalMove(const std::string& move);
    enum class GameEnd { None, Checkmate, Stalemate };
    // Whether the side to move in `position` (a position text) is mated or
    // stalemated. A position the engine cannot load is None. Works on a block
    // of its own, so a running search is not disturbed.
    static GameEnd EndOfGame(const std::string& position);
    // A one-ply search's move in `position`; none when there is none. On a
    // block of its own, like EndOfGame.
    static std::optional<Move> QuickMove(const std::string& position);
    // Applies the block's move text to its position text; 1 done, 0 rejected.
    int ApplyEngineMove();
    // Writes the statistics report in front of `statistics`, sets the
    // position text, applies the move and returns it (none when the search
    // left none) with the score in pawns.
    struct MoveReport {
        std::optional<Move> move;
        int score = 0;
    };
    MoveReport ReportMove(std::string& statistics, std::string& position_memo);
    double GeneratedMoves() const;
    double PlayedMoves() const;

    // Measures ElapsedMs from the start of the last search to now, in
    // milliseconds of a monotonic clock (so midnight is no edge).
    void MeasureElapsed();
    // The iterations the running or last search has finished since the last
    // call (a few of the newest, should many have finished).
    std::vector<SearchReport> TakeReports();
    // The last finished iteration's report (of line 1), if any finished.
    std::optional<SearchReport> LastReport() const;
    // The position the running or last search started from.
    const std::string& RootPosition() const { return root_position_; }
    // The iterations the running or last search has finished so far, and
    // each one's record (index below that count; the newest 64 are kept).
    uint32_t IterationsFinished() const;
    const IterationRecord& Iteration(uint32_t index) const;
    // The running search's node count, as it last published it.
    uint32_t NodesSoFar() const;
    // The running search's limits change, counting from now (a ponder hit).
    void RetargetSearch(const SearchLimits& limits);

    // The game's move number lives in the block and changes only here: up by
    // one for each move the engine plays, down by one for each take-back, and
    // back to 0 (with any search stopped) when the game restarts.
    int MoveNumber() const { return Block->header.move_number; }
    void MoveTakenBack();
    void GameRestarted();
    // A game read from a file: `engine_moves` moves are counted as played.
    void GameLoaded(int engine_moves) { SetMoveNumber(engine_moves); }

    // The position the next search starts from (a position text).
    void SetPosition(std::string_view position);
    // The block's position text: after a search's move, the position it led to.
    std::string PositionText() const;
    // The move the last search left; none when it left none.
    std::optional<Move> LeftMove() const;
    void ClearMoveText();
    // The last search's score as the value of its root position, from the
    // view of the side that was to move there (engine units; a mate score as
    // it is): the one score every page and front-end shows. And whether it
    // found a mate for the side that moved.
    int32_t PositionScore() const;
    bool FoundMate() const;
    // The last search's time, which the planning reads (milliseconds).
    double ElapsedMs = 1000.0;
    double BudgetMs = 0.0;

    // Called on the search thread as it ends, so that the main thread can
    // collect the search at once; it must only schedule that (for example with
    // a queued call). Null stops the calls; once it returns, no call is running.
    void SetSearchEnded(std::function<void()> search_ended);

    // Sounds the error beep (the engine's error flag); the window sets it.
    std::function<void()> ErrorBeep;

  private:
    friend struct TEngineDriverProbe; // the driver's tests look into the block
    // The engine state block, owned for the driver's whole life; only the
    // driver and its search thread touch it.
    const std::unique_ptr<StateBlock> Block;
    void JoinSearch();
    void SetMoveNumber(int value);
    // The search thread's body: one engine run, or a run for each line and
    // depth when several lines are searched.
    void RunSearch();
    void SearchLines();
    // The report of an iteration record, its line checked from the search's position.
    SearchReport ReportOf(const IterationRecord& record, uint64_t nodes_before) const;
    void SetRootFilter(const std::vector<LineMove>& moves, bool only);

    TSearchWatch watch_;
    SearchLimits limits_;
    std::thread thread_;
    std::atomic<bool> thread_done_{false};
    std::mutex ended_mutex_; // guards search_ended_ against a change while it runs
    std::function<void()> search_ended_;
    SearchEnd collected_end_ = SearchEnd::Complete;
    std::chrono::steady_clock::time_point start_time_{};
    std::string root_position_; // the position the search started from
    int32_t root_value_ = 0;    // ... and its own value, which reports add
    std::string book_move_;     // the move a book "search" answers with
    // The last real search's figures, which the planning reads: a book move
    // leaves them as they were.
    uint32_t planning_generated_[2] = {0, 0};
    double planning_elapsed_ = 0;
    uint32_t reported_ = 0; // single line: iterations taken as reports
    // Several lines: the reports of each depth as the search thread finishes
    // them, guarded by the mutex; `taken_` counts those already taken.
    mutable std::mutex lines_mutex_;
    std::vector<SearchReport> line_reports_;
    size_t taken_ = 0;
};

} // namespace galvetta
