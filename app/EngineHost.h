// SPDX-License-Identifier: GPL-3.0-or-later
// Galvetta as an engine only (--no-window): the game and the interface object
// on a board model and two clocks of their own, the 100 ms move timer, the
// standard-input reader and the conversation server, with no widget at all.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "play/BoardModel.h"
#include "play/ChessClock.h"
#include "play/Game.h"
#include "play/StartOptions.h"
#include "protocol/Interface.h"

namespace galvetta {

class TConversationServer;
class TStandardInputThread;

class TEngineHost : public QObject, public GameView {
  public:
    TEngineHost(const StartOptions& options, TStandardInputThread* reader);
    ~TEngineHost() override;

    // What the window does when it is first shown: the options, the first
    // game, the timer and the wake-ups.
    void Start();

    // The view: only the conversation item and the end are shown anywhere.
    void CommandItemChanged(const std::string& value) override;
    void CloseRequested() override;

  private:
    void InputArrived();
    void EndIfInputEnded();

    StartOptions options_;
    TStandardInputThread* reader_;
    TBoardModel board_;
    ChessClock white_, black_;
    std::unique_ptr<TGame> game_;
    std::unique_ptr<TInterface> interface_;
    QTimer timer_;
    TConversationServer* conversation_ = nullptr;
    QString command_item_;
};

} // namespace galvetta
