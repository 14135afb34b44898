// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine_run.h"

#include <atomic>
#include <cstring>

#include "engine/loader.h"
#include "engine/search.h"

namespace galvetta {

namespace {

void clear_counters(Header& header) {
    header.nodes = 0;
    std::atomic_ref<uint32_t>(header.generated_moves[0]).store(0, std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(header.generated_moves[1]).store(0, std::memory_order_relaxed);
    header.played_moves[0] = header.played_moves[1] = 0;
    header.iterations = 0;
}

} // namespace

void engine_run(StateBlock* block) {
    Header& header = block->header;
    prepare_block(block);
    header.error_flag = 0;
    header.mate_score = MATE_SCORE;
    header.score_unit = SCORE_UNIT;
    if (!load_position(block)) {
        clear_counters(header);
        header.move_text[0] = '\0';
        header.best_score = VALUE_SENTINEL;
        return;
    }
    std::memcpy(&block->board_snapshot, &block->board_area, sizeof(BoardArea));
    Frame* root = block->root();
    root->depth = header.start_depth;

    if (search(block) == SearchOutcome::complete) {
        if (std::memcmp(&block->board_snapshot, &block->board_area, sizeof(BoardArea)) != 0)
            header.error_flag = 1;
        char* end = write_move(block, root->best_move, header.move_text);
        *end = '\0';
    } else {
        header.move_text[0] = '\0';
    }
    header.best_score = root->best;
}

void engine_thread(StateBlock* block) {
    std::atomic_ref<uint32_t>(block->header.thread_flag).store(0, std::memory_order_relaxed);
    engine_run(block);
}

int is_legal_move(StateBlock* block) {
    Header& header = block->header;
    // A text too short to name two squares names no move.
    if (strnlen(header.move_text, sizeof(header.move_text)) < 4) return 0;
    const ParsedMove parsed = parse_move(header.move_text);
    const uint32_t from = BOARD_ORIGIN + static_cast<uint32_t>(parsed.from);
    const uint32_t to = BOARD_ORIGIN + static_cast<uint32_t>(parsed.to);

    header.max_depth = 3;
    header.start_depth = 1;
    header.depth_step = 1;
    engine_run(block); // a refused position leaves an empty root list

    const Frame* root = block->root();
    for (uint32_t r = root->first_move; r < (root + 1)->first_move; r += sizeof(MoveRecord)) {
        const MoveRecord* move = at<MoveRecord>(block, r);
        if (move->to == to && move->from == from && move->value != VALUE_ILLEGAL) return -1;
    }
    return 0;
}

} // namespace galvetta
