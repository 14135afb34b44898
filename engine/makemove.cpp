// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/makemove.h"

#include "engine/attack.h"

namespace galvetta {

namespace {

// Moves a rook's word between two cells during castling. Neither cell's
// weight gains or loses EMPTY_WORD.
inline void shift_word(StateBlock* block, uint32_t from, uint32_t to) {
    Cell* source = cell_at(block, from);
    Cell* target = cell_at(block, to);
    const uint32_t word = source->occupant;
    target->weight = wrap_add(target->weight, static_cast<int32_t>(word));
    target->occupant = word;
    target->owner = source->owner;
    source->weight = wrap_sub(source->weight, static_cast<int32_t>(word));
    source->occupant = EMPTY_WORD;
    source->owner = 0;
}

// Castle rook record of the corner `corner` (an offset); White's corners lie
// beyond h8 in the grid.
inline uint32_t castle_rook_for(const StateBlock* block, uint32_t corner, bool long_side) {
    const bool white = corner > block->vars.cell_h8;
    return block->vars.castle_rook[(white ? 0 : 2) + (long_side ? 0 : 1)];
}

inline bool refuse_castling(StateBlock* block, MoveRecord* move, uint32_t passed, uint32_t origin) {
    if (!square_attacked(block, passed) && !square_attacked(block, origin)) return false;
    move->kind = MOVE_PLAIN;
    move->order_score = VALUE_ILLEGAL;
    move->value = VALUE_ILLEGAL;
    return true;
}

// In checking builds: the mover's record and the cell it stands on agree,
// and the cell it left (after a make) or took (after a take-back) holds what
// it should, so that a corrupt board is caught at the move that made it.
#ifdef GALVETTA_CHECK_INVARIANTS
inline void check_mover(StateBlock* block, const MoveRecord* move, uint32_t stands, uint32_t other,
                        uint32_t other_holds) {
    const PieceRecord* piece = at<PieceRecord>(block, move->piece);
    const Cell* on = cell_at(block, stands);
    if (piece->cell != stands || on->owner != move->piece || on->occupant != piece->word ||
        cell_at(block, other)->occupant != other_holds)
        __builtin_trap();
}
#else
inline void check_mover(StateBlock*, const MoveRecord*, uint32_t, uint32_t, uint32_t) {}
#endif

} // namespace

bool make_move(StateBlock* block, Frame* frame, uint32_t move_offset) {
    EngineVars& vars = block->vars;
    MoveRecord* move = at<MoveRecord>(block, move_offset);
    frame->current_move = move_offset;
    move->saved_eval = vars.running_eval;

    PieceRecord* piece = at<PieceRecord>(block, move->piece);
    const uint32_t word = piece->word;
    const uint32_t origin = piece->cell;
    move->from = origin;
    vars.running_eval = wrap_add(vars.running_eval, move->gain);

    Cell* from = cell_at(block, origin);
    from->occupant = EMPTY_WORD;
    from->weight = wrap_sub(from->weight, static_cast<int32_t>(word));
    from->owner = 0;

    const uint32_t destination = move->to;
    Cell* to = cell_at(block, destination);
    frame->last_to = destination;
    move->captured = to->occupant;
    move->captured_owner = to->owner;
    to->weight =
        wrap_sub(wrap_add(to->weight, static_cast<int32_t>(word)), static_cast<int32_t>(to->occupant));
    to->occupant = word;
    to->owner = move->piece;
    piece->cell = destination;

    switch (move->kind) {
    case MOVE_DOUBLE_STEP: frame->ep_target = origin + (destination > origin ? 256 : -256); break;
    case MOVE_CASTLE_SHORT: {
        if (refuse_castling(block, move, destination - 16, origin)) return false;
        shift_word(block, destination + 16, destination - 16);
        PieceRecord* rook = at<PieceRecord>(block, castle_rook_for(block, destination - 16, false));
        rook->cell = destination - 16;
        rook->routine = gen_rook;
        piece->routine = gen_king;
        break;
    }
    case MOVE_CASTLE_LONG: {
        if (refuse_castling(block, move, destination + 16, origin)) return false;
        shift_word(block, destination - 32, destination + 16);
        PieceRecord* rook = at<PieceRecord>(block, castle_rook_for(block, destination - 32, true));
        rook->cell = destination + 16;
        rook->routine = gen_rook;
        piece->routine = gen_king;
        break;
    }
    case MOVE_PROMOTION:
        move->saved_routine = piece->routine;
        move->saved_word = word;
        piece->routine = move->promo_routine;
        piece->word = move->promo_word;
        to->weight = wrap_add(wrap_sub(to->weight, static_cast<int32_t>(word)),
                              static_cast<int32_t>(move->promo_word));
        to->occupant = move->promo_word;
        break;
    case MOVE_ROOK_LOSES_CASTLING: piece->routine = gen_rook; break;
    case MOVE_KING_LOSES_CASTLING: piece->routine = gen_king; break;
    case MOVE_EN_PASSANT: {
        Cell* victim = cell_at(block, move->victim_cell);
        const uint32_t taken = victim->occupant;
        victim->occupant = EMPTY_WORD;
        victim->weight = wrap_sub(victim->weight, static_cast<int32_t>(taken));
        move->captured = taken;
        move->captured_owner = victim->owner;
        victim->owner = 0;
        break;
    }
    default: break;
    }
    check_mover(block, move, destination, origin, EMPTY_WORD);
    return true;
}

void unmake_move(StateBlock* block, Frame* frame) {
    EngineVars& vars = block->vars;
    MoveRecord* move = at<MoveRecord>(block, frame->current_move);
    const uint32_t destination = move->to;
    Cell* to = cell_at(block, destination);
    const uint32_t word = to->occupant;
    to->weight =
        wrap_sub(wrap_add(to->weight, static_cast<int32_t>(move->captured)), static_cast<int32_t>(word));
    to->occupant = move->captured;
    to->owner = move->captured_owner;

    vars.running_eval = move->saved_eval;

    PieceRecord* piece = at<PieceRecord>(block, move->piece);
    const uint32_t origin = move->from;
    Cell* from = cell_at(block, origin);
    piece->cell = origin;
    from->weight = wrap_add(from->weight, static_cast<int32_t>(word));
    from->occupant = word;
    from->owner = move->piece;

    switch (move->kind) {
    case MOVE_DOUBLE_STEP: frame->ep_target = 0; break;
    case MOVE_CASTLE_SHORT: {
        shift_word(block, destination - 16, destination + 16);
        piece->routine = gen_castling_king;
        PieceRecord* rook = at<PieceRecord>(block, castle_rook_for(block, destination + 16, false));
        rook->cell = destination + 16;
        rook->routine = gen_castling_rook;
        break;
    }
    case MOVE_CASTLE_LONG: {
        shift_word(block, destination + 16, destination - 32);
        piece->routine = gen_castling_king;
        PieceRecord* rook = at<PieceRecord>(block, castle_rook_for(block, destination - 32, true));
        rook->cell = destination - 32;
        rook->routine = gen_castling_rook;
        break;
    }
    case MOVE_PROMOTION:
        from->weight = wrap_sub(from->weight, static_cast<int32_t>(piece->word));
        piece->routine = move->saved_routine;
        piece->word = move->saved_word;
        from->weight = wrap_add(from->weight, static_cast<int32_t>(move->saved_word));
        from->occupant = move->saved_word;
        break;
    case MOVE_ROOK_LOSES_CASTLING: piece->routine = gen_castling_rook; break;
    case MOVE_KING_LOSES_CASTLING: piece->routine = gen_castling_king; break;
    case MOVE_EN_PASSANT: {
        // The capture was restored onto the destination above; it belongs beside it.
        const uint32_t taken = move->captured;
        to->weight =
            wrap_add(to->weight, wrap_sub(static_cast<int32_t>(EMPTY_WORD), static_cast<int32_t>(taken)));
        to->occupant = EMPTY_WORD;
        Cell* victim = cell_at(block, move->victim_cell);
        victim->occupant = taken;
        victim->weight = wrap_add(victim->weight, static_cast<int32_t>(taken));
        victim->owner = to->owner;
        to->owner = 0;
        break;
    }
    default: break;
    }
    check_mover(block, move, origin, destination,
                move->kind == MOVE_EN_PASSANT ? EMPTY_WORD : move->captured);
}

} // namespace galvetta
