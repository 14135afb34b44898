// SPDX-License-Identifier: GPL-3.0-or-later
#include <thread>

#include "engine/engine_run.h"
#include "engine/makemove.h"
#include "engine/movegen.h"
#include "engine/search.h"
#include "support.h"

namespace galvetta::test {

namespace {

struct SearchRun {
    std::unique_ptr<StateBlock> block;
    Header& h() { return block->header; }
    std::string move() { return h().move_text; }
};

SearchRun run(const std::string& fen, int start, int max, int step, uint32_t stop = 0, uint32_t finish = 0) {
    SearchRun r{block_with_text(text_of(fen))};
    r.h().start_depth = start;
    r.h().max_depth = max;
    r.h().depth_step = step;
    r.h().stop_request = stop;
    r.h().finish_request = finish;
    engine_run(r.block.get());
    return r;
}

// The value of a root move of a finished run, found by its text.
int32_t root_value(SearchRun& r, const std::string& text) {
    const Frame* root = r.block->root();
    for (uint32_t m = root->first_move; m < (root + 1)->first_move; m += sizeof(MoveRecord)) {
        char out[16];
        const std::string t(out, write_move(r.block.get(), m, out));
        if (t == text) return at<MoveRecord>(r.block.get(), m)->value;
    }
    ADD_FAILURE() << "no root move " << text;
    return 0;
}

const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(Search, DepthOneTakesTheBestNegatedLeafEarliestOnTies) {
    // Work out the depth-1 choice by hand: each root move is worth its gain
    // minus the best gain the opponent has in reply.
    auto block = loaded_fen(START);
    StateBlock* b = block.get();
    Frame* root = b->root();
    const uint32_t count = generate_node(b, root);
    int32_t best = VALUE_FLOOR;
    std::string best_text;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string text = move_text(b, i);
        const uint32_t m = root->first_move + i * sizeof(MoveRecord);
        ASSERT_TRUE(make_move(b, root, m));
        b->vars.enemy_side ^= 12;
        ASSERT_GT(generate_node(b, root + 1), 0u);
        const int32_t value = at<MoveRecord>(b, m)->gain - (root + 1)->pick_score;
        b->vars.enemy_side ^= 12;
        unmake_move(b, root);
        if (value > best) {
            best = value;
            best_text = text;
        }
    }
    SearchRun r = run(START, 1, 1, 1);
    EXPECT_EQ(r.move(), best_text);
    EXPECT_EQ(r.h().best_score, best);
    EXPECT_EQ(r.h().nodes, 21u); // the root and its 20 leaves
    EXPECT_EQ(r.h().played_moves[0], 20u);
    EXPECT_EQ(r.h().error_flag, 0);
    // d2-d4 and e2-e4 tie; the earlier one stays.
    EXPECT_EQ(r.move(), "d2-d4");
}

TEST(Search, MateInOneSeenFromDepthTwo) {
    const char* fen = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    SearchRun shallow = run(fen, 1, 1, 1);
    EXPECT_NE(shallow.h().best_score, MATE_SCORE);
    for (int depth : {2, 3, 4}) {
        SearchRun r = run(fen, depth, depth, 1);
        EXPECT_EQ(r.move(), "a1-a8") << depth;
        EXPECT_EQ(r.h().best_score, MATE_SCORE) << depth;
    }
    // Black is mated the same way.
    SearchRun black = run("r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", 2, 4, 2);
    EXPECT_EQ(black.move(), "a8-a1");
    EXPECT_EQ(black.h().best_score, MATE_SCORE);
}

TEST(Search, StalemateIsWorthZeroAndMovesIntoCheckAreNeverChosen) {
    SearchRun r = run("7k/5K2/8/8/8/8/8/6Q1 w - - 0 1", 2, 2, 1);
    EXPECT_EQ(root_value(r, "g1-g6"), 0); // stalemate
    EXPECT_EQ(r.move(), "g1-g7");         // mate instead
    EXPECT_EQ(r.h().best_score, MATE_SCORE);

    // The pinned rook would win the queen, but leaves its king open.
    for (int depth : {1, 2, 3, 4}) {
        SearchRun pinned = run("4r2k/8/8/8/8/8/q3R3/4K3 w - - 0 1", depth, depth, 1);
        EXPECT_NE(pinned.move(), "e2-a2") << depth;
        EXPECT_EQ(root_value(pinned, "e2-a2"), VALUE_ILLEGAL) << depth;
        EXPECT_EQ(pinned.h().error_flag, 0);
    }
}

TEST(Search, IterationSchedules) {
    const struct {
        int start, max, step;
        uint32_t iterations;
        int last;
    } rows[] = {
        {2, 6, 2, 3, 6}, // 2, 4, 6
        {2, 6, 4, 2, 6}, // 2, 6
        {8, 6, 2, 2, 6}, // 8, then 6
        {1, 4, 2, 3, 4}, // 1, 3, 4
        {3, 3, 2, 1, 3},
    };
    for (const auto& row : rows) {
        SearchRun r = run("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", row.start,
                          row.max, row.step);
        EXPECT_EQ(r.h().iterations, row.iterations) << row.start << "-" << row.max << "/" << row.step;
        EXPECT_EQ(r.block->root()->depth, row.last);
        EXPECT_FALSE(r.move().empty());
    }
}

TEST(Search, FinishBeforeStartGivesOneIterationStopAbandonsAtTheRollover) {
    SearchRun finished = run(START, 2, 8, 2, 0, 1);
    EXPECT_EQ(finished.h().iterations, 1u);
    EXPECT_EQ(finished.block->root()->depth, 2);
    EXPECT_FALSE(finished.move().empty());
    // Exactly the same as a plain depth-2 search.
    SearchRun plain = run(START, 2, 2, 2);
    EXPECT_EQ(finished.move(), plain.move());
    EXPECT_EQ(finished.h().nodes, plain.h().nodes);

    SearchRun stopped = run(START, 6, 6, 2, 1, 0);
    EXPECT_EQ(stopped.move(), "");
    EXPECT_EQ(stopped.h().nodes, 65536u);
    // A search smaller than 65,536 nodes never sees the request.
    SearchRun small = run(START, 3, 3, 1, 1, 0);
    EXPECT_FALSE(small.move().empty());
}

TEST(Search, RootWithoutMovesOrWithTheEnemyKingEnPrise) {
    const struct {
        const char* fen;
        int32_t score;
    } rows[] = {
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", VALUE_SENTINEL}, // checkmated
        {"7k/5K2/6Q1/8/8/8/8/8 b - - 0 1", VALUE_SENTINEL},    // stalemated
        {"7k/6Q1/8/8/8/8/8/6K1 w - - 0 1", 0},                 // White can take the king
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SearchRun r = run(rows[i].fen, 2, 4, 2);
        EXPECT_EQ(r.move(), "") << rows[i].fen;
        EXPECT_EQ(r.h().best_score, rows[i].score) << rows[i].fen;
    }
}

TEST(Search, OneLegalMoveIsDeliveredAtEveryDepth) {
    for (int depth : {1, 2, 3, 4, 5}) {
        SearchRun r = run("7k/8/5K2/8/8/8/8/6R1 b - - 0 1", depth, depth, 1);
        EXPECT_EQ(r.move(), "h8-h7"); // g8 and g7 are covered
    }
}

TEST(Search, KnightPromotionIsWrittenWithItsLetter) {
    // e8=N forks king and queen; at depth 1 the queen's promotion looks best.
    const char* fen = "8/2q1P1k1/8/8/8/8/8/K7 w - - 0 1";
    EXPECT_EQ(run(fen, 1, 1, 1).move(), "e7-e8=Q");
    EXPECT_EQ(run(fen, 2, 4, 2).move(), "e7-e8=N");
    EXPECT_EQ(run("k7/8/8/8/8/8/2Q1p1K1/8 b - - 0 1", 2, 4, 2).move(), "e2-e1=N");
}

TEST(Search, RefusedPositionGivesNoMove) {
    std::string text = STARTING_POSITION;
    text[20] = 'P';
    SearchRun r{block_with_text(text)};
    r.h().start_depth = r.h().max_depth = r.h().depth_step = 2;
    engine_run(r.block.get());
    EXPECT_EQ(r.move(), "");
    EXPECT_EQ(r.h().nodes, 0u);
}

TEST(LegalMove, AcceptsAndRefuses) {
    const struct {
        const char* fen;
        const char* move;
        bool legal;
    } rows[] = {
        {START, "e2e4", true},
        {START, "e2-e4", true},
        {START, "g1f3", true},
        {START, "e7e5", false}, // the opponent's piece
        {START, "e2e5", false},
        {"4r2k/8/8/8/8/8/q3R3/4K3 w - - 0 1", "e2a2", false}, // exposes the king
        {"4r2k/8/8/8/8/8/q3R3/4K3 w - - 0 1", "e2e8", true},
        {"4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", "e1g1", false}, // through an attacked square
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", true},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8n", true},
        {START, "e2", false},
        {START, "", false},
    };
    for (const auto& row : rows) {
        auto block = block_with_text(text_of(row.fen));
        std::strncpy(block->header.move_text, row.move, sizeof(block->header.move_text) - 1);
        EXPECT_EQ(is_legal_move(block.get()), row.legal ? -1 : 0) << row.fen << " " << row.move;
    }
    std::string crowded = STARTING_POSITION;
    crowded[20] = 'P';
    auto block = block_with_text(crowded);
    std::strcpy(block->header.move_text, "e2e4");
    EXPECT_EQ(is_legal_move(block.get()), 0);
}

TEST(Search, BoardComesBackOnBenchLikePositions) {
    const char* fens[] = {
        START,
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
    };
    for (const char* fen : fens) {
        SearchRun r = run(fen, 2, 4, 2);
        EXPECT_EQ(r.h().error_flag, 0) << fen;
        EXPECT_FALSE(r.move().empty()) << fen;
    }
}

TEST(EngineThread, TwoBlocksSearchedAtOnceAgreeWithOneAtATime) {
    SearchRun a = run(START, 2, 4, 2),
              b = run("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 4, 2);
    auto first = block_with_text(text_of(START));
    auto second =
        block_with_text(text_of("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"));
    for (StateBlock* blk : {first.get(), second.get()}) {
        blk->header.start_depth = 2;
        blk->header.max_depth = 4;
        blk->header.depth_step = 2;
    }
    std::thread t1(engine_thread, first.get()), t2(engine_thread, second.get());
    t1.join();
    t2.join();
    EXPECT_STREQ(first->header.move_text, a.h().move_text);
    EXPECT_EQ(first->header.nodes, a.h().nodes);
    EXPECT_STREQ(second->header.move_text, b.h().move_text);
    EXPECT_EQ(second->header.nodes, b.h().nodes);
}

// Starts a long search (depths `start` to 40) on a thread, waits until it is
// visibly working, sets the request word and waits for the thread to end.
std::unique_ptr<StateBlock> interrupted_search(int start, uint32_t Header::*request) {
    auto block = block_with_text(text_of(START));
    block->header.start_depth = start;
    block->header.max_depth = 40;
    block->header.depth_step = 2;
    std::thread thread(engine_thread, block.get());
    uint32_t* generated = block->header.generated_moves;
    while (std::atomic_ref<uint32_t>(generated[0]).load(std::memory_order_relaxed) == 0 &&
           std::atomic_ref<uint32_t>(generated[1]).load(std::memory_order_relaxed) == 0)
        std::this_thread::yield();
    std::atomic_ref<uint32_t>(block->header.*request).store(1, std::memory_order_relaxed);
    thread.join();
    return block;
}

TEST(EngineThread, StopAndFinishWhileRunning) {
    // A search that would take far too long: the stop request ends it with no move.
    EXPECT_STREQ(interrupted_search(2, &Header::stop_request)->header.move_text, "");
    // Finishing lets the running iteration end and delivers its move.
    const auto finished = interrupted_search(4, &Header::finish_request);
    EXPECT_NE(std::string(finished->header.move_text), "");
    EXPECT_EQ(finished->header.error_flag, 0);
}

} // namespace galvetta::test
