// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/ChessClock.h"

#include <algorithm>
#include <cstdio>

namespace galvetta {

std::string ChessClock::FormatSeconds(int value) {
    const int minutes = value / 60; // truncates toward zero
    const int seconds = value - 60 * minutes;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes, seconds);
    return text;
}

void ChessClock::SetCaption(const std::string& caption) {
    caption_ = caption;
    CaptionChanged();
}

void ChessClock::Tick() {
    if (!started_) {
        if (LinkedClock != nullptr) LinkedClock->Tick();
        return;
    }
    const int v = Value + Step;
    if (v <= Min && OnTickToMin) {
        SetValue(Min);
        OnTickToMin(this);
    } else if (v > Max && OnTickToMax) {
        SetValue(Max);
        OnTickToMax(this);
    } else {
        SetValue(v);
        if (OnTick) OnTick(this);
    }
}

void ChessClock::Set(int value, bool linked, int max, int min, int step) {
    Max = std::max(max, value);
    Min = std::min(min, max);
    SetValue(value);
    Step = step;
    if (linked && LinkedClock != nullptr) LinkedClock->Set(value, false);
}

void ChessClock::Stop() {
    // Links never form a circle (SetLinkedClock refuses one), so the walk ends.
    for (ChessClock* clock = this; clock != nullptr; clock = clock->LinkedClock) {
        clock->started_ = false;
        if (clock->LinkedClock == this) break;
    }
}

void ChessClock::SetValue(int value) {
    if (value == Value) return;
    Value = value;
    SetCaption(FormatSeconds(value));
}

void ChessClock::Start(bool other) {
    if (!other) {
        started_ = true;
        return;
    }
    started_ = false;
    if (LinkedClock != nullptr) LinkedClock->Start(false);
}

void ChessClock::Switch(int bonus) {
    if (started_ || (LinkedClock != nullptr && !LinkedClock->started_)) {
        Stop();
        if (bonus != 0) SetValue(Value + bonus);
        if (LinkedClock != nullptr) LinkedClock->Start(false);
        return;
    }
    if (LinkedClock != nullptr) {
        if (bonus != 0) LinkedClock->SetValue(LinkedClock->Value + bonus);
        LinkedClock->Stop();
    }
    Start(false);
}

bool ChessClock::SetLinkedClock(ChessClock* partner) {
    if (partner == LinkedClock) return true;
    ChessClock* walk = partner;
    while (walk != nullptr && walk != this && walk->LinkedClock != walk)
        walk = walk->LinkedClock;
    if (walk != nullptr) {
        CircularLinkRefused();
        return false;
    }
    LinkedClock = partner;
    return true;
}

} // namespace galvetta
