// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SearchWatch.h"

#include "notation/Score.h"

namespace galvetta {

namespace {

void store(uint32_t& word, uint32_t value) {
    std::atomic_ref<uint32_t>(word).store(value, std::memory_order_relaxed);
}

// How often a mate or a depth is looked for in the iterations finished.
constexpr auto ITERATION_POLL = std::chrono::milliseconds(1);

} // namespace

void TSearchWatch::Clear() {
    cause_.store(Cause::None, std::memory_order_release);
    store(block_.header.stop_request, 0);
    store(block_.header.finish_request, 0);
}

bool TSearchWatch::StopRequested() const {
    return (std::atomic_ref<uint32_t>(block_.header.stop_request).load(std::memory_order_relaxed) & 1) != 0;
}

void TSearchWatch::Stop(Cause cause) {
    // A drop outweighs a cut: a search that nobody wants answered stays unanswered.
    Cause was = Cause::None;
    if (!cause_.compare_exchange_strong(was, cause) && cause == Cause::Dropped)
        cause_.store(Cause::Dropped, std::memory_order_release);
    store(block_.header.stop_request, 1);
}

void TSearchWatch::Finish() {
    store(block_.header.finish_request, 1);
}

void TSearchWatch::Begin(const SearchLimits& limits, Clock::time_point start) {
    End();
    // A stop asked for before the start still holds (it drops the search);
    // the finish request is the budget's alone.
    store(block_.header.finish_request, 0);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = false;
    }
    Retarget(limits, start);
    thread_ = std::thread(&TSearchWatch::Watch, this);
}

void TSearchWatch::Retarget(const SearchLimits& limits, Clock::time_point start, bool watch_depth) {
    const auto at = [start](double ms) {
        return start + std::chrono::microseconds(static_cast<int64_t>(ms * 1000));
    };
    {
        std::lock_guard<std::mutex> lock(mutex_);
        has_budget_ = limits.budget_ms > 0;
        budget_at_ = at(limits.budget_ms);
        has_hard_ = limits.hard_ms >= 0;
        hard_at_ = at(limits.hard_ms);
        mate_ = limits.lines > 1 ? 0 : limits.mate; // several lines are searched in runs of their own
        depth_ = watch_depth && limits.depth > 0 && limits.depth < MAX_SEARCH_DEPTH ? limits.depth : 0;
        finished_ = false;
    }
    changed_.notify_all();
}

void TSearchWatch::CutBy(Clock::time_point when) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (has_hard_ && hard_at_ <= when) return;
        has_hard_ = true;
        hard_at_ = when;
    }
    changed_.notify_all();
}

void TSearchWatch::End() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

TSearchWatch::Clock::time_point TSearchWatch::Check(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    if (has_hard_) {
        if (now >= hard_at_) {
            Cut();
            return next;
        }
        next = hard_at_;
    }
    if (mate_ > 0 || depth_ > 0) {
        // A mate as short as asked for, or the depth asked for, ends the
        // search with the iteration that reached it.
        const uint32_t count =
            std::atomic_ref<uint32_t>(block_.iteration_log.count).load(std::memory_order_acquire);
        if (count > 0) {
            const IterationRecord& last = block_.iteration_log.records[(count - 1) % ITERATION_RECORDS];
            const int mate = MateMoves(last.score);
            if ((mate_ > 0 && mate > 0 && mate <= mate_) || (depth_ > 0 && last.depth >= depth_)) {
                Cut();
                return Clock::time_point::max();
            }
        }
        next = std::min(next, now + ITERATION_POLL);
    }
    if (has_budget_ && !finished_) {
        if (now >= budget_at_) {
            Finish();
            finished_ = true;
        } else {
            next = std::min(next, budget_at_);
        }
    }
    return next;
}

void TSearchWatch::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ended_) {
        const Clock::time_point next = Check(Clock::now());
        if (next == Clock::time_point::max())
            changed_.wait(lock);
        else
            changed_.wait_until(lock, next);
    }
}

} // namespace galvetta
