// SPDX-License-Identifier: GPL-3.0-or-later
// The search is one loop over an explicit frame stack. Each label below is a
// step of the walk; going down makes a move and steps to the next frame,
// coming back takes it back. A node's alpha is its grandparent's `best`, its
// beta the negated `best` of its parent; cut-offs happen at equality.
#include "engine/search.h"

#include <atomic>
#include <chrono>

#include "engine/attack.h"
#include "engine/loader.h"
#include "engine/makemove.h"
#include "engine/movegen.h"

// Some step labels are reached by falling through from the step before them;
// they are kept as names of the walk.
#pragma GCC diagnostic ignored "-Wunused-label"

namespace galvetta {

namespace {

// Nodes between two looks at the driver's requests.
constexpr uint32_t LOOK_INTERVAL = 65536;

inline void publish(StateBlock* block, uint32_t nodes, uint64_t generated, uint64_t played) {
    Header& h = block->header;
    std::atomic_ref<uint32_t>(h.nodes).store(nodes, std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(h.generated_moves[0])
        .store(static_cast<uint32_t>(generated), std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(h.generated_moves[1])
        .store(static_cast<uint32_t>(generated >> 32), std::memory_order_relaxed);
    h.played_moves[0] = static_cast<uint32_t>(played);
    h.played_moves[1] = static_cast<uint32_t>(played >> 32);
}

// The square index (a8 = 0) of a playing cell.
inline uint32_t square_of(uint32_t cell) {
    const uint32_t displacement = cell - BOARD_ORIGIN;
    return (displacement >> 8) * 8 + ((displacement & 0xFF) >> 4);
}

// A move from `from_cell` in a line's two-byte form.
inline LineMove line_move(const MoveRecord* move, uint32_t from_cell) {
    uint32_t code = square_of(from_cell) | square_of(move->to) << 6;
    if (move->kind == MOVE_PROMOTION) {
        const uint32_t word = move->promo_word;
        const uint32_t piece = (word & QUEEN_BIT) ? 1 : (word & ROOK_BIT) ? 2 : (word & BISHOP_BIT) ? 3 : 4;
        code |= piece << LINE_PROMOTION_SHIFT;
    }
    return static_cast<LineMove>(code);
}

// The line of the node at `parent` becomes `move` (just taken back) followed
// by the line of the node it led to: that node's own line when it has one,
// else (a leaf) its generator's pick, else nothing (mate or stalemate). Only on
// a new best, off the main node path.
[[gnu::noinline]] void extend_line(StateBlock* block, Frame* parent, const MoveRecord* move) {
    const auto ply = static_cast<uint32_t>(parent - block->root());
    if (ply >= LINE_PLIES) return;
    LineMove* line = block->lines.moves[ply];
    line[0] = line_move(move, move->from);
    uint32_t length = 1;
    const Frame* child = parent + 1;
    if (ply + 1 < LINE_PLIES) {
        if (child->line_length > 0) {
            const LineMove* tail = block->lines.moves[ply + 1];
            for (uint32_t i = 0; i < child->line_length && length < LINE_PLIES - ply; ++i)
                line[length++] = tail[i];
        } else if (child->best_move != 0) {
            // A leaf's pick is generated, not made: its piece stands on its origin.
            const MoveRecord* pick = at<MoveRecord>(block, child->best_move);
            line[length++] = line_move(pick, at<PieceRecord>(block, pick->piece)->cell);
        }
    }
    parent->line_length = length;
}

// The root's result at the end of an iteration, for a driver that reports
// while the search goes on. Once an iteration, off the node path.
[[gnu::noinline]] void publish_iteration(StateBlock* block, const Frame* root, uint32_t nodes,
                                         int32_t seldepth) {
    if (root->best_move == 0) return;
    std::atomic_ref<uint32_t> count(block->iteration_log.count);
    const uint32_t n = count.load(std::memory_order_relaxed);
    IterationRecord& record = block->iteration_log.records[n % ITERATION_RECORDS];
    record.depth = root->depth;
    record.score = root->best;
    record.nodes = nodes;
    record.seldepth = seldepth;
    record.finished = std::chrono::steady_clock::now().time_since_epoch().count();
    *write_move(block, root->best_move, record.move) = '\0';
    record.line_length = root->line_length < LINE_MOVES ? root->line_length : LINE_MOVES;
    for (uint32_t i = 0; i < record.line_length; ++i)
        record.line[i] = block->lines.moves[0][i];
    count.store(n + 1, std::memory_order_release);
}

// Leaves out of the root's list the moves the driver's filter excludes (or
// all but those it names): marked searched and illegal, they are never
// searched, in this iteration or the next.
[[gnu::noinline]] void filter_root(StateBlock* block, Frame* root) {
    const RootFilter& filter = block->root_filter;
    const uint32_t count = filter.count < ROOT_FILTER_MOVES ? filter.count : ROOT_FILTER_MOVES;
    for (MoveRecord *r = at<MoveRecord>(block, root->first_move),
                    *end = at<MoveRecord>(block, (root + 1)->first_move);
         r < end; ++r) {
        const LineMove move = line_move(r, at<PieceRecord>(block, r->piece)->cell);
        bool named = false;
        for (uint32_t i = 0; i < count && !named; ++i)
            named = filter.moves[i] == move;
        if (named == (filter.only != 0)) continue;
        r->order_score = VALUE_ILLEGAL;
        r->value = VALUE_ILLEGAL;
        if (root->pick == offset_of(block, r)) root->pick = 0;
    }
}

} // namespace

SearchOutcome search(StateBlock* block) {
    EngineVars& vars = block->vars;
    Header& header = block->header;
    Frame* const root = block->root();
    Frame* const deepest = root + (DEEPEST_PLY - 1);

    for (int k = 0; k < FRAME_COUNT - 1; ++k)
        root[k].ply = k + 1;
    root->first_move = MOVE_AREA_START;
    flip_side(vars);
    vars.running_eval = 0;
    root->best_move = 0;
    block->frames[0].best = VALUE_SENTINEL;
    block->frames[1].best = VALUE_SENTINEL;
    vars.mate_value = VALUE_ILLEGAL;
    vars.stalemate_value = 0;

    header.iterations = 0;
    std::atomic_ref<uint32_t>(block->iteration_log.count).store(0, std::memory_order_relaxed);
    uint32_t nodes = 0;
    // The node count at which to look at the driver's requests next: every
    // LOOK_INTERVAL nodes, and at the node limit if that comes first.
    const uint32_t node_limit = header.node_limit;
    uint32_t next_look = node_limit != 0 && node_limit < LOOK_INTERVAL ? node_limit : LOOK_INTERVAL;
    uint64_t generated = 0;
    uint64_t played = 0;
    Frame* reached = root; // the deepest frame of the iteration, for its selective depth

    Frame* f = root; // the frame of the node being worked on
    MoveRecord* m = nullptr;
    int32_t v = 0; // value being returned from the node at f

    // Back to the parent frame, taking back the move that led down from it.
    const auto step_up = [block, &vars](Frame* child) {
        Frame* parent = child - 1;
        flip_side(vars);
        vars.mate_value = wrap_sub(vars.mate_value, MATE_STEP);
        unmake_move(block, parent);
        return parent;
    };

EnterNode:
    // Count the node; every 65,536 nodes see whether the driver asked to
    // stop, and stop at the node limit.
    ++nodes;
    if (nodes == next_look) {
        publish(block, nodes, generated, played);
        if (std::atomic_ref<uint32_t>(header.stop_request).load(std::memory_order_relaxed) & 1)
            goto Interrompi;
        if (node_limit != 0 && nodes >= node_limit) goto Interrompi;
        next_look = (nodes | (LOOK_INTERVAL - 1)) + 1; // the next multiple of the interval
        if (node_limit != 0 && nodes < node_limit && node_limit < next_look) next_look = node_limit;
    }
    // The move area cannot take another list: value the line as it stands.
    if (MOVE_AREA_END - f->first_move < NODE_MOVE_ROOM * sizeof(MoveRecord)) {
        f->best_move = 0;
        f->best = 0;
        v = vars.running_eval;
        goto RitornaValoreUltimo;
    }
    {
        const uint32_t count = generate_node(block, f);
        if (count == 0) goto RitornaIllegale;
        generated += count;
    }
    if (f > reached) reached = f;
    if (f == root && block->root_filter.count != 0) filter_root(block, root);

UltimoNodo:
    // Beyond the iteration depth (or at the last frame) the node is a leaf worth
    // the best gain available to its side.
    if ((f->ply > root->depth && f->last_to != (f - 1)->last_to) || f == deepest) {
        f->best_move = f->pick;
        f->best = f->pick_score;
        f->line_length = 0;
        v = wrap_add(f->pick_score, vars.running_eval);
        goto RitornaValoreUltimo;
    }
    f->best = (f - 2)->best;
    f->line_length = 0;

ChooseMove:
    // The generator's pick first, then the remaining moves by descending score.
    if (f->pick != 0) {
        m = at<MoveRecord>(block, f->pick);
    } else {
        MoveRecord* const end = at<MoveRecord>(block, (f + 1)->first_move);
        MoveRecord* best = nullptr;
        int32_t best_score = VALUE_ILLEGAL;
        for (MoveRecord* r = at<MoveRecord>(block, f->first_move); r < end; ++r) {
            if (r->order_score > best_score) {
                best_score = r->order_score;
                best = r;
            }
        }
        if (best == nullptr) {
            if (f == root) goto TestIterative;
            goto RitornaAlfa;
        }
        m = best;
    }

    // Search move m: make it and step down, or drop a castling that fails.
    f->pick = 0;
    if (!make_move(block, f, offset_of(block, m))) {
        unmake_move(block, f);
        if (--f->candidates == 0) goto VerificaMattoStallo;
        goto ChooseMove;
    }
    ++played;
    m->order_score = VALUE_ILLEGAL;
    vars.running_eval = wrap_neg(vars.running_eval);
    ++f;
    flip_side(vars);
    vars.mate_value = wrap_add(vars.mate_value, MATE_STEP);
    f->best_move = 0;
    goto EnterNode;

RitornaAlfa:
    // Every move searched: the node is worth its best.
    v = f->best;

RitornaValoreUltimo:
    // Return v from the node at f to its parent.
    if (f == root) goto Fine;
    f = step_up(f);
    m = at<MoveRecord>(block, f->current_move);
    m->value = wrap_neg(v);

Confronta1:
    // The child's value reaches its side's alpha: m refutes the parent.
    if (v <= (f - 1)->best) goto Taglia;

Confronta2:
    if (wrap_neg(v) <= f->best) goto ChooseMove;

AssegnaValore:
    f->best = wrap_neg(v);
    f->best_move = offset_of(block, m);
    extend_line(block, f, m);
    goto ChooseMove;

Taglia:
    // Cut-off at f: its remaining moves are skipped and its parent goes on.
    if (f == root) goto Fine;
    f = step_up(f);
    at<MoveRecord>(block, f->current_move)->value = wrap_neg(v);
    goto ChooseMove;

RitornaIllegale:
    // No list: the side to move can take the enemy king (or has no move), so the
    // move that led here was illegal.
    if (f == root) goto Fine;
    f = step_up(f);
    at<MoveRecord>(block, f->current_move)->value = VALUE_ILLEGAL;
    if (--f->candidates > 0) goto ChooseMove;

VerificaMattoStallo:
    // Every move of f proved illegal: mated if its king is attacked, else stalemate.
    if (square_attacked(block, f->king_cell)) goto Matto;
    v = vars.stalemate_value;
    goto RitornaValoreUltimo;

Matto:
    v = vars.mate_value;
    goto RitornaValoreUltimo;

TestIterative:
    // The root's list is done: stop, or deepen and walk the same list again.
    ++header.iterations;
    publish_iteration(block, root, nodes, static_cast<int32_t>(reached - root) + 1);
    reached = root;
    if (std::atomic_ref<uint32_t>(header.finish_request).load(std::memory_order_relaxed) & 1)
        goto FineIterazioni;
    {
        const int32_t depth = root->depth;
        const int32_t left = header.max_depth - depth;
        if (left == 0) goto FineIterazioni;
        int32_t next = left >= header.depth_step ? depth + header.depth_step : header.max_depth;
        // A step below 1 would repeat the same depth for ever.
        if (next <= depth && depth < header.max_depth) next = header.max_depth;
        root->depth = next;
    }

AssegnaValoriRicerca:
    // Re-key the root moves by last iteration's values; illegal ones stay out.
    for (MoveRecord *r = at<MoveRecord>(block, root->first_move),
                    *end = at<MoveRecord>(block, (root + 1)->first_move);
         r < end; ++r)
        r->order_score = r->value;
    root->pick = root->best_move;
    root->best = VALUE_FLOOR;
    goto ChooseMove;

FineIterazioni:
    // The root's best stands as the search's result.
Fine:
    publish(block, nodes, generated, played);
    return SearchOutcome::complete;

Interrompi:
    publish(block, nodes, generated, played);
    return SearchOutcome::abandoned;
}

} // namespace galvetta
