// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/makemove.h"
#include "engine/movegen.h"
#include "support.h"

namespace galvetta::test {

namespace {

// Index of the generated move with this text, or -1.
int find_move(StateBlock* block, uint32_t count, const std::string& text) {
    for (uint32_t i = 0; i < count; ++i)
        if (move_text(block, i) == text) return static_cast<int>(i);
    return -1;
}

struct Snapshot {
    BoardArea board;
    int32_t running_eval;
    explicit Snapshot(const StateBlock* b) : board(b->board_area), running_eval(b->vars.running_eval) {}
    bool same(const StateBlock* b) const {
        return std::memcmp(&board, &b->board_area, sizeof board) == 0 && running_eval == b->vars.running_eval;
    }
};

// Makes the named root move; fails the test when it is not generated.
MoveRecord* play(StateBlock* block, const std::string& text, bool* made = nullptr) {
    Frame* root = block->root();
    const uint32_t count = generate_node(block, root);
    const int index = find_move(block, count, text);
    EXPECT_GE(index, 0) << text;
    if (index < 0) return nullptr;
    MoveRecord* m = move_at(block, index);
    const bool ok = make_move(block, root, offset_of(block, m));
    if (made) *made = ok;
    return m;
}

} // namespace

TEST(MakeMove, KnightTakesQueenAndBack) {
    auto block = loaded_fen("4k3/8/8/3q4/8/4N3/8/4K3 w - - 0 1");
    const Snapshot before(block.get());
    MoveRecord* m = play(block.get(), "e3-d5");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->captured, BLACK_QUEEN);
    EXPECT_EQ(block->vars.running_eval, m->gain);
    EXPECT_EQ(cell(block.get(), "d5")->occupant, WHITE_KNIGHT);
    unmake_move(block.get(), block->root());
    EXPECT_TRUE(before.same(block.get()));
}

TEST(MakeMove, DoubleStepSetsAndClearsTheEnPassantTarget) {
    auto block = loaded_text(STARTING_POSITION);
    play(block.get(), "e2-e4");
    EXPECT_EQ(block->root()->ep_target, sq("e3"));
    EXPECT_EQ(block->root()->last_to, sq("e4"));
    unmake_move(block.get(), block->root());
    EXPECT_EQ(block->root()->ep_target, 0u);
}

TEST(MakeMove, CastlingThroughAnAttackedSquareFails) {
    auto block = loaded_fen("4k3/8/8/8/8/8/5r2/4K2R w K - 0 1");
    // f2 rook attacks f1: short castling must be refused.
    bool made = true;
    MoveRecord* m = play(block.get(), "e1-g1", &made);
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(made);
    EXPECT_EQ(m->kind, MOVE_PLAIN);
    EXPECT_EQ(m->value, VALUE_ILLEGAL);
    EXPECT_EQ(m->order_score, VALUE_ILLEGAL);
    unmake_move(block.get(), block->root());
    const PieceRecord* king = at<PieceRecord>(block.get(), block->vars.castle_king[0]);
    EXPECT_EQ(king->cell, sq("e1"));
    EXPECT_EQ(king->routine, gen_castling_king);
}

TEST(MakeMove, CastlingOutOfCheckFailsButIntoAttackIsLeftToTheChild) {
    bool made = true;
    auto block = loaded_fen("4r1k1/8/8/8/8/8/8/4K2R w K - 0 1"); // e1 in check
    play(block.get(), "e1-g1", &made);
    EXPECT_FALSE(made);
    block = loaded_fen("6r1/k7/8/8/8/8/8/4K2R w K - 0 1"); // only g1 attacked
    play(block.get(), "e1-g1", &made);
    EXPECT_TRUE(made);
}

TEST(MakeMove, ShortCastlingMovesTheRookAndRoutines) {
    auto block = loaded_fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    const Snapshot before(block.get());
    bool made = false;
    play(block.get(), "e1-g1", &made);
    ASSERT_TRUE(made);
    const EngineVars& v = block->vars;
    const PieceRecord* king = at<PieceRecord>(block.get(), v.castle_king[0]);
    const PieceRecord* h_rook = at<PieceRecord>(block.get(), v.castle_rook[1]);
    const PieceRecord* a_rook = at<PieceRecord>(block.get(), v.castle_rook[0]);
    EXPECT_EQ(king->routine, gen_king);
    EXPECT_EQ(h_rook->cell, sq("f1"));
    EXPECT_EQ(h_rook->routine, gen_rook);
    EXPECT_EQ(a_rook->routine, gen_castling_rook);
    EXPECT_EQ(cell(block.get(), "f1")->occupant, WHITE_ROOK);
    EXPECT_EQ(cell(block.get(), "h1")->occupant, EMPTY_WORD);
    unmake_move(block.get(), block->root());
    EXPECT_TRUE(before.same(block.get()));
    EXPECT_EQ(king->routine, gen_castling_king);
    EXPECT_EQ(h_rook->routine, gen_castling_rook);
}

TEST(MakeMove, LongCastlingAndBack) {
    auto block = loaded_fen("r3k3/8/8/8/8/8/8/4K3 b q - 0 1");
    const Snapshot before(block.get());
    bool made = false;
    play(block.get(), "e8-c8", &made);
    ASSERT_TRUE(made);
    EXPECT_EQ(cell(block.get(), "d8")->occupant, BLACK_ROOK);
    EXPECT_EQ(at<PieceRecord>(block.get(), block->vars.castle_rook[2])->cell, sq("d8"));
    unmake_move(block.get(), block->root());
    EXPECT_TRUE(before.same(block.get()));
}

TEST(MakeMove, PromotionRewritesTheRecordAndBack) {
    auto block = loaded_fen("1r5k/P7/8/8/8/8/8/7K w - - 0 1");
    const Snapshot before(block.get());
    PieceRecord* pawn = &block->board_area.white[0];
    play(block.get(), "a7-b8=N");
    EXPECT_EQ(pawn->word, WHITE_KNIGHT);
    EXPECT_EQ(pawn->routine, gen_knight);
    EXPECT_EQ(pawn->letter, 'p');
    EXPECT_EQ(cell(block.get(), "b8")->occupant, WHITE_KNIGHT);
    unmake_move(block.get(), block->root());
    EXPECT_EQ(pawn->word, WHITE_PAWN);
    EXPECT_EQ(pawn->routine, gen_white_pawn);
    EXPECT_TRUE(before.same(block.get()));
}

TEST(MakeMove, EnPassantRemovesTheVictimAndBack) {
    auto block = loaded_fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const Snapshot before(block.get());
    MoveRecord* m = play(block.get(), "e5-d6");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->captured, BLACK_PAWN);
    EXPECT_EQ(cell(block.get(), "d5")->occupant, EMPTY_WORD);
    EXPECT_EQ(cell(block.get(), "d6")->occupant, WHITE_PAWN);
    unmake_move(block.get(), block->root());
    EXPECT_TRUE(before.same(block.get()));
}

TEST(MakeMove, QuietMoveLeavesTheEmptyWordResidue) {
    auto block = loaded_text(STARTING_POSITION);
    MoveRecord* m = play(block.get(), "g1-f3");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->gain, 0x148C);
    // f3 lost its 0x8C on arrival; when the knight leaves it stays lost.
    EXPECT_EQ(cell(block.get(), "f3")->weight, 0x1400 + static_cast<int32_t>(WHITE_KNIGHT));
    unmake_move(block.get(), block->root());
    EXPECT_EQ(cell(block.get(), "f3")->weight, 0x148C);

    // Two quiet arrivals on d3 in one line: the second gains 0x8C less.
    block = loaded_fen("4k3/8/8/8/8/8/1N6/2N1K3 w - - 0 1");
    const MoveRecord* line[5] = {};
    const char* moves[5] = {"b2-d3", "e8-e7", "d3-b4", "e7-e8", "c1-d3"};
    Frame* f = block->root();
    for (int ply = 0; ply < 5; ++ply, ++f) {
        const uint32_t count = generate_node(block.get(), f);
        for (uint32_t i = 0; i < count && line[ply] == nullptr; ++i) {
            MoveRecord* r = at<MoveRecord>(block.get(), f->first_move) + i;
            r->from = at<PieceRecord>(block.get(), r->piece)->cell;
            char out[8];
            if (std::string(out, write_move(block.get(), offset_of(block.get(), r), out)) == moves[ply]) {
                ASSERT_TRUE(perft_make(block.get(), f, offset_of(block.get(), r))) << moves[ply];
                line[ply] = r;
            }
        }
        ASSERT_NE(line[ply], nullptr) << moves[ply];
    }
    EXPECT_EQ(line[0]->gain, 0x168C);
    EXPECT_EQ(line[4]->gain, 0x1600);
}

// Every move of the perft positions, and every reply to it, made and taken
// back leaves all 7,168 bytes of the board area as they were.
TEST(MakeMove, ExactInversesOverPerftPositionsToDepthTwo) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    };
    for (const char* fen : fens) {
        auto block = loaded_fen(fen);
        StateBlock* b = block.get();
        Frame* root = b->root();
        const Snapshot before(b);
        const uint32_t count = generate_node(b, root);
        ASSERT_GT(count, 0u) << fen;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t move = root->first_move + i * sizeof(MoveRecord);
            const bool made = make_move(b, root, move);
            if (made) {
                const Snapshot middle(b);
                b->vars.enemy_side ^= 12;
                const uint32_t replies = generate_node(b, root + 1);
                for (uint32_t j = 0; j < replies; ++j) {
                    const uint32_t reply = (root + 1)->first_move + j * sizeof(MoveRecord);
                    make_move(b, root + 1, reply);
                    unmake_move(b, root + 1);
                    ASSERT_TRUE(middle.same(b)) << fen << " move " << i << " reply " << j;
                }
                b->vars.enemy_side ^= 12;
            }
            unmake_move(b, root);
            ASSERT_TRUE(before.same(b)) << fen << " move " << i;
        }
    }
}

} // namespace galvetta::test
