// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/perft.h"

#include "engine/attack.h"
#include "engine/makemove.h"
#include "engine/movegen.h"

namespace galvetta {

void perft_begin(StateBlock* block) {
    Frame* root = block->root();
    root->first_move = MOVE_AREA_START;
    // The loader leaves the side to move in enemy_side; generation wants the other.
    flip_side(block->vars);
}

bool perft_make(StateBlock* block, Frame* frame, uint32_t move) {
    if (!make_move(block, frame, move)) return false;
    const MoveRecord* record = at<MoveRecord>(block, move);
    const uint32_t mover = at<PieceRecord>(block, record->piece)->word;
    const uint32_t king = (mover & KING_BIT) ? record->to : frame->king_cell;
    if (square_attacked(block, king)) return false;
    flip_side(block->vars);
    return true;
}

void perft_take_back(StateBlock* block, Frame* frame, bool legal) {
    if (legal) flip_side(block->vars);
    unmake_move(block, frame);
}

uint64_t perft(StateBlock* block, Frame* frame, int depth) {
    if (depth <= 0) return 1;
    const uint32_t count = generate_node(block, frame);
    uint64_t total = 0;
    const uint32_t first = frame->first_move;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t move = first + i * static_cast<uint32_t>(sizeof(MoveRecord));
        const bool legal = perft_make(block, frame, move);
        if (legal) total += depth == 1 ? 1 : perft(block, frame + 1, depth - 1);
        perft_take_back(block, frame, legal);
    }
    return total;
}

RootStatus root_status(StateBlock* block) {
    perft_begin(block);
    Frame* root = block->root();
    const uint64_t legal = perft(block, root, 1);
    // Generating the root found the mover's king; enemy_side is now the opponent.
    return {legal, square_attacked(block, root->king_cell)};
}

} // namespace galvetta
