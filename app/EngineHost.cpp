// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EngineHost.h"

#include <QCoreApplication>

#include "host/Conversation.h"
#include "host/WakeUps.h"
#include "protocol/StandardInputThread.h"

namespace galvetta {

TEngineHost::TEngineHost(const StartOptions& options, TStandardInputThread* reader)
    : options_(options), reader_(reader) {
    white_.SetLinkedClock(&black_);
    game_ = std::make_unique<TGame>(board_, white_, black_, *this);
    interface_ = std::make_unique<TInterface>(*game_, *this, reader_);
    game_->SetSaveGames(options_.save_games_fd);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] {
        interface_->OnMoveTimer();
        EndIfInputEnded();
    });

    conversation_ = new TConversationServer(this);
    conversation_->Serve(*interface_, [this] { return command_item_; });
}

TEngineHost::~TEngineHost() {
    // No wake-up may reach a host that is going.
    if (reader_ != nullptr) reader_->SetWakeUp(nullptr);
    game_->SetSearchEnded(nullptr);
    timer_.stop();
    interface_.reset();
    game_.reset(); // stops the search and waits for it before the block goes
}

void TEngineHost::Start() {
    // The book is for an interface only when asked for (--book or its option).
    if (!options_.book.empty()) {
        game_->ChangeOptions([this](EngineOptions& o) {
            o.book_file = options_.book;
            o.use_book = true;
        });
        game_->SetBookChosen(true);
    }
    if (options_.uci) interface_->SpeakUci();
    interface_->ResetGameExecute();
    timer_.start();
    game_->CopyBoardToEngine();

    // A line read and a search ended are handled at once, on this thread.
    ConnectWakeUps(this, *game_, reader_, [this] { InputArrived(); });
}

void TEngineHost::InputArrived() {
    interface_->TakeInputLine();
    EndIfInputEnded();
}

void TEngineHost::EndIfInputEnded() {
    // The interface has gone and nobody can reach us any more: end as "quit"
    // does, once a search that was asked for has answered.
    if (reader_ != nullptr && reader_->AtEnd() && timer_.isActive()) interface_->InputEnded();
}

void TEngineHost::CommandItemChanged(const std::string& value) {
    command_item_ = QString::fromStdString(value);
    conversation_->ItemChanged(command_item_);
}

void TEngineHost::CloseRequested() {
    timer_.stop();
    QCoreApplication::quit();
}

} // namespace galvetta
