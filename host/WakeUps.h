// SPDX-License-Identifier: GPL-3.0-or-later
// The wake-ups that bring a finished search and a line read from their
// threads to the main thread at once, for the window and for the engine alone.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>

#include "play/Game.h"
#include "protocol/StandardInputThread.h"

namespace galvetta {

// A search that ended is collected, and `input_arrived` runs for each line
// the reader has (and once now, for what came before), each as a queued call
// on `context`'s thread.
inline void ConnectWakeUps(QObject* context, TGame& game, TStandardInputThread* reader,
                           std::function<void()> input_arrived) {
    auto soon = [context](auto work) { QMetaObject::invokeMethod(context, work, Qt::QueuedConnection); };
    game.SetSearchEnded([&game, soon] { soon([&game] { game.CollectFinishedSearch(); }); });
    if (reader == nullptr) return;
    reader->SetWakeUp([soon, input_arrived] { soon(input_arrived); });
    soon(input_arrived);
}

} // namespace galvetta
