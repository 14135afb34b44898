// SPDX-License-Identifier: GPL-3.0-or-later
// Position text in, move text out: the engine's boundary with text.
#pragma once

#include <string_view>

#include "engine/state_block.h"

namespace galvetta {

// Reads the header's position_text into the board area, the piece records
// and the castling and en-passant state. Returns false, and loads nothing,
// when one side has more than 16 pieces (the records could not hold them).
bool load_position(StateBlock* block);

// Writes `text` as the header's position text, cut to its room and
// zero-terminated; the rest of the header is left as it is.
void write_position_text(StateBlock* block, std::string_view text);

// A header of zeros holding `text` as its position, and no root filter: the
// block is ready for engine_run.
void new_header(StateBlock* block, std::string_view text);

// new_header, prepare_block and load_position: the block is ready for
// generation. False when the loader refuses the position.
bool load_block(StateBlock* block, std::string_view text);

// True when the text's 64 squares hold at most 16 pieces of each side.
// Reads up to the terminating zero; characters that are not squares are skipped
// as the loader skips them.
bool position_fits(const char* position_text);

// Writes the square of `cell` (an offset) as two characters at `out`, returns the
// position after them.
char* write_square(const StateBlock* block, uint32_t cell, char* out);

// Writes a move record (an offset) as "e2-e4" or "e7-e8=Q" without a terminating
// zero and returns the position after it. A record outside the move area writes
// nothing.
char* write_move(const StateBlock* block, uint32_t move, char* out);

struct ParsedSquare {
    int32_t displacement; // from the board origin
    const char* next;
};
ParsedSquare parse_square(const char* text);

struct ParsedMove {
    int32_t from; // displacements from the board origin
    int32_t to;
};
ParsedMove parse_move(const char* text);

} // namespace galvetta
