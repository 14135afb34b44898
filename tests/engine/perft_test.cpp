// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/perft.h"
#include "support.h"

namespace galvetta::test {

namespace {

struct PerftCase {
    const char* name;
    const char* fen;
    int depth;
    uint64_t count;
};

uint64_t run_perft(const PerftCase& c) {
    auto block = loaded_fen(c.fen);
    return perft(block.get(), block->root(), c.depth);
}

class Perft : public ::testing::TestWithParam<PerftCase> {};

TEST_P(Perft, MatchesPublishedCount) {
    EXPECT_EQ(run_perft(GetParam()), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Published, Perft,
    ::testing::Values(
        PerftCase{"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609},
        // Kiwipete counts 4,085,663 if a captured piece's record comes back to life.
        PerftCase{"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
        PerftCase{"endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
        PerftCase{"promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 4, 422333},
        PerftCase{"mirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 4, 422333},
        PerftCase{"talkchess", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 4, 2103487},
        PerftCase{"middlegame", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4,
                  3894594}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

// Longer runs, under their own CTest label.
class PerftDeep : public ::testing::TestWithParam<PerftCase> {};

TEST_P(PerftDeep, MatchesPublishedCount) {
    EXPECT_EQ(run_perft(GetParam()), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Published, PerftDeep,
    ::testing::Values(
        PerftCase{"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
        PerftCase{"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 5,
                  193690690},
        PerftCase{"endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 6, 11030083},
        PerftCase{"promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 5, 15833292},
        PerftCase{"talkchess", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 5, 89941194}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

} // namespace

} // namespace galvetta::test
