// SPDX-License-Identifier: GPL-3.0-or-later
// Built against the engine with shrunken limits: the search must end nodes
// cleanly at the end of the move area and of the frame stack.
#include "engine/engine_run.h"
#include "engine/search.h"
#include "support.h"

namespace galvetta::test {

TEST(Overflow, SearchStaysInsideTheMoveAreaAndFrameStack) {
    static_assert(NODE_MOVE_ROOM == 2010 && DEEPEST_PLY == 3, "this test runs on the small engine");
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"}) {
        auto block = block_with_text(text_of(fen));
        block->header.start_depth = 2;
        block->header.max_depth = 8;
        block->header.depth_step = 2;
        engine_run(block.get());
        EXPECT_NE(std::string(block->header.move_text), "") << fen;
        EXPECT_EQ(block->header.error_flag, 0);
        // Nothing past the deepest frame was stepped into.
        const Frame* root = block->root();
        for (int k = DEEPEST_PLY; k < FRAME_COUNT - 1; ++k)
            EXPECT_EQ(root[k].current_move, 0u) << k;
        for (int k = DEEPEST_PLY + 1; k < FRAME_COUNT - 1; ++k)
            EXPECT_EQ(root[k].first_move, 0u) << k;
        // Lists never reached past the move area.
        for (unsigned char byte : block->reserved1)
            EXPECT_EQ(byte, 0);
    }
}

TEST(Overflow, MoveAreaGuardEndsTheLineAsALeaf) {
    // Kiwipete's root alone takes 48 records; its children leave less room
    // than the shrunken guard wants, so they are valued without generation.
    auto block =
        block_with_text(text_of("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"));
    block->header.start_depth = block->header.max_depth = 4;
    block->header.depth_step = 2;
    engine_run(block.get());
    EXPECT_EQ(block->header.error_flag, 0);
    EXPECT_NE(std::string(block->header.move_text), "");
    EXPECT_EQ(block->root()[1].first_move, MOVE_AREA_START + 48 * sizeof(MoveRecord));
    EXPECT_EQ(block->root()[2].first_move, 0u); // no child list was made
    EXPECT_EQ(block->header.nodes, 49u);        // the root and its 48 children, each a leaf
}

} // namespace galvetta::test
