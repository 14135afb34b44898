// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/StandardInputThread.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace galvetta {

TStandardInputThread::TStandardInputThread(int fd) : fd_(fd) {
    thread_ = std::thread(&TStandardInputThread::Execute, this);
}

TStandardInputThread::~TStandardInputThread() {
    terminate_.store(true);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        taken_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

void TStandardInputThread::SetWakeUp(std::function<void()> wake_up) {
    std::lock_guard<std::mutex> lock(wake_mutex_);
    wake_up_ = std::move(wake_up);
}

void TStandardInputThread::WakeUp() {
    std::lock_guard<std::mutex> lock(wake_mutex_);
    if (wake_up_) wake_up_();
}

std::string TStandardInputThread::PopString() {
    if (!NewData()) return "";
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line;
    line.swap(buffer_);
    delivered_ = true;
    new_data_.store(false, std::memory_order_release);
    taken_.notify_all();
    return line;
}

bool TStandardInputThread::ReadLine(std::string& line) {
    line.clear();
    bool cut = false;
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            if (!cut) line.append(pending_, 0, std::min(end, MAX_LINE - line.size()));
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        // No line end yet: keep what fits and read on.
        if (!cut) {
            line.append(pending_, 0, std::min(pending_.size(), MAX_LINE - line.size()));
            cut = line.size() >= MAX_LINE;
        }
        pending_.clear();
        if (input_closed_) return !line.empty();

        pollfd p{fd_, POLLIN, 0};
        const int ready = poll(&p, 1, 10);
        if (terminate_.load()) return false;
        if (ready <= 0) continue;
        char chunk[4096];
        const ssize_t n = read(fd_, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            input_closed_ = true;
            continue;
        }
        pending_.append(chunk, static_cast<size_t>(n));
    }
}

void TStandardInputThread::Execute() {
    std::string line;
    while (!terminate_.load()) {
        if (!ReadLine(line)) {
            if (terminate_.load()) return;
            // End of input: nothing more will come; keep the thread idle.
            if (!at_end_.exchange(true, std::memory_order_acq_rel)) WakeUp();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (line.empty()) continue; // empty lines are never handed over
        std::unique_lock<std::mutex> lock(mutex_);
        buffer_ = std::move(line);
        new_data_.store(true, std::memory_order_release);
        lock.unlock();
        WakeUp();
        lock.lock();
        taken_.wait(lock, [this] { return !new_data_.load() || terminate_.load(); });
    }
}

} // namespace galvetta
