// SPDX-License-Identifier: GPL-3.0-or-later
// A whole game without a window: board model, linked clocks, a view that
// records what it is told, and the interpreter with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Interface.h"
#include "protocol/UciControl.h"
#include "protocol/WinBoardControl.h"

namespace galvetta::test {

class RecordingView : public GameView {
  public:
    std::string panels[4];
    std::vector<std::string> sent_memo;
    bool closed = false;
    std::string statistics;
    std::string planned_ms; // the budget the planning showed last

    void SetStatusPanel(int index, const std::string& text) override { panels[index] = text; }
    void SentLineAdded(const std::string& line) override { sent_memo.push_back(line); }
    void SentLinesCleared() override { sent_memo.clear(); }
    void StatisticsChanged(const std::string& text) override { statistics = text; }
    void PlanningShown(const std::string&, const std::string& ms, int) override { planned_ms = ms; }
    void CloseRequested() override { closed = true; }
    std::vector<std::string> notices;
    void NoticeShown(const std::string& text) override { notices.push_back(text); }
};

class GameFixture : public ::testing::Test {
  protected:
    GameFixture()
        : linked_(white.SetLinkedClock(&black)), game(board, white, black, view), link(game, view, nullptr) {
        link.WriteLine = [this](const std::string& line) { out.push_back(line); };
        link.ResetGameExecute();
        out.clear();
    }

    // Interprets one line and returns what it wrote.
    std::vector<std::string> Send(const std::string& line) {
        out.clear();
        link.InterpretCommand(line);
        return out;
    }
    void SendAll(std::initializer_list<const char*> lines) {
        for (const char* line : lines)
            link.InterpretCommand(line);
    }
    // Runs the move timer until the engine's move has been written.
    std::string WaitForMove(int seconds = 60) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            link.OnMoveTimer();
            for (const std::string& line : out)
                if (line.rfind("move ", 0) == 0) return line;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return "";
    }
    // Runs the move timer until no search runs any more.
    void Settle() {
        for (int i = 0; i < 20000 && (game.Searching()); ++i) {
            link.OnMoveTimer();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    char Square(const char* name) { return board.GetPosition()[TBoardModel::IndiceCasa(name)]; }

    TBoardModel board;
    ChessClock white, black;
    bool linked_;
    RecordingView view;
    std::vector<std::string> out;
    TGame game;
    TInterface link;
};

} // namespace galvetta::test
