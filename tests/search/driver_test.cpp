// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>

#include <cstring>
#include <thread>

#include "driver_probe.h"
#include "notation/PositionText.h"
#include "notation/San.h"
#include "notation/Score.h"
#include "notation/Words.h"
#include "search/EngineDriver.h"

namespace galvetta::test {

namespace {

void set_position(TEngineDriver& driver, const std::string& text) {
    std::strcpy(TEngineDriverProbe::Block(driver).header.position_text, text.c_str());
}
void set_move(TEngineDriver& driver, const char* move) {
    std::strcpy(TEngineDriverProbe::Block(driver).header.move_text, move);
}
std::string position(TEngineDriver& driver) {
    return TEngineDriverProbe::Block(driver).header.position_text;
}
int at(const char* square) {
    return (7 - (square[1] - '1')) * 8 + (square[0] - 'a');
}

} // namespace

TEST(Driver, MulDivRoundsLikeWin32) {
    const struct {
        int a, b, c, result;
    } rows[] = {{7, 1, 2, 4},
                {-7, 1, 2, -4},
                {5, 1, 3, 2},
                {6291460, 1, 6291460, 1},
                {9437190, 1, 6291460, 2},
                {1, 1, 0, -1},
                {7, 1, -2, -4},
                {2000000000, 2, 1, -1},
                {3, 1000, 7, 429}};
    for (const auto& r : rows)
        EXPECT_EQ(MulDiv(r.a, r.b, r.c), r.result) << r.a << "*" << r.b << "/" << r.c;
    EXPECT_EQ(FormatFloat(0.25), "0.25");
    EXPECT_EQ(FormatFloat(1234.0), "1234");
    EXPECT_EQ(FormatFloat(1.0 / 3), "0.333333333333333");
}

TEST(Driver, ApplyEngineMoveRows) {
    const struct {
        const char* fen;
        const char* move;
        const char* square;
        char piece;
        char side;
        char ep;
        const char* flags;
    } rows[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", "e4", 'p', 'N', 'e', "++++"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "e7-e5", "e5", 'P', 'B', 'e', "++++"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3", "f3", 'n', 'N', '-', "++++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1-g1", "f1", 'r', 'N', '-', "--++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8-c8", "d8", 'R', 'B', '-', "++--"},
        {"r3k2r/8/8/8/8/8/8/R3K2N w KQkq - 0 1", "h1g3", "g3", 'n', 'N', '-', "-+++"},
        {"r3k2r/6N1/8/8/8/8/8/R3K3 w Qkq - 0 1", "g7h8", "h8", 'n', 'N', '-', "-+-+"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", "a8", 'q', 'N', '-', "----"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8Q", "a8", 'q', 'N', '-', "----"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7-a8=Q", "a8", 'q', 'N', '-', "----"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8=q", "a8", 'q', 'N', '-', "----"},
        {"4k3/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1n", "a1", 'N', 'B', '-', "----"},
    };
    for (const auto& row : rows) {
        TEngineDriver driver;
        set_position(driver, *FenToPositionText(row.fen).value);
        set_move(driver, row.move);
        ASSERT_EQ(driver.ApplyEngineMove(), 1) << row.move;
        const std::string p = position(driver);
        EXPECT_EQ(p[at(row.square)], row.piece) << row.move;
        EXPECT_EQ(p[64], row.side) << row.move;
        EXPECT_EQ(p[65], row.ep) << row.move;
        EXPECT_EQ(p.substr(66, 4), row.flags) << row.move;
        EXPECT_EQ(p.size(), 70u);
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.move_number, 1);
    }
}

TEST(Driver, EnPassantCastlingSquaresAndRejections) {
    TEngineDriver driver;
    set_position(driver, *FenToPositionText("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1").value);
    set_move(driver, "e5d6");
    ASSERT_EQ(driver.ApplyEngineMove(), 1);
    EXPECT_EQ(position(driver)[at("d5")], '-');

    set_position(driver, STARTING_POSITION);
    for (const char* bad : {"e2", "i2i4", "e9e4", "", "e2-e"}) {
        set_move(driver, bad);
        EXPECT_EQ(driver.ApplyEngineMove(), 0) << bad;
    }
    EXPECT_EQ(position(driver), STARTING_POSITION);
    EXPECT_EQ(TEngineDriverProbe::Block(driver).header.move_number, 1); // the en-passant capture's
    set_move(driver, "e2e4");
    ASSERT_EQ(driver.ApplyEngineMove(), 1);
    EXPECT_EQ(TEngineDriverProbe::Block(driver).header.move_number, 2);
}

TEST(Driver, ReportTextAndScore) {
    TEngineDriver driver;
    set_position(driver, STARTING_POSITION);
    Header& h = TEngineDriverProbe::Block(driver).header;
    set_move(driver, "e2-e4");
    h.move_number = 3;
    h.best_score = 9437190; // 1.5 pawns rounds to 2
    h.score_unit = SCORE_UNIT;
    h.mate_score = MATE_SCORE;
    h.nodes = 0; // shown as 1
    h.generated_moves[0] = 10;
    h.generated_moves[1] = 0;
    h.played_moves[0] = 4;
    h.played_moves[1] = 0;
    h.error_flag = 0;
    std::string statistics = "older", memo;
    const auto [move, score] = driver.ReportMove(statistics, memo);
    EXPECT_EQ(score, 2);
    EXPECT_EQ(move, Move::Parse("e2e4"));
    // The elapsed time is measured; check the fixed parts around it.
    const std::string head =
        "\r\n---------------------move #3\r\nGalvetta's move: e2-e4\r\nPosition score: 2\r\nMilliseconds: ";
    EXPECT_EQ(statistics.substr(0, head.size()), head);
    EXPECT_NE(
        statistics.find(
            "\r\nGenerated moves: 10\r\nPlayed moves: 4\r\nNumber of Nodes: 1\r\nGenerated per node: 10\r\n"),
        std::string::npos);
    EXPECT_NE(statistics.find("\r\nPlayed/Generated: 0.4\r\nNodes/second: "), std::string::npos);
    EXPECT_EQ(statistics.substr(statistics.size() - std::strlen("\r\nError flag: 0older")),
              "\r\nError flag: 0older");
    EXPECT_EQ(memo, position(driver));
    EXPECT_EQ(memo[at("e4")], 'p');
    EXPECT_EQ(h.move_number, 4);
}

TEST(Driver, LegalityOnACopyAndASearchOnItsThread) {
    TEngineDriver driver;
    set_position(driver, STARTING_POSITION);
    EXPECT_NE(driver.IsLegalMove("e2e4"), 0);
    EXPECT_EQ(driver.IsLegalMove("e2e5"), 0);
    EXPECT_EQ(position(driver), STARTING_POSITION);

    Header& h = TEngineDriverProbe::Block(driver).header;
    h.start_depth = 2;
    h.max_depth = 4;
    h.depth_step = 2;
    std::atomic<int> ended{0};
    driver.SetSearchEnded([&] { ++ended; });
    driver.ResetSearchFlags();
    driver.StartSearch();
    while (!driver.SearchFinished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(ended, 1);                   // the thread's wake-up has run once it is collected
    EXPECT_FALSE(driver.SearchFinished()); // only once
    EXPECT_FALSE(driver.StopWasRequested());
    EXPECT_STRNE(h.move_text, "");
    EXPECT_GT(driver.GeneratedMoves(), 0.0);
}

TEST(Driver, StoppedSearchAndDestructionDuringASearch) {
    auto driver = std::make_unique<TEngineDriver>();
    set_position(*driver, STARTING_POSITION);
    Header& h = TEngineDriverProbe::Block(*driver).header;
    h.start_depth = 2;
    h.max_depth = 30;
    h.depth_step = 2;
    driver->ResetSearchFlags();
    driver->StartSearch();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    driver->StopSearch();
    while (!driver->SearchFinished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(driver->StopWasRequested());

    // Destroyed while its search runs: it must wait for the thread.
    driver->ResetSearchFlags();
    driver->StartSearch();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    driver.reset();
    SUCCEED();
}

} // namespace galvetta::test

namespace galvetta::test {

// The search's line: its first move is the move chosen, every move of it is
// legal but perhaps the leaf's pick, which a report leaves out when it is not.
TEST(Driver, LinesOfTheSearchAndTheRootFilter) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", // mate in one: the line ends there
        "4k3/1P6/8/8/8/8/6p1/4K3 b - - 0 1",
    };
    for (const char* fen : fens) {
        TEngineDriver driver;
        set_position(driver, *FenToPositionText(fen).value);
        SearchLimits limits;
        limits.planned = false;
        limits.depth = 5;
        limits.depth_step = 1;
        driver.SetSearchLimits(limits);
        driver.StartSearch();
        ASSERT_TRUE(driver.SearchFinished(true));
        const std::vector<SearchReport> reports = driver.TakeReports();
        ASSERT_EQ(reports.size(), 5u) << fen;
        const IterationRecord& last = driver.Iteration(driver.IterationsFinished() - 1);
        std::string position = *FenToPositionText(fen).value;
        for (uint32_t i = 0; i < last.line_length; ++i) {
            const std::string move = Move::FromLine(last.line[i]).Coordinate();
            const Parsed<LegalMove> legal = ParseSan(position, move);
            if (!legal) {
                EXPECT_EQ(i + 1, last.line_length) << fen << ": " << move << " is not legal";
                break;
            }
            position = PositionAfter(position, *legal.value);
        }
        EXPECT_EQ(reports.back().line.front().EngineText(),
                  TEngineDriverProbe::Block(driver).header.move_text)
            << fen;
        EXPECT_GE(reports.back().line.size(), fen == fens[3] ? 1u : 4u) << fen;
        EXPECT_GE(reports.back().seldepth, 5) << fen;
    }

    // Only the named root moves are searched; or all but those.
    TEngineDriver driver;
    set_position(driver, STARTING_POSITION);
    SearchLimits limits;
    limits.planned = false;
    limits.depth = 3;
    limits.depth_step = 1;
    limits.search_moves = {*Move::Parse("a2a3"), *Move::Parse("h2h4")};
    driver.SetSearchLimits(limits);
    driver.StartSearch();
    ASSERT_TRUE(driver.SearchFinished(true));
    const std::string chosen = TEngineDriverProbe::Block(driver).header.move_text;
    EXPECT_TRUE(chosen == "a2-a3" || chosen == "h2-h4") << chosen;
    limits.search_moves.clear();
    limits.lines = 3;
    driver.SetSearchLimits(limits);
    driver.StartSearch();
    ASSERT_TRUE(driver.SearchFinished(true));
    std::vector<SearchReport> lines = driver.TakeReports();
    ASSERT_EQ(lines.size(), 9u); // three lines at each of three depths
    lines.erase(lines.begin(), lines.begin() + 6);
    EXPECT_NE(lines[0].line.front(), lines[1].line.front());
    EXPECT_NE(lines[1].line.front(), lines[2].line.front());
    EXPECT_NE(lines[0].line.front(), lines[2].line.front());
    EXPECT_GE(lines[0].score, lines[1].score);
    EXPECT_GE(lines[1].score, lines[2].score);
    EXPECT_EQ(lines[0].line.front().EngineText(), TEngineDriverProbe::Block(driver).header.move_text);
}

} // namespace galvetta::test

namespace galvetta::test {

// One score, whichever way the search ended: the value the driver gives is
// the last report's, which counts the position's own value once.
TEST(Driver, OneScoreWhicheverWayTheSearchEnds) {
    const std::string queen_up = *FenToPositionText("r3k3/ppp2ppp/8/8/8/8/PPP2PPP/Q3K3 w - - 0 1").value;
    const auto search = [&queen_up](TEngineDriver& driver, int depth, int lines) {
        set_position(driver, queen_up);
        SearchLimits limits;
        limits.planned = false;
        limits.depth = depth;
        limits.depth_step = 1;
        limits.lines = lines;
        driver.SetSearchLimits(limits);
        driver.StartSearch();
    };
    TEngineDriver complete, cut, several;
    search(complete, 4, 1);
    ASSERT_TRUE(complete.SearchFinished(true));
    search(several, 3, 2);
    ASSERT_TRUE(several.SearchFinished(true));
    search(cut, MAX_SEARCH_DEPTH, 1);
    while (cut.IterationsFinished() < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cut.CutSearch();
    ASSERT_TRUE(cut.SearchFinished(true));
    ASSERT_TRUE(cut.TakeLastIteration());
    for (TEngineDriver* driver : {&complete, &cut, &several}) {
        const std::optional<SearchReport> last = driver->LastReport();
        ASSERT_TRUE(last);
        EXPECT_EQ(driver->PositionScore(), last->score);
        EXPECT_GT(Centipawns(driver->PositionScore()), 500); // a queen up, counted once
        EXPECT_LT(Centipawns(driver->PositionScore()), 1500);
    }
}

} // namespace galvetta::test
