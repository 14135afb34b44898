// SPDX-License-Identifier: GPL-3.0-or-later
// Reads standard input (or another descriptor) one line at a time on a thread
// of its own and hands each line to the main thread through a single slot:
// the next line is not read until the main thread has taken the current one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace galvetta {

class TStandardInputThread {
  public:
    static constexpr size_t MAX_LINE = 32766; // longer lines are cut to this length

    // Starts reading `fd` at once.
    explicit TStandardInputThread(int fd = 0);
    // Ends the thread (it polls, so it notices within a few milliseconds).
    ~TStandardInputThread();

    // True while a line waits for the main thread.
    bool NewData() const { return new_data_.load(std::memory_order_acquire); }
    // Takes the waiting line and lets the reader go on; "" when none waits.
    std::string PopString();
    // True once the input has ended and every line has been taken.
    bool AtEnd() const { return at_end_.load(std::memory_order_acquire) && !NewData(); }
    // Called on the reader's thread when a line waits and when the input has
    // ended, so that the main thread need not poll; it must only schedule the
    // work (for example with a queued call). Null stops the calls; once it
    // returns, no call is running.
    void SetWakeUp(std::function<void()> wake_up);

    // True once a line has been taken: somebody was writing to us.
    bool Delivered() const { return delivered_; }

  private:
    void Execute();
    void WakeUp();
    // Reads one line (without its end) into `line`; false at end of input.
    bool ReadLine(std::string& line);

    int fd_;
    std::string buffer_;        // the handed-over line, written before new_data_ is set
    std::string pending_;       // bytes read past the current line
    bool input_closed_ = false; // the descriptor reported its end (reader thread only)
    bool delivered_ = false;    // main thread only
    std::atomic<bool> new_data_{false};
    std::atomic<bool> at_end_{false};
    std::atomic<bool> terminate_{false};
    std::mutex mutex_;
    std::mutex wake_mutex_; // guards wake_up_ against a change while it runs
    std::function<void()> wake_up_;
    std::condition_variable taken_;
    std::thread thread_;
};

} // namespace galvetta
