// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the engine tests: blocks loaded from FEN or position text,
// and squares by name.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/loader.h"
#include "engine/perft.h"
#include "engine/state_block.h"
#include "notation/PositionText.h"

namespace galvetta::test {

inline std::string text_of(const std::string& fen) {
    Parsed<std::string> parsed = FenToPositionText(fen);
    EXPECT_TRUE(parsed) << fen << ": " << parsed.error;
    return parsed.value.value_or(std::string());
}

inline std::unique_ptr<StateBlock> block_with_text(const std::string& text) {
    auto block = std::make_unique<StateBlock>();
    std::memset(static_cast<void*>(block.get()), 0xA5, sizeof(StateBlock)); // garbage, as a fresh allocation
    new_header(block.get(), text);
    return block;
}

// Prepared and loaded from a position text, with enemy_side set for generating
// the side to move's moves at the root.
inline std::unique_ptr<StateBlock> loaded_text(const std::string& text) {
    auto block = block_with_text(text);
    EXPECT_TRUE(load_block(block.get(), text));
    perft_begin(block.get());
    return block;
}

inline std::unique_ptr<StateBlock> loaded_fen(const std::string& fen) {
    return loaded_text(text_of(fen));
}

// Offset of a square's cell, "e4" style.
inline uint32_t sq(const char* name) {
    return square_cell(7 - (name[1] - '1'), name[0] - 'a');
}

inline Cell* cell(StateBlock* block, const char* name) {
    return cell_at(block, sq(name));
}

inline MoveRecord* move_at(StateBlock* block, uint32_t index) {
    return at<MoveRecord>(block, block->root()->first_move) + index;
}

// "e2-e4" text of a generated move (before make_move wrote `from`).
inline std::string move_text(StateBlock* block, uint32_t index) {
    MoveRecord* m = move_at(block, index);
    m->from = at<PieceRecord>(block, m->piece)->cell;
    char out[16];
    char* end = write_move(block, offset_of(block, m), out);
    return std::string(out, end);
}

} // namespace galvetta::test
