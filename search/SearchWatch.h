// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that ends a search: it raises the engine's finish request
// (the search completes the iteration it is in) and its stop request (the
// search is abandoned within 65,536 nodes). It does so when a search's
// limits say (the budget, the hard time limit, a mate found; the engine keeps
// the node limit itself)
// on a thread of its own, and when the game asks.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/state_block.h"
#include "search/SearchLimits.h"

namespace galvetta {

class TSearchWatch {
  public:
    using Clock = std::chrono::steady_clock;

    // Why a search was stopped: not at all, to be dropped (its move is not
    // wanted), or to be answered with its last finished iteration.
    enum class Cause { None, Dropped, Cut };

    explicit TSearchWatch(StateBlock& block) : block_(block) {}
    ~TSearchWatch() { End(); }
    TSearchWatch(const TSearchWatch&) = delete;
    TSearchWatch& operator=(const TSearchWatch&) = delete;

    // A search starts at `start` under `limits`: the finish request is cleared
    // and the limits watched until End.
    void Begin(const SearchLimits& limits, Clock::time_point start);
    // The search has ended: no request is raised any more.
    void End();
    // The running search's limits change (a ponder hit): they count from
    // `start`. With `watch_depth`, the search is also cut once an iteration
    // of limits.depth has finished.
    void Retarget(const SearchLimits& limits, Clock::time_point start, bool watch_depth = false);

    // The search is cut at `when` at the latest.
    void CutBy(Clock::time_point when);

    // Requests from the game; safe from any thread.
    void Drop() { Stop(Cause::Dropped); }
    void Cut() { Stop(Cause::Cut); }
    void Finish();
    // Clears both requests, as before a search.
    void Clear();

    // Why the last search was stopped (read once it has ended).
    Cause StopCause() const { return cause_.load(std::memory_order_acquire); }
    bool StopRequested() const;

  private:
    void Stop(Cause cause);
    void Watch();
    // Raises what the limits call for at `now`; the next time to look again.
    Clock::time_point Check(Clock::time_point now);

    StateBlock& block_;
    std::atomic<Cause> cause_{Cause::None};
    std::mutex mutex_; // guards the limits below and `ended_` against the watching thread
    std::condition_variable changed_;
    bool ended_ = true;
    bool finished_ = false; // the budget has raised its request
    Clock::time_point budget_at_{}, hard_at_{};
    bool has_budget_ = false, has_hard_ = false;
    int mate_ = 0;
    int depth_ = 0; // 0: the engine keeps its own depth
    std::thread thread_;
};

} // namespace galvetta
