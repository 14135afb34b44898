// Calls a function at a deadline on a thread of its own, unless cancelled
// first. The function runs off the main thread, so it may only touch what is
// safe from there (the driver's RequestStop, say).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace galvetta {

class TAlarm {
  public:
    ~TAlarm() { Cancel(); }

    // Replaces any alarm still set.
    void Set(std::chrono::steady_clock::time_point when, std::function<void()> ring) {
        Cancel();
        cancelled_ = false;
        thread_ = std::thread([this, when, ring = std::move(ring)] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!changed_.wait_until(lock, when, [this] { return cancelled_; })) ring();
        });
    }

    // Once it returns, the function is not running and will not run.
    void Cancel() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    std::thread thread_;
};

} // namespace galvetta
