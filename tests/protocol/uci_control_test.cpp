// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/state_block.h"
#include "game_fixture.h"

namespace galvetta::test {

TEST(UciText, MovesAndScoresInUciForm) {
    const struct {
        const char* engine;
        const char* uci;
    } moves[] = {{"e2-e4", "e2e4"},    {"e2e4", "e2e4"},   {"e5xd6", "e5d6"}, {"e7-e8=Q", "e7e8q"},
                 {"c2-d1=N", "c2d1n"}, {"a7a8r", "a7a8r"}, {"", "0000"},      {"e2-", "0000"}};
    for (const auto& row : moves)
        EXPECT_EQ(TUciControl::UciMove(row.engine), row.uci) << row.engine;

    const int32_t mated_at_root = -VALUE_ILLEGAL; // the value of a mate found at ply p is this less p steps
    EXPECT_EQ(TUciControl::ScoreText(mated_at_root - 1 * MATE_STEP), "mate 1");
    EXPECT_EQ(TUciControl::ScoreText(mated_at_root - 5 * MATE_STEP), "mate 3");
    EXPECT_EQ(TUciControl::ScoreText(-(mated_at_root - 4 * MATE_STEP)), "mate -2");
    EXPECT_EQ(TUciControl::ScoreText(SCORE_UNIT), "cp 100");
    EXPECT_EQ(TUciControl::ScoreText(-SCORE_UNIT / 2), "cp -50");
    EXPECT_EQ(TUciControl::ScoreText(0), "cp 0");
}

class UciFixture : public GameFixture {
  protected:
    UciFixture() { link.SpeakUci(); }
    // Runs the move timer until "bestmove"; the lines written until then.
    std::vector<std::string> UntilBestMove() {
        std::vector<std::string> lines;
        for (int i = 0; i < 30000; ++i) {
            link.OnMoveTimer();
            lines.insert(lines.end(), out.begin(), out.end());
            out.clear();
            if (!lines.empty() && lines.back().rfind("bestmove ", 0) == 0) return lines;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return lines;
    }
};

TEST_F(UciFixture, SearchesOnTheGameAndAnswersEachGo) {
    SendAll({"position startpos moves e2e4 e7e5", "go movetime 300"});
    std::vector<std::string> lines = UntilBestMove();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().rfind("info depth 1 ", 0), 0u) << lines.front();
    const std::string best = lines.back();
    const std::string& last = lines[lines.size() - 2];
    EXPECT_EQ(best.substr(0, 13), "bestmove " + last.substr(last.rfind(" pv ") + 4, 4));
    EXPECT_FALSE(board.GetLocked());

    // The window's board follows the game: the answer played on, then one move.
    SendAll({("position startpos moves e2e4 e7e5 " + best.substr(9, 4) + " a7a6").c_str()});
    EXPECT_EQ(board.GetPosition()[SIDE_TO_MOVE], WHITE_ON_MOVE);
    EXPECT_EQ(Square("a6"), 'P');

    // "stop" answers at once, and the game is held until the next "go".
    SendAll({"go infinite"});
    const std::vector<std::string> stopped = Send("stop");
    ASSERT_FALSE(stopped.empty());
    EXPECT_EQ(stopped.back().rfind("bestmove ", 0), 0u);
    EXPECT_FALSE(game.Driver().SearchRunning());
    SendAll({"position startpos moves d2d4"});
    EXPECT_FALSE(game.Driver().SearchRunning());
}

// The clocks run only in a game on the clock, never below zero.
TEST_F(UciFixture, ClocksRunOnlyOnAClock) {
    for (const char* go : {"go depth 30", "go infinite", "go movetime 5000", "go nodes 900000000"}) {
        SendAll({"position startpos", go});
        EXPECT_FALSE(white.Started() || black.Started()) << go;
        Send("stop");
    }
    SendAll({"position startpos", "go wtime 60000 btime 50000"});
    EXPECT_TRUE(white.Started());
    EXPECT_EQ(white.GetValue(), 59); // Move Overhead keeps 10 ms back
    UntilBestMove();
}

// The side to move's clock, its increment and the moves to go each change
// the budget (the Move Overhead of 10 ms comes off the clock first).
TEST_F(UciFixture, ClockIncrementAndMovesToGoMakeTheBudget) {
    const struct {
        const char* go;
        const char* budget_ms;
    } rows[] = {
        {"go wtime 30010 btime 1000", "750"},
        {"go wtime 30010 btime 1000 winc 2000 binc 0", "1250"},
        {"go wtime 30010 btime 1000 movestogo 5", "4000"},       // 7.5 budgets to the control
        {"go wtime 1000 btime 1000 winc 5000 binc 5000", "445"}, // half of what the margin leaves
    };
    for (const auto& row : rows) {
        SendAll({"position startpos", row.go});
        EXPECT_EQ(view.planned_ms, row.budget_ms) << row.go;
        Send("stop");
    }
}

} // namespace galvetta::test
