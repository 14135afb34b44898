// SPDX-License-Identifier: GPL-3.0-or-later
// SAN written and read back, on hand-picked positions and on every legal move
// two plies deep from the perft positions.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "notation/San.h"

using namespace galvetta;

namespace {

std::string position_of(const char* fen) {
    Parsed<std::string> position = FenToPositionText(fen);
    EXPECT_TRUE(position) << fen << ": " << position.error;
    return position ? *position.value : std::string();
}

struct SanCase {
    const char* what;
    const char* fen;
    const char* coordinate;
    const char* san;
};

class SanTest : public ::testing::TestWithParam<SanCase> {};

TEST_P(SanTest, WrittenAndReadBack) {
    const SanCase& c = GetParam();
    const std::string position = position_of(c.fen);
    EXPECT_EQ(MoveToSan(position, c.coordinate), c.san);
    const Parsed<LegalMove> read = ParseSan(position, c.san);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(read.value->Coordinate(), c.coordinate);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, SanTest,
    ::testing::Values(
        SanCase{"pawn", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", "e4"},
        SanCase{"knight", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3", "Nf3"},
        SanCase{"by file", "4k3/8/8/8/8/8/4K3/R6R w - - 0 1", "a1d1", "Rad1"},
        SanCase{"by rank", "4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", "R1a3"},
        SanCase{"by both", "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "a1b2", "Qa1b2"},
        SanCase{"file enough beside a rival on the rank", "6k1/8/8/8/8/2Q1Q3/8/2Q1K3 w - - 0 1", "e3d2",
                "Qed2"},
        SanCase{"capture with check", "4k3/8/3p4/8/4N3/8/8/4K3 w - - 0 1", "e4d6", "Nxd6+"},
        SanCase{"pawn capture", "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "exd5"},
        SanCase{"en passant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"},
        SanCase{"promotion", "8/4P3/8/8/8/8/k7/4K3 w - - 0 1", "e7e8q", "e8=Q"},
        SanCase{"underpromotion with capture", "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "e7d8n", "exd8=N"},
        SanCase{"promotion with capture and check", "3r4/4P3/8/k7/8/8/8/4K3 w - - 0 1", "e7d8q", "exd8=Q+"},
        SanCase{"short castling", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "O-O"},
        SanCase{"long castling with check", "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", "O-O-O+"},
        SanCase{"black castles", "r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8c8", "O-O-O"},
        SanCase{"check", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8+"},
        SanCase{"mate", "6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8#"},
        SanCase{"pinned rival needs no letter", "4k3/8/8/8/1b6/8/3N3N/4K3 w - - 0 1", "h2f3", "Nf3"}),
    [](const auto& row) {
        std::string name = row.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(SanLoose, FormsThatMeanTheSameMove) {
    const std::string castles = position_of("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    const std::string promotes = position_of("8/4P3/8/8/8/8/k7/4K3 w - - 0 1");
    const std::string start = STARTING_POSITION;
    const struct {
        const std::string& position;
        const char* text;
        const char* coordinate;
    } rows[] = {{castles, "0-0", "e1g1"},   {castles, "O-O+", "e1g1"},   {castles, "Kg1", "e1g1"},
                {promotes, "e8Q", "e7e8q"}, {promotes, "e8=q", "e7e8q"}, {promotes, "e7e8n", "e7e8n"},
                {start, "Ngf3", "g1f3"},    {start, "Ng1-f3", "g1f3"},   {start, "e2e4", "e2e4"},
                {start, "e4!?", "e2e4"}};
    for (const auto& row : rows) {
        const Parsed<LegalMove> read = ParseSan(row.position, row.text);
        ASSERT_TRUE(read) << row.text << ": " << read.error;
        EXPECT_EQ(read.value->Coordinate(), row.coordinate) << row.text;
    }
    const struct {
        const char* text;
        const char* error;
    } refused[] = {{"e5", "illegal"},     {"Nd2", "illegal"}, {"e8", "illegal"},
                   {"Zf3", "not a move"}, {"", "not a move"}, {"O-O", "illegal"}};
    for (const auto& row : refused) {
        const Parsed<LegalMove> read = ParseSan(start, row.text);
        EXPECT_FALSE(read) << row.text;
        EXPECT_NE(read.error.find(row.error), std::string::npos) << row.text << ": " << read.error;
    }
    const Parsed<LegalMove> ambiguous = ParseSan(position_of("4k3/8/8/8/8/8/4K3/R6R w - - 0 1"), "Rd1");
    EXPECT_NE(ambiguous.error.find("ambiguous"), std::string::npos);

    // A promotion sign on a piece, and a pawn "push" onto a piece or past
    // one en passant: no such move, though a capture lands there.
    const struct {
        const char* fen;
        const char* text;
        const char* error;
    } never[] = {
        {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2", "Nf3=Q", "only a pawn promotes"},
        {"rnbqkbnr/pppp1ppp/8/4p3/4P3/3Q4/PPPP1PPP/RNB1KBNR w KQkq - 0 2", "Qd3xh7=N",
         "only a pawn promotes"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "Ke2=Q", "only a pawn promotes"},
        {"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2", "d5", "illegal"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "f6", "illegal"},
        {"rnbqkbnr/ppp2ppp/8/3pp3/2P1P3/8/PP1P1PPP/RNBQKBNR w KQkq - 0 3", "d5", "illegal"},
    };
    for (const auto& row : never) {
        const Parsed<LegalMove> read = ParseSan(position_of(row.fen), row.text);
        EXPECT_FALSE(read) << row.text << " read as " << (read ? read.value->Coordinate() : "");
        EXPECT_NE(read.error.find(row.error), std::string::npos) << row.text << ": " << read.error;
    }
}

// The quick path (from the target square) answers as the engine's full list
// does, on legal SAN and on texts bent out of shape, in positions of games
// played at random.
TEST(SanQuickPath, AgreesWithTheFullList) {
    std::mt19937 random(20261209);
    const auto pick = [&random](std::string_view from) { return from[random() % from.size()]; };
    // A legal move's SAN, or a text bent from it in one of the ways files
    // go wrong.
    const auto bend = [&](const std::string& san) {
        const std::string target = san.substr(san.size() > 2 ? san.size() - 2 : 0);
        switch (random() % 6) {
        case 0: return san + "=" + pick("QRBNK");
        case 1: return san.size() > 2 && san[1] == 'x' ? san.substr(2) : san; // no file for a capture
        case 2: return std::string{pick("KQRBNabcdefgh")} + target;
        case 3: return std::string{pick("KQRBN"), pick("abcdefgh"), pick("12345678")};
        case 4: return std::string{pick("abcdefgh"), 'x', pick("abcdefgh"), pick("12345678")};
        default: return san;
        }
    };
    size_t compared = 0, legal = 0;
    for (int game = 0; game < 40; ++game) {
        std::string position = STARTING_POSITION;
        for (int ply = 0; ply < 80; ++ply) {
            const std::vector<LegalMove> moves = LegalMoves(position);
            if (moves.empty()) break;
            for (int tries = 0; tries < 6; ++tries) {
                const std::string text = bend(SanOf(moves[random() % moves.size()], moves));
                const Parsed<LegalMove> quick = ParseSan(position, text),
                                        slow = ParseSanByList(position, text);
                ASSERT_EQ(bool(quick), bool(slow))
                    << text << " in " << position << ": " << quick.error << slow.error;
                if (quick) {
                    EXPECT_EQ(quick.value->Coordinate(), slow.value->Coordinate()) << text;
                }
                ++compared;
                legal += bool(quick);
            }
            position = PositionAfter(position, moves[random() % moves.size()]);
        }
    }
    EXPECT_GT(legal, compared / 4); // the bent texts do not crowd out the moves
}

// Every legal move at the first two plies: its SAN is unique in its position
// and reads back to the same move.
TEST(SanRoundTrip, EveryMoveOfThePerftPositionsToDepthTwo) {
    const char* fens[] = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
                          "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
                          "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
                          "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
                          "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"};
    const uint64_t depth_two[] = {400, 2039, 191, 264, 264, 1486, 2079};
    for (size_t f = 0; f < std::size(fens); ++f) {
        const std::string root = position_of(fens[f]);
        uint64_t seen = 0;
        const auto check_all = [&](const std::string& position) {
            const std::vector<LegalMove> moves = LegalMoves(position);
            std::set<std::string> texts;
            for (const LegalMove& move : moves) {
                const std::string san = SanOf(move, moves);
                EXPECT_TRUE(texts.insert(san).second) << fens[f] << ": " << san << " twice";
                const Parsed<LegalMove> read = ParseSan(position, san);
                EXPECT_TRUE(read && read.value->Coordinate() == move.Coordinate())
                    << fens[f] << ": " << san << " " << read.error;
            }
            return moves;
        };
        for (const LegalMove& move : check_all(root))
            seen += check_all(PositionAfter(root, move)).size();
        EXPECT_EQ(seen, depth_two[f]) << fens[f];
    }
}

} // namespace
