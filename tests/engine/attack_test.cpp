// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/attack.h"
#include "support.h"

namespace galvetta::test {

namespace {

bool attacked_by(const std::string& fen, const char* square, uint32_t side) {
    auto block = loaded_fen(fen);
    block->vars.enemy_side = side;
    return square_attacked(block.get(), sq(square));
}

} // namespace

TEST(Attack, TableOfCases) {
    const struct {
        const char* fen;
        const char* square;
        uint32_t by;
        bool attacked;
    } rows[] = {
        {"4r3/8/8/8/8/8/8/4K2k w - - 0 1", "e1", BLACK, true},    // rook down the open file
        {"4r3/8/8/8/4P3/8/8/4K2k w - - 0 1", "e1", BLACK, false}, // own pawn blocks
        {"4r3/8/8/8/4p3/8/8/4K2k w - - 0 1", "e1", BLACK, false}, // black pawn blocks too
        {"8/8/8/8/8/8/8/4K1k1 w - - 0 1", "f1", BLACK, true},     // king one step east
        {"8/8/8/8/8/8/8/4K2k w - - 0 1", "f1", BLACK, false},     // king two steps away
        {"8/8/8/8/8/8/3P4/k3K3 w - - 0 1", "c3", WHITE, true},
        {"8/8/8/8/8/8/3P4/k3K3 w - - 0 1", "e3", WHITE, true},
        {"8/8/8/8/8/8/3P4/k3K3 w - - 0 1", "d3", WHITE, false},
        {"8/8/8/8/8/8/3P4/k3K3 w - - 0 1", "c3", BLACK, false},
        {"k7/3p4/8/8/8/8/8/4K3 w - - 0 1", "c6", BLACK, true},
        {"k7/3p4/8/8/8/8/8/4K3 w - - 0 1", "e6", BLACK, true},
        {"k7/3p4/8/8/8/8/8/4K3 w - - 0 1", "e6", WHITE, false},
        {"k7/8/8/8/8/8/8/4K3 w - - 0 1", "a4", WHITE, false},  // margin west of the a-file
        {"k7/8/8/8/8/2n5/8/4K3 w - - 0 1", "e2", BLACK, true}, // knight
        {"k7/8/8/8/8/2n5/8/4K3 w - - 0 1", "e3", BLACK, false},
        {"k7/8/8/8/8/8/8/N3K3 w - - 0 1", "b3", WHITE, true},   // knight in the corner
        {"k7/8/8/8/8/8/1b6/4K3 w - - 0 1", "e5", BLACK, true},  // bishop up the diagonal
        {"k7/8/8/8/8/8/1b6/4K3 w - - 0 1", "b5", BLACK, false}, // bishop not along a file
        {"k7/8/8/8/8/8/1r6/4K3 w - - 0 1", "e5", BLACK, false}, // rook not along a diagonal
        {"k7/8/8/8/7q/8/8/4K3 w - - 0 1", "e1", BLACK, true},   // queen on the diagonal
        {"k7/8/8/8/8/8/8/4K2q w - - 0 1", "e1", BLACK, true},   // queen along the rank
    };
    for (const auto& row : rows)
        EXPECT_EQ(attacked_by(row.fen, row.square, row.by), row.attacked) << row.fen << " " << row.square;
}

TEST(Attack, NullCellIsNeverAttacked) {
    auto block = loaded_fen("k7/8/8/8/8/8/8/4K2q w - - 0 1");
    block->vars.enemy_side = BLACK;
    EXPECT_FALSE(square_attacked(block.get(), 0));
}

} // namespace galvetta::test
