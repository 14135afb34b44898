// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/state_block.h"

#include <cstring>

namespace galvetta {

namespace {

// Everything after the header as prepare_block leaves it. Because the records
// hold offsets rather than addresses, the image is the same for every block.
struct PreparedImage {
    unsigned char bytes[sizeof(StateBlock)];

    PreparedImage() : bytes{} {
        auto* block = reinterpret_cast<StateBlock*>(bytes);
        EngineVars& vars = block->vars;
        // The White entry (enemy White) describes Black's records and vice versa.
        vars.list_anchor[side_index(WHITE)] = FIRST_BLACK_RECORD - sizeof(PieceRecord);
        vars.list_anchor[side_index(BLACK)] = FIRST_WHITE_RECORD - sizeof(PieceRecord);
        vars.pawn_attack_row[side_index(WHITE)] = 256;
        vars.pawn_attack_row[side_index(BLACK)] = -256;
        vars.ep_row[side_index(WHITE)] = 512;
        vars.ep_row[side_index(BLACK)] = 1280;
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 8; ++column) {
                Cell& cell = block->board_template[row][column];
                cell.weight = SQUARE_WEIGHTS[row][column] * 256 + static_cast<int32_t>(EMPTY_WORD);
                cell.occupant = EMPTY_WORD;
            }
        }
    }
};

const PreparedImage& prepared_image() {
    static const PreparedImage image;
    return image;
}

} // namespace

uint32_t engine_block_size() {
    return sizeof(StateBlock);
}

void prepare_block(StateBlock* block) {
    // All but the header, the iteration log, which a driver may be reading
    // (the search empties the log itself), and the root filter, which the
    // driver sets, as it sets the header.
    constexpr size_t header = sizeof(Header);
    constexpr size_t log = offsetof(StateBlock, iteration_log);
    constexpr size_t after_log = offsetof(StateBlock, lines);
    static_assert(offsetof(StateBlock, root_filter) == log + sizeof(IterationLog));
    unsigned char* bytes = reinterpret_cast<unsigned char*>(block);
    std::memcpy(bytes + header, prepared_image().bytes + header, log - header);
    std::memcpy(bytes + after_log, prepared_image().bytes + after_log, sizeof(StateBlock) - after_log);
}

} // namespace galvetta
