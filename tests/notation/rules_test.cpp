// SPDX-License-Identifier: GPL-3.0-or-later
// Positions a game can reach, FEN read with missing fields and counters, and
// the move forms of the engine, the interfaces and UCI.
#include <gtest/gtest.h>

#include "notation/GameFile.h"
#include "notation/Move.h"
#include "notation/Rules.h"
#include "notation/San.h"
#include "notation/Words.h"

namespace galvetta::test {

TEST(Positions, FenFieldsAndPositionsNoGameReaches) {
    const struct {
        const char* fen;
        const char* error; // empty when the position is playable
        int halfmove;
        int64_t number;
    } rows[] = {
        {"4k3/8/8/8/8/8/8/4K3 w", "", 0, 1},
        {"4k3/8/8/8/8/8/8/4K3 b KQ", "", 0, 1},
        {"4k3/8/8/8/8/8/8/4K3 w - - 99 80", "", 99, 80},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 2147483647", "", 0, 2147483647},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 2147483648", "bad FEN move number '2147483648'", 0, 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - -1 5", "bad FEN half-move clock '-1'", 0, 0},
        {"4k3/8/8/8/8/8/8/4K3", "FEN needs at least the board and the side to move", 0, 0},
        {"4k3/4R3/8/8/8/8/8/4K3 w - - 0 1", "the side not to move is in check", 0, 0},
        {"4k3/4r3/8/8/8/8/8/4K3 w - - 0 1", "", 0, 1}, // the side to move may be
        {"kkkkkkkk/kkkkkkkk/8/8/8/8/KKKKKKKK/KKKKKKKK w - - 0 1", "White must have exactly one king", 0, 0},
        {"8/8/8/8/8/8/8/4K3 w - - 0 1", "Black must have exactly one king", 0, 0},
        {"4k3/8/8/8/4pP2/8/8/4K3 w - e3 0 1", "bad FEN en-passant square 'e3' with White to move", 0, 0},
        {"4k3/8/8/8/4pP2/8/8/4K3 b - f3 0 1", "", 0, 1},
        {"4k3/8/8/3p4/8/8/8/4K3 w - e6 0 1", "no pawn has just passed the en-passant square e6", 0, 0},
        {"4k2P/8/8/8/8/8/8/4K3 w - - 0 1", "a pawn on the first or last rank", 0, 0},
    };
    for (const auto& row : rows) {
        const Parsed<FenPosition> read = ReadPlayableFen(row.fen);
        EXPECT_EQ(read.error, row.error) << row.fen;
        if (!read) continue;
        EXPECT_EQ(read.value->halfmove_clock, row.halfmove) << row.fen;
        EXPECT_EQ(read.value->move_number, row.number) << row.fen;
        // The same refusal when a file holds the FEN.
        EXPECT_EQ(ReadGameText(std::string(row.fen) + "\n").positions.size(), 1u) << row.fen;
    }
    EXPECT_EQ(ReadGameText("4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\n").error, "the side not to move is in check");
}

TEST(Positions, MoveFormsAndNumbers) {
    const struct {
        const char* text;
        const char* coordinate; // null: not a move
        const char* engine;
    } rows[] = {{"e2e4", "e2e4", "e2-e4"},     {"e2-e4", "e2e4", "e2-e4"},      {"e5xd6", "e5d6", "e5-d6"},
                {"e7e8q", "e7e8q", "e7-e8=Q"}, {"e7-e8=Q", "e7e8q", "e7-e8=Q"}, {"c2d1N", "c2d1n", "c2-d1=N"},
                {"e7e8=", nullptr, nullptr},   {"e7e8k", nullptr, nullptr},     {"e2", nullptr, nullptr},
                {"e2-", nullptr, nullptr},     {"i2i4", nullptr, nullptr},      {"e2e4 ", nullptr, nullptr}};
    for (const auto& row : rows) {
        const std::optional<Move> move = Move::Parse(row.text);
        ASSERT_EQ(move.has_value(), row.coordinate != nullptr) << row.text;
        if (!move) continue;
        EXPECT_EQ(move->Coordinate(), row.coordinate) << row.text;
        EXPECT_EQ(move->EngineText(), row.engine) << row.text;
    }
    EXPECT_EQ(ParseInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseInteger("9223372036854775808"), std::nullopt);
    EXPECT_EQ(ParseInteger("99999999999999999999"), std::nullopt);
    EXPECT_EQ(SplitAtBlanks("go "), Words{"go "});
    EXPECT_EQ(SplitAtBlanks(" a  b"), (Words{"", "a", "", "b"}));
    EXPECT_EQ(SplitWords(" a \t b "), (Words{"a", "b"}));
}

} // namespace galvetta::test

namespace galvetta::test {

// The game-state judge over games played from a FEN.
TEST(Judge, DrawsByRuleAndWhatIsNoDraw) {
    const struct {
        const char* fen;
        const char* moves;
        const char* ending; // "" while the game goes on
    } rows[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", "Draw by repetition"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1",
         ""},
        // The first time, White could take en passant; then no more: twice only.
        {"rnbqkbnr/pppppppp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3",
         "d7d5 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", ""},
        // The rooks went out and back: the rights differ, twice only.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8 g1f3 g8f6", ""},
        {"4k3/8/8/8/8/8/4P3/R3K3 w Q - 99 80", "a1a7", "50 move rule"},
        {"4k3/8/8/8/8/8/4P3/R3K3 w Q - 99 80", "e2e4", ""},
        {"7k/8/6K1/8/8/8/8/R7 w - - 99 80", "a1a8", "White mates"}, // mate on the hundredth ply wins
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "", "Stalemate"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "", "Insufficient material"},
        {"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", "", "Insufficient material"},
        {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "", "Insufficient material"},
        {"4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1", "", "Insufficient material"}, // both bishops on dark squares
        {"2b1k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "", ""},                     // on squares of both colours
        {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", "", ""},
        {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", "", ""},
    };
    for (const auto& row : rows) {
        const Parsed<FenPosition> start = ReadPlayableFen(row.fen);
        ASSERT_TRUE(start) << row.fen << ": " << start.error;
        std::vector<std::string> positions{start.value->text};
        for (const std::string& coordinate : SplitWords(row.moves)) {
            const Parsed<LegalMove> move = ParseSan(positions.back(), coordinate);
            ASSERT_TRUE(move) << row.fen << ": " << coordinate;
            positions.push_back(PositionAfter(positions.back(), *move.value));
        }
        EXPECT_EQ(JudgeGame(positions, start.value->halfmove_clock).reason, row.ending)
            << row.fen << " " << row.moves;
        // Play going on past the end: the one pass finds the ply that judging
        // every prefix finds.
        if (!HasLegalMove(positions.back())) continue;
        std::vector<std::string> longer = positions;
        longer.push_back(PositionAfter(positions.back(), LegalMoves(positions.back(), false).front()));
        std::optional<size_t> by_prefix;
        for (size_t ply = 1; ply + 1 < longer.size() && !by_prefix; ++ply)
            if (JudgeGame({longer.begin(), longer.begin() + static_cast<std::ptrdiff_t>(ply) + 1},
                          start.value->halfmove_clock))
                by_prefix = ply;
        const std::optional<RuleDraw> draw = FirstDrawByRule(longer, start.value->halfmove_clock);
        EXPECT_EQ(draw ? std::optional<size_t>(draw->ply) : std::nullopt, by_prefix)
            << row.fen << " " << row.moves;
    }
}

} // namespace galvetta::test
