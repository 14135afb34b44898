// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/state_block.h"
#include "game_fixture.h"
#include "tests/notation/start_book.h"

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
    // Runs the move timer until "bestmove" (at most `ms` milliseconds); the
    // lines written until then.
    std::vector<std::string> UntilBestMove(int ms = 30000) {
        std::vector<std::string> lines;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < deadline) {
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
    EXPECT_FALSE(game.Searching());
    SendAll({"position startpos moves d2d4"});
    EXPECT_FALSE(game.Searching());
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
    EXPECT_EQ(white.GetValue(), 60); // 59.99 s: Move Overhead keeps 10 ms back
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

namespace galvetta::test {

// The wish for a book and its file are two facts: the order of the options
// never decides, and a book that goes bad after it was taken is said once.
// A ponder search that finds a book move answers it on the hit.
TEST_F(UciFixture, BookWishAndFileInEitherOrder) {
    const std::string good = WriteStartBook("galvetta-uci-good.bin");
    EXPECT_EQ(Send("setoption name BookFile value /nonexistent.bin"),
              (std::vector<std::string>{
                  "info string cannot read the book /nonexistent.bin; the engine plays without a book"}));
    EXPECT_EQ(Send("setoption name OwnBook value true").size(), 1u);
    EXPECT_TRUE(Send("setoption name BookFile value " + good).empty());
    SendAll({"position startpos", "go depth 3"});
    EXPECT_EQ(UntilBestMove(), (std::vector<std::string>{"bestmove e2e4"}));

    WriteStartBook("galvetta-uci-good.bin", false); // rewritten out of order
    for (int go = 0; go < 2; ++go) {
        SendAll({"position startpos", "go depth 2"});
        const std::vector<std::string> lines = UntilBestMove();
        const bool said = lines.front().find("is not sorted by key") != std::string::npos;
        EXPECT_EQ(said, go == 0) << lines.front();
        EXPECT_EQ(lines.size(), go == 0 ? 4u : 3u) << "searched";
    }

    WriteStartBook("galvetta-uci-good.bin");
    SendAll({"setoption name Ponder value true", "position startpos", "go ponder wtime 5000 btime 5000"});
    EXPECT_EQ(UntilBestMove(300), std::vector<std::string>{}) << "a ponder search waits for the hit";
    EXPECT_EQ(Send("ponderhit"), (std::vector<std::string>{"bestmove e2e4"}));
}

// Found by the fuzz target: "value" where the name should be is an unknown
// option, not a range turned inside out.
TEST_F(UciFixture, SetOptionWithoutAName) {
    EXPECT_EQ(Send("setoption  value true"), (std::vector<std::string>{"info string unknown option: "}));
    EXPECT_EQ(Send("setoption value"), (std::vector<std::string>{"info string unknown option: "}));
    EXPECT_EQ(Send("setoption name"), (std::vector<std::string>{"info string unknown option: "}));
}

// Every limit given bounds the search, the first reached ends it, a ponder
// hit keeps the node limit, and a ponder search is answered only on the hit
// or "stop", even in a mated position.
TEST_F(UciFixture, EveryLimitBoundsTheSearchAndPonderWaitsForItsAnswer) {
    const char* middle_game =
        "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 9";
    for (const char* go :
         {"go wtime 500 btime 500 depth 40", "go wtime 500 btime 500 nodes 2000000000",
          "go wtime 500 btime 500 mate 30", "go wtime 3000 btime 3000 movestogo 5 depth 40"}) {
        SendAll({middle_game, go});
        // Without the clock's bound no answer comes before "stop".
        const std::vector<std::string> lines = UntilBestMove();
        ASSERT_FALSE(lines.empty()) << go;
        EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << go;
    }

    const auto answered = [](const std::vector<std::string>& lines) {
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.rfind("bestmove", 0) == 0; });
    };
    SendAll({"setoption name Ponder value true", middle_game, "go ponder nodes 20000"});
    EXPECT_FALSE(answered(UntilBestMove(300)));
    Send("ponderhit");
    const std::vector<std::string> hit = UntilBestMove();
    ASSERT_GE(hit.size(), 2u);
    EXPECT_EQ(hit[hit.size() - 2], "info nodes 20000");

    SendAll({"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go ponder wtime 1000 btime 1000"});
    EXPECT_FALSE(answered(UntilBestMove(300)));
    EXPECT_EQ(Send("stop"), (std::vector<std::string>{"bestmove 0000"}));
    out.clear();
    EXPECT_FALSE(answered(UntilBestMove(100))) << "nothing after the answer";
}

// A ponder miss is the same game: the record holds the moves played, not the
// line pondered, and names no time control, since UCI states none.
TEST_F(UciFixture, PonderMissesKeepOneGame) {
    SendAll({"setoption name Ponder value true", "ucinewgame"});
    std::string moves;
    const char* replies[] = {"e7e5", "g8f6", "b8c6", "d7d6"};
    for (const char* reply : replies) {
        SendAll({("position startpos moves" + moves).c_str(), "go depth 3"});
        const std::string best = UntilBestMove().back();
        ASSERT_GT(best.size(), 13u) << best;
        moves.append(" ").append(best, 9, 4);
        // The interface ponders on a reply the opponent does not play.
        SendAll({("position startpos moves" + moves + " a7a6").c_str(), "go ponder depth 3"});
        Send("stop");
        moves.append(" ").append(reply);
    }
    SendAll({("position startpos moves" + moves).c_str()});
    const PgnGame record = game.Record();
    EXPECT_EQ(record.moves.size(), 8u);
    EXPECT_EQ(record.moves[1], "e5");
    EXPECT_EQ(record.Tag("TimeControl"), "?");
}

} // namespace galvetta::test
