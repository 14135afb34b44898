// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "notation/PositionText.h"
#include "play/BoardModel.h"

namespace galvetta::test {

namespace {

class CountingBoard : public TBoardModel {
  public:
    int beeps = 0;

  protected:
    void Beep() override { ++beeps; }
};

std::string from_fen(const char* fen) {
    return *FenToPositionText(fen).value;
}

int at(const char* square) {
    return TBoardModel::IndiceCasa(square);
}

} // namespace

TEST(BoardModel, PlainMoveAndHistories) {
    CountingBoard board;
    board.ResetGame();
    int after = 0;
    board.AfterMove = [&] { ++after; };
    ASSERT_TRUE(board.Move("e2e4"));
    const std::string& p = board.GetPosition();
    EXPECT_EQ(p[at("e2")], '-');
    EXPECT_EQ(p[at("e4")], 'p');
    EXPECT_EQ(p[64], 'N');
    EXPECT_EQ(p[65], 'e');
    EXPECT_EQ(after, 1);
    EXPECT_EQ(board.PositionHistorySize(), 2);
    EXPECT_EQ(board.MoveHistorySize(), 1);
    EXPECT_EQ(board.GetMove(1), "e2e4");
    EXPECT_EQ(board.GetMove(0), "");
    EXPECT_EQ(board.GetMove(2), "");
    ASSERT_TRUE(board.Move("g8f6"));
    EXPECT_EQ(board.GetPosition()[65], '+');
}

TEST(BoardModel, SameSquareAndRefusalChangeNothing) {
    TBoardModel board;
    int asked = 0;
    board.OnValidateMove = [&](bool& legal) {
        ++asked;
        legal = false;
    };
    board.SetLastMove("x");
    EXPECT_FALSE(board.Move("e2e2"));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(board.GetLastMove(), "x");
    EXPECT_FALSE(board.Move("e2e4"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(board.GetLastMove(), "");
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
}

TEST(BoardModel, CastlingAndTheRights) {
    const struct {
        const char* fen;
        const char* move;
        const char* empty_squares;
        const char* placed; // square=piece pairs
        const char* flags;  // the four flags after the move
    } rows[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "e1h1", "g1k f1r", "--++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", "e1a1", "c1k d1r", "--++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", "e8a8", "c8K d8R", "++--"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h2", "h1", "h2r", "-+++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a2", "a1", "a2r", "+-++"},
        // A plain king move and a capture on a corner end rights too.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1e2", "e1", "e2k", "--++"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a8", "a1", "a8r", "+-+-"},
        {"r3k2r/8/8/8/8/8/6N1/R3K2R w KQkq - 0 1", "g2h4", "g2", "h4n", "++++"},
    };
    for (const auto& row : rows) {
        TBoardModel board;
        board.SetPosition(from_fen(row.fen));
        ASSERT_TRUE(board.Move(row.move)) << row.move;
        const std::string& p = board.GetPosition();
        for (const char* s = row.empty_squares; *s; s += 2)
            EXPECT_EQ(p[at(std::string(s, 2).c_str())], '-') << row.move;
        for (const char* s = row.placed; *s; s += (s[3] == ' ' ? 4 : 3))
            EXPECT_EQ(p[at(std::string(s, 2).c_str())], s[2]) << row.move << " " << std::string(s, 3);
        EXPECT_EQ(p.substr(66, 4), row.flags) << row.move;
    }
}

TEST(BoardModel, EnPassantAndPromotionLetters) {
    TBoardModel board;
    board.SetPosition(from_fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"));
    ASSERT_TRUE(board.Move("e5d6"));
    EXPECT_EQ(board.GetPosition()[at("d5")], '-');
    EXPECT_EQ(board.GetPosition()[at("d6")], 'p');

    board.SetPosition(from_fen("4k3/P7/8/8/8/8/p7/4K3 w - - 0 1"));
    ASSERT_TRUE(board.Move("a7a8q"));
    EXPECT_EQ(board.GetPosition()[at("a8")], 'q');
    ASSERT_TRUE(board.Move("a2a1q"));
    EXPECT_EQ(board.GetPosition()[at("a1")], 'Q');
}

TEST(BoardModel, MoveBackBeepsPastTheStartAndNegativeTakesAll) {
    CountingBoard board;
    board.ResetGame();
    board.MoveBack(1);
    EXPECT_EQ(board.beeps, 1);
    EXPECT_EQ(board.PositionHistorySize(), 0);
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
    board.MoveBack(1);
    EXPECT_EQ(board.beeps, 1);

    board.ResetGame();
    board.Move("e2e4");
    board.Move("e7e5");
    board.MoveBack(1);
    EXPECT_EQ(board.GetPosition()[at("e5")], '-');
    EXPECT_EQ(board.GetPosition()[at("e4")], 'p');
    board.MoveBack(-1);
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
}

TEST(BoardModel, EditTokens) {
    TBoardModel board;
    EXPECT_TRUE(board.SetSquare("#"));
    EXPECT_EQ(board.GetPosition().substr(0, 64), std::string(64, '-'));
    EXPECT_EQ(board.GetPosition().substr(64), "B+++++");
    EXPECT_TRUE(board.SetSquare("Pe4"));
    EXPECT_EQ(board.GetPosition()[at("e4")], 'p');
    EXPECT_TRUE(board.SetSquare("c"));
    EXPECT_TRUE(board.SetSquare("Pe5"));
    EXPECT_EQ(board.GetPosition()[at("e5")], 'P');
    EXPECT_TRUE(board.SetSquare("xyz"));
    EXPECT_FALSE(board.SetSquare(""));
    const std::string before = board.GetPosition();
    for (const char* bad : {"Pa0", "Ni9", "P", "K", "Qz1"})
        EXPECT_FALSE(board.SetSquare(bad)) << bad;
    EXPECT_EQ(board.GetPosition(), before);
}

TEST(BoardModel, SquareNames) {
    EXPECT_EQ(TBoardModel::IndiceCasa("a8"), 0);
    EXPECT_EQ(TBoardModel::IndiceCasa("h1"), 63);
    EXPECT_EQ(TBoardModel::IndiceCasa(""), 351);
    EXPECT_EQ(TBoardModel::Coordinate(0), "a8");
    EXPECT_EQ(TBoardModel::Coordinate(64), "a0");
    TBoardModel board;
    EXPECT_EQ(&board.Pezzo(65), &board.Pezzo(-1)); // both the spare character
    EXPECT_EQ(board.Pezzo(64), 'B');
}

TEST(BoardModel, ReenteredFromItsOwnAfterMove) {
    // The window plays the same move again from its after-move handler; the
    // inner call is refused and the outer one stores the emptied LastMove.
    TBoardModel board;
    board.ResetGame();
    int validations = 0;
    board.OnValidateMove = [&](bool& legal) { legal = ++validations == 1; };
    bool inner = true;
    board.AfterMove = [&] { inner = board.Move(board.GetLastMove()); };
    ASSERT_TRUE(board.Move("e2e4"));
    EXPECT_FALSE(inner);
    EXPECT_EQ(validations, 2);
    EXPECT_EQ(board.GetMove(1), "");
    EXPECT_EQ(board.GetPosition()[at("e4")], 'p');
    EXPECT_EQ(board.PositionHistorySize(), 2);
}

TEST(BoardModel, PlainVariantMovesWithoutRules) {
    TPlainBoardModel board;
    board.ResetGame();
    std::string told;
    board.OnMove = [&](const std::string& move) { told = move; };
    // A validation handler may rewrite the move.
    board.OnValidateMove = [&](bool&) { board.SetLastMove("g1f3"); };
    ASSERT_TRUE(board.ExecMove("e1g1"));
    EXPECT_EQ(told, "g1f3");
    EXPECT_EQ(board.GetPosition()[at("f3")], 'n');
    EXPECT_EQ(board.GetPosition()[at("e1")], 'k');
    EXPECT_EQ(board.GetPosition()[64], 'N');
    board.ChangeColor('B');
    EXPECT_EQ(board.GetPosition()[64], 'B');
}

} // namespace galvetta::test
