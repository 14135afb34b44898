// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/GameClock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

namespace galvetta {

namespace {

constexpr int64_t MS_PER_SECOND = 1000;
constexpr const char* OUT_OF_TIME = " Tempo scaduto (out of time)";
constexpr const char* UNTIMED = "--:--";

int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TGameClock::TGameClock(ChessClock& white, ChessClock& black, Now now)
    : white_(white), black_(black), now_(now ? std::move(now) : Now(steady_ms)) {}

void TGameClock::SetControl(const TimeControl& control) {
    control_ = control;
    control_known_ = true;
    Restart();
}

void TGameClock::Restart() {
    const int64_t base = control_.seconds_per_move > 0
                             ? static_cast<int64_t>(std::ceil(control_.seconds_per_move)) * MS_PER_SECOND
                             : static_cast<int64_t>(control_.base_seconds) * MS_PER_SECOND;
    left_ms_[0] = left_ms_[1] = base;
    fallen_.reset();
    paused_ = false;
    on_ = true;
    Run(std::nullopt);
}

void TGameClock::SetTime(bool white, int64_t ms) {
    Charge();
    Left(white) = ms;
    if (ms > 0 && fallen_ == white) fallen_.reset();
    Show();
}

void TGameClock::Charge() {
    const int64_t now = now_();
    if (running_) Left(*running_) -= now - since_ms_;
    since_ms_ = now;
}

void TGameClock::Run(std::optional<bool> side) {
    Charge();
    // Untimed, no clock runs; nor does a side whose time is its opponent's
    // alone (a person's under a time a move).
    running_ = control_.Untimed() || side == untimed_side_ ? std::nullopt : side;
    Show();
}

void TGameClock::Start(bool white) {
    on_ = true;
    paused_ = false;
    if (fallen_) return;
    Run(white);
}

void TGameClock::Stop() {
    on_ = false;
    paused_ = false;
    Run(std::nullopt);
}

void TGameClock::Moved(bool white) {
    Charge();
    if (!on_ || paused_) return;
    Left(white) += static_cast<int64_t>(control_.increment_seconds) * MS_PER_SECOND;
    // A time a move: the side now to move has it afresh.
    if (control_.seconds_per_move > 0)
        Left(!white) = static_cast<int64_t>(std::ceil(control_.seconds_per_move)) * MS_PER_SECOND;
    Run(fallen_ ? std::nullopt : std::optional<bool>(!white));
}

void TGameClock::TakenBack(bool white_to_move) {
    Charge();
    if (!on_ || paused_) return;
    Run(fallen_ || !running_ ? std::nullopt : std::optional<bool>(white_to_move));
}

void TGameClock::Wait() {
    Run(std::nullopt);
}

void TGameClock::Pause() {
    if (paused_ || !on_) return;
    paused_ = true;
    Run(std::nullopt);
}

void TGameClock::Resume(bool white_to_move) {
    if (!paused_) return;
    paused_ = false;
    Run(fallen_ ? std::nullopt : std::optional<bool>(white_to_move));
}

int64_t TGameClock::Remaining(bool white) const {
    const int64_t left = left_ms_[white ? 0 : 1];
    return running_ == white ? left - (now_() - since_ms_) : left;
}

void TGameClock::SetUntimedSide(std::optional<bool> side) {
    untimed_side_ = side;
    Run(running_);
}

bool TGameClock::Tick() {
    Charge();
    bool fell = false;
    if (running_ && Left(*running_) <= 0) {
        fallen_ = running_;
        Left(*fallen_) = 0;
        running_.reset();
        fell = true;
    }
    Show();
    return fell;
}

void TGameClock::Show() {
    for (bool white : {true, false}) {
        ChessClock& clock = Component(white);
        // Whole seconds, as the component counts: a second begun is shown,
        // so that 00:00 is the fallen flag.
        const int64_t ms = Left(white);
        const int64_t seconds = ms > 0 ? (ms + MS_PER_SECOND - 1) / MS_PER_SECOND : 0;
        clock.SetValue(static_cast<int>(std::clamp<int64_t>(seconds, INT32_MIN, INT32_MAX)));
        if ((control_.Untimed() || untimed_side_ == white) && clock.Caption() != UNTIMED)
            clock.SetCaption(UNTIMED);
        if (!control_.Untimed() && untimed_side_ != white && clock.Caption() == UNTIMED)
            clock.SetCaption(ChessClock::FormatSeconds(clock.GetValue()));
        const std::string flag = ChessClock::FormatSeconds(0) + OUT_OF_TIME;
        if (fallen_ == white && clock.Caption() != flag) clock.SetCaption(flag);
    }
    // The components show which one runs; a stop walks their whole chain.
    white_.Stop();
    black_.Stop();
    if (running_) Component(*running_).Start(false);
}

} // namespace galvetta
