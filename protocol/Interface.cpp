// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/Interface.h"

#include <cstdio>

#include "protocol/StandardInputThread.h"
#include "protocol/UciControl.h"
#include "protocol/WinBoardControl.h"

namespace galvetta {

namespace {

void write_stdout(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

TInterface::TInterface(TGame& game, GameView& view, TStandardInputThread* reader)
    : WriteLine(write_stdout), game_(game), view_(view), reader_(reader),
      front_end_(std::make_unique<TWinBoardControl>(*this)) {
    game_.EngineMoved = [this](const std::optional<Move>& move, GameOutcome outcome) {
        front_end_->EngineMoved(move, outcome);
        CloseWhenAnswered();
    };
    game_.SearchStopped = [this] {
        front_end_->SearchStopped();
        CloseWhenAnswered();
    };
    // The window hears it on its status bar; an interface, in its protocol.
    game_.BookRefused = [this](const std::string& why) {
        if (InterfaceDrives()) front_end_->BookRefused(why);
    };
}

TInterface::~TInterface() {
    game_.EngineMoved = nullptr;
    game_.SearchStopped = nullptr;
    game_.BookRefused = nullptr;
}

void TInterface::SpeakUci() {
    if (uci_) return;
    uci_ = true;
    game_.SetStopAtGameEnd(false);
    if (!game_.BookChosen()) game_.ChangeOptions([](EngineOptions& o) { o.use_book = false; });
    front_end_ = std::make_unique<TUciControl>(*this);
}

void TInterface::SendToInterface(const std::string& line) {
    view_.CommandItemChanged(line);
    if (WriteLine) WriteLine(line);
    view_.SentLineAdded(line);
}

int TInterface::InterpretCommand(const std::string& line) {
    return front_end_->Interpret(line);
}

void TInterface::ExecuteMacro(const std::vector<std::string>& lines) {
    try {
        for (const std::string& line : lines) {
            SendToInterface(line);
            InterpretCommand(line);
        }
    } catch (...) {
        view_.SentLineAdded("*** dde error ***");
    }
}

void TInterface::PokeCommand(const std::string& text) {
    SendToInterface(text);
}

bool TInterface::TakeInputLine() {
    if (reader_ == nullptr || !reader_->NewData()) return false;
    const std::string line = reader_->PopString();
    if (first_line_) {
        first_line_ = false;
        // An interface drives the game now: it judges when the game is over,
        // and the book stays off unless asked for.
        game_.SetStopAtGameEnd(false);
        if (!game_.BookChosen()) game_.ChangeOptions([](EngineOptions& o) { o.use_book = false; });
        if (line == "uci") SpeakUci();
    }
    view_.CommandItemChanged(line);
    view_.ReceivedLineAdded(line);
    if (InterpretCommand(line) != 0) view_.ReceivedLineAdded("???");
    return true;
}

void TInterface::DeliverReports() {
    const std::vector<SearchReport> reports = game_.TakeReports();
    if (reports.empty()) return;
    front_end_->Reported(reports);
    view_.SearchReported(reports, game_.SearchedPosition());
}

void TInterface::OnMoveTimer() {
    const bool second_passed = game_.Tick();
    DeliverReports();
    front_end_->Tick();
    if (TakeInputLine()) return;
    if (second_passed) game_.ShowGeneratedMoves();
    game_.CollectFinishedSearch();
    CloseWhenAnswered();
}

void TInterface::InputEnded() {
    if (closing_) return;
    closing_ = true;
    front_end_->InputEnded();
    CloseWhenAnswered();
}

void TInterface::CloseWhenAnswered() {
    if (!closing_ || closed_ || game_.Searching()) return;
    closed_ = true;
    view_.CloseRequested();
}

} // namespace galvetta
