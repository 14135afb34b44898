// SPDX-License-Identifier: GPL-3.0-or-later
// The nine generator routines, side by side so that their orders can be
// compared. Each appends move records at `out` and returns the new end, or
// nullptr when a target holds the enemy king (ILLEGAL_POSITION).
#include "engine/movegen.h"

#include <initializer_list>

namespace galvetta {

namespace {

// What every generator needs at hand: the block's base, the side that may be
// captured, the current frame and the mover's record. The node's pick is kept
// here while the list is built and stored in the frame once at the end, so
// that it can live in registers instead of being reloaded after every record.
struct GenContext {
    unsigned char* base;
    StateBlock* block;
    Frame* frame;
    uint32_t enemy;
    uint32_t piece;
    int32_t pick_score;
    MoveRecord* pick;
};

// The generators are inlined into generate_node so that the context stays in
// registers across the whole node.
#define GALVETTA_INLINE inline __attribute__((always_inline))

inline Cell* cell_of(const GenContext& g, uint32_t cell) {
    return reinterpret_cast<Cell*>(g.base + cell);
}

// Writes one record and keeps the frame's pick on the first highest gain.
GALVETTA_INLINE MoveRecord* put(GenContext& g, MoveRecord* out, int32_t gain, uint32_t to, uint32_t kind) {
    out->order_score = gain;
    out->gain = gain;
    out->value = gain;
    out->piece = g.piece;
    out->to = to;
    out->kind = kind;
    if (gain > g.pick_score) {
        g.pick_score = gain;
        g.pick = out;
    }
    return out + 1;
}

inline void add_bonus(MoveRecord* record, int32_t bonus) {
    record->order_score = wrap_add(record->order_score, bonus);
    record->gain = wrap_add(record->gain, bonus);
    record->value = wrap_add(record->value, bonus);
}

// Target test for one step of a king or knight. Returns nullptr on the enemy king.
GALVETTA_INLINE MoveRecord* step(GenContext& g, MoveRecord* out, uint32_t to, uint32_t kind) {
    const Cell* cell = cell_of(g, to);
    const uint32_t occ = cell->occupant;
    if (!(occ & g.enemy)) return out;
    if (occ & KING_BIT) return nullptr;
    return put(g, out, cell->weight, to, kind);
}

// A sliding ray: empty cells continue it, a capture or a blocker ends it.
GALVETTA_INLINE MoveRecord* ray(GenContext& g, MoveRecord* out, uint32_t from, int32_t dir, uint32_t kind) {
    uint32_t to = from + dir;
    for (;;) {
        const Cell* cell = cell_of(g, to);
        const uint32_t occ = cell->occupant;
        if (!(occ & g.enemy)) return out;
        if (occ & KING_BIT) return nullptr;
        out = put(g, out, cell->weight, to, kind);
        if (!(occ & EMPTY_BIT)) return out;
        to += dir;
    }
}

#define GALVETTA_TRY(expr)                                                                                   \
    do {                                                                                                     \
        out = (expr);                                                                                        \
        if (out == nullptr) return nullptr;                                                                  \
    } while (0)

GALVETTA_INLINE MoveRecord* gen_king_moves(GenContext& g, MoveRecord* out, uint32_t from) {
    g.frame->king_cell = from;
    for (int32_t dir : {DIR_N, DIR_NE, DIR_E, DIR_SE, DIR_S, DIR_SW, DIR_W, DIR_NW})
        GALVETTA_TRY(step(g, out, from + dir, MOVE_PLAIN));
    return out;
}

// The castling rook of one corner still able to castle: it exists, keeps its
// castling routine and still stands, alive, on its corner.
GALVETTA_INLINE bool castling_rook_ready(const GenContext& g, uint32_t rook) {
    if (rook == 0) return false;
    const PieceRecord* record = at<PieceRecord>(g.block, rook);
    return record->routine == gen_castling_rook && cell_of(g, record->cell)->owner == rook;
}

// Castling rook (a-file when `long_side`) of the mover's side, or 0 when the
// mover is not the king that stood at home at load.
GALVETTA_INLINE uint32_t castling_rook_of(const GenContext& g, bool long_side) {
    const EngineVars& vars = g.block->vars;
    if (g.piece == vars.castle_king[0]) return vars.castle_rook[long_side ? 0 : 1];
    if (g.piece == vars.castle_king[1]) return vars.castle_rook[long_side ? 2 : 3];
    return 0;
}

GALVETTA_INLINE MoveRecord* gen_castling_king_moves(GenContext& g, MoveRecord* out, uint32_t from) {
    g.frame->king_cell = from;
    constexpr uint32_t KIND = MOVE_KING_LOSES_CASTLING;
    GALVETTA_TRY(step(g, out, from + DIR_NW, KIND));
    GALVETTA_TRY(step(g, out, from + DIR_N, KIND));
    GALVETTA_TRY(step(g, out, from + DIR_NE, KIND));
    GALVETTA_TRY(step(g, out, from + DIR_W, KIND));

    // Long castling: d-file empty, rook ready, b-file exactly empty, c-file empty.
    const uint32_t west = from + DIR_W;
    if (cell_of(g, west)->occupant == EMPTY_WORD && castling_rook_ready(g, castling_rook_of(g, true)) &&
        cell_of(g, west - 32)->occupant == EMPTY_WORD) {
        const Cell* target = cell_of(g, west - 16);
        if (target->occupant & EMPTY_BIT) {
            out = put(g, out, target->weight, west - 16, MOVE_CASTLE_LONG);
            add_bonus(out - 1, CASTLE_LONG_BONUS);
        } else if ((target->occupant & KING_BIT) && (target->occupant & g.enemy)) {
            return nullptr;
        }
    }

    GALVETTA_TRY(step(g, out, from + DIR_E, KIND));

    // Short castling: f-file empty, rook ready, g-file empty.
    const uint32_t east = from + DIR_E;
    if (cell_of(g, east)->occupant == EMPTY_WORD && castling_rook_ready(g, castling_rook_of(g, false))) {
        const Cell* target = cell_of(g, east + 16);
        if (target->occupant & EMPTY_BIT) {
            out = put(g, out, target->weight, east + 16, MOVE_CASTLE_SHORT);
            add_bonus(out - 1, CASTLE_SHORT_BONUS);
        } else if ((target->occupant & KING_BIT) && (target->occupant & g.enemy)) {
            return nullptr;
        }
    }

    GALVETTA_TRY(step(g, out, from + DIR_SW, KIND));
    GALVETTA_TRY(step(g, out, from + DIR_S, KIND));
    GALVETTA_TRY(step(g, out, from + DIR_SE, KIND));
    return out;
}

GALVETTA_INLINE MoveRecord* gen_queen_moves(GenContext& g, MoveRecord* out, uint32_t from) {
    for (int32_t dir : {DIR_N, DIR_NW, DIR_NE, DIR_E, DIR_W, DIR_S, DIR_SW, DIR_SE})
        GALVETTA_TRY(ray(g, out, from, dir, MOVE_PLAIN));
    return out;
}

GALVETTA_INLINE MoveRecord* gen_rook_moves(GenContext& g, MoveRecord* out, uint32_t from, uint32_t kind) {
    for (int32_t dir : {DIR_N, DIR_E, DIR_W, DIR_S})
        GALVETTA_TRY(ray(g, out, from, dir, kind));
    return out;
}

GALVETTA_INLINE MoveRecord* gen_bishop_moves(GenContext& g, MoveRecord* out, uint32_t from) {
    for (int32_t dir : {DIR_NW, DIR_NE, DIR_SW, DIR_SE})
        GALVETTA_TRY(ray(g, out, from, dir, MOVE_PLAIN));
    return out;
}

GALVETTA_INLINE MoveRecord* gen_knight_moves(GenContext& g, MoveRecord* out, uint32_t from) {
    for (int32_t jump : KNIGHT_JUMPS)
        GALVETTA_TRY(step(g, out, from + jump, MOVE_PLAIN));
    return out;
}

struct PromotionPiece {
    uint32_t word;
    uint32_t routine;
};
constexpr PromotionPiece WHITE_PROMOTIONS[4] = {
    {WHITE_QUEEN, gen_queen}, {WHITE_ROOK, gen_rook}, {WHITE_BISHOP, gen_bishop}, {WHITE_KNIGHT, gen_knight}};
constexpr PromotionPiece BLACK_PROMOTIONS[4] = {
    {BLACK_QUEEN, gen_queen}, {BLACK_ROOK, gen_rook}, {BLACK_BISHOP, gen_bishop}, {BLACK_KNIGHT, gen_knight}};

// Four promotion records to `to`, queen first; each gain includes the new piece.
GALVETTA_INLINE MoveRecord* promotions(GenContext& g, MoveRecord* out, uint32_t to,
                                       const PromotionPiece (&pieces)[4]) {
    const int32_t weight = cell_of(g, to)->weight;
    for (const PromotionPiece& piece : pieces) {
        out->promo_word = piece.word;
        out->promo_routine = piece.routine;
        out = put(g, out, wrap_add(weight, static_cast<int32_t>(piece.word)), to, MOVE_PROMOTION);
    }
    return out;
}

// One pawn routine for both colours. `ahead` is the direction of advance,
// `enemy_bits` the opponent's colour bit tested on captures (0x08 or 0x04,
// with the empty bit 0x80 to tell an empty cell apart).
template <int32_t ahead, uint32_t enemy_bits>
GALVETTA_INLINE MoveRecord* gen_pawn_moves(GenContext& g, MoveRecord* out, uint32_t from,
                                           const PromotionPiece (&pieces)[4]) {
    const uint32_t one = from + ahead;
    if (cell_of(g, one)->occupant & EMPTY_BIT) {
        if (is_margin(cell_of(g, one + ahead)->occupant))
            out = promotions(g, out, one, pieces);
        else
            out = put(g, out, cell_of(g, one)->weight, one, MOVE_PLAIN);
        // A pawn on its start rank has the margin two rows behind it.
        const uint32_t two = one + ahead;
        if (is_margin(cell_of(g, from - 2 * ahead)->occupant) && (cell_of(g, two)->occupant & EMPTY_BIT))
            out = put(g, out, cell_of(g, two)->weight, two, MOVE_DOUBLE_STEP);
    }

    const uint32_t ep_target = (g.frame - 1)->ep_target;
    for (int32_t side : {-16, 16}) { // toward the a-file first
        const uint32_t x = one + side;
        const Cell* cell = cell_of(g, x);
        const uint32_t occ = cell->occupant;
        if ((occ & (0x80 | enemy_bits)) && !(occ & EMPTY_BIT)) {
            if (occ & KING_BIT) return nullptr;
            if (is_margin(cell_of(g, x + ahead)->occupant))
                out = promotions(g, out, x, pieces);
            else
                out = put(g, out, cell->weight, x, MOVE_PLAIN);
        } else if (x == ep_target) {
            const uint32_t victim = x - ahead;
            out->victim_cell = victim;
            out = put(g, out, cell->weight, x, MOVE_EN_PASSANT);
            add_bonus(out - 1, static_cast<int32_t>(cell_of(g, victim)->occupant));
        }
    }
    return out;
}

#undef GALVETTA_TRY
#undef GALVETTA_INLINE

} // namespace

uint32_t generate_node(StateBlock* block, Frame* frame) {
    auto* base = reinterpret_cast<unsigned char*>(block);
    MoveRecord* const first = at<MoveRecord>(block, frame->first_move);
    MoveRecord* out = first;

    const uint32_t enemy = block->vars.enemy_side;
    const uint32_t last = block->vars.last_record[side_index(enemy)];
    GenContext g{base, block, frame, enemy, 0, VALUE_FLOOR, nullptr};
    for (uint32_t piece = block->vars.list_anchor[side_index(enemy)] + sizeof(PieceRecord); piece <= last;
         piece += sizeof(PieceRecord)) {
        const PieceRecord* record = reinterpret_cast<const PieceRecord*>(base + piece);
        const uint32_t from = record->cell;
        // A captured piece's square is owned by someone else (or nobody).
        if (reinterpret_cast<const Cell*>(base + from)->owner != piece) continue;
        g.piece = piece;
        switch (record->routine) {
        case gen_king: out = gen_king_moves(g, out, from); break;
        case gen_castling_king: out = gen_castling_king_moves(g, out, from); break;
        case gen_queen: out = gen_queen_moves(g, out, from); break;
        case gen_rook: out = gen_rook_moves(g, out, from, MOVE_PLAIN); break;
        case gen_castling_rook: out = gen_rook_moves(g, out, from, MOVE_ROOK_LOSES_CASTLING); break;
        case gen_bishop: out = gen_bishop_moves(g, out, from); break;
        case gen_knight: out = gen_knight_moves(g, out, from); break;
        case gen_white_pawn: out = gen_pawn_moves<DIR_N, BLACK>(g, out, from, WHITE_PROMOTIONS); break;
        case gen_black_pawn: out = gen_pawn_moves<DIR_S, WHITE>(g, out, from, BLACK_PROMOTIONS); break;
        default: break;
        }
        if (out == nullptr) {
            out = first;
            break;
        }
    }

    frame->pick_score = g.pick_score;
    frame->pick = g.pick ? offset_of(block, g.pick) : 0;
    const uint32_t count = static_cast<uint32_t>(out - first);
    (frame + 1)->first_move = offset_of(block, out);
    frame->candidates = static_cast<int32_t>(count);
    return count;
}

} // namespace galvetta
