// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>

#include "engine/state_block.h"
#include "support.h"

namespace galvetta::test {

TEST(StateBlock, SizeAndCellAddresses) {
    EXPECT_EQ(engine_block_size(), 297568u);
    EXPECT_EQ(sq("a8"), BOARD_ORIGIN);
    EXPECT_EQ(sq("h8"), BOARD_ORIGIN + 112);
    EXPECT_EQ(sq("a1"), BOARD_ORIGIN + 1792);
    EXPECT_EQ(sq("e1"), BOARD_ORIGIN + 1856);
    EXPECT_EQ(sq("e8"), BOARD_ORIGIN + 64);
}

TEST(StateBlock, PrepareFillsTemplateZerosRegionsAndKeepsHeader) {
    auto block = block_with_text(STARTING_POSITION);
    block->header.max_depth = 7;
    block->header.move_number = 42;
    Header before;
    std::memcpy(&before, &block->header, sizeof before);
    prepare_block(block.get());

    EXPECT_EQ(std::memcmp(&before, &block->header, sizeof before), 0);
    static constexpr std::array<std::array<int, 8>, 8> WEIGHTS = {{
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0x400, 0x1000, 0x1200, 0x1200, 0x1000, 0x400, 0},
        {0, 0x800, 0x1400, 0x1600, 0x1600, 0x1400, 0x800, 0},
        {0, 0x1200, 0x1800, 0x3400, 0x3400, 0x1800, 0x1200, 0},
        {0, 0x1200, 0x1800, 0x3400, 0x3400, 0x1800, 0x1200, 0},
        {0, 0x800, 0x1400, 0x1600, 0x1600, 0x1400, 0x800, 0},
        {0, 0x400, 0x1000, 0x1200, 0x1200, 0x1000, 0x400, 0},
        {0, 0, 0, 0, 0, 0, 0, 0},
    }};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 16; ++column) {
            const Cell& c = block->board_template[row][column];
            if (column < 8) {
                EXPECT_EQ(c.weight, WEIGHTS[row][column] + 0x8C) << row << "," << column;
                EXPECT_EQ(c.occupant, EMPTY_WORD);
            } else {
                EXPECT_EQ(c.weight, 0);
                EXPECT_EQ(c.occupant, 0u);
            }
        }
    }
    const auto all_zero = [](const void* p, size_t n) {
        const auto* bytes = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] != 0) return false;
        return true;
    };
    EXPECT_TRUE(all_zero(block->frames, sizeof block->frames));
    EXPECT_TRUE(all_zero(block->move_area, sizeof block->move_area));
    EXPECT_TRUE(all_zero(&block->board_area, sizeof block->board_area));
    EXPECT_EQ(block->vars.pawn_attack_row[0], 256);
    EXPECT_EQ(block->vars.pawn_attack_row[1], -256);
    EXPECT_EQ(block->vars.ep_row[0], 512);
    EXPECT_EQ(block->vars.ep_row[1], 1280);
    // Enemy White (index 0) walks Black's records, enemy Black walks White's.
    EXPECT_EQ(block->vars.list_anchor[0] + sizeof(PieceRecord), FIRST_BLACK_RECORD);
    EXPECT_EQ(block->vars.list_anchor[1] + sizeof(PieceRecord), FIRST_WHITE_RECORD);
}

TEST(StateBlock, EnemyOrEmptyTestOnWords) {
    for (uint32_t side : {WHITE, BLACK}) {
        EXPECT_NE(EMPTY_WORD & side, 0u);
        EXPECT_EQ(MARGIN_WORD & side, 0u);
    }
    EXPECT_NE(BLACK_QUEEN & BLACK, 0u);
    EXPECT_EQ(WHITE_QUEEN & BLACK, 0u);
}

} // namespace galvetta::test
