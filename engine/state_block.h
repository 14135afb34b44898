// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's state block: every byte the engine touches during one run.
//
// The board is a 16x16 grid of 16-byte cells. The 8x8 playing squares sit in
// rows 0..7 and columns 0..7 of the middle third of a 48-row area; every other
// cell is a margin cell whose occupant word is 0, so knights and sliding pieces
// stop at the edge without a bounds test. Moving one file is +-16 bytes, one
// rank is +-256 bytes (row 0 is rank 8, row 7 is rank 1); seven steps in any
// direction from a playing cell stay inside the area.
//
// A piece word carries the piece's material value in bits 20-27 and its kind
// and side bits in the low byte (king 0x01, queen 0x02, White 0x04, Black 0x08,
// bishop 0x10, knight 0x20, rook 0x40; a pawn has no kind bit). An empty playing
// cell holds EMPTY_WORD 0x8C, which carries both side bits, so "occupant AND
// enemy side" is non-zero exactly for an empty cell or an enemy piece.
//
// The records refer to each other by 32-bit fields. Instead of machine
// pointers (which do not fit on a 64-bit build) those fields hold the byte
// offset of the target from the start of the block; 0 means "none", since only
// the header lives at offset 0. Generator routines are stored as small ids.
// The helpers at the bottom of this file turn offsets back into references.
#pragma once

#include <cstddef>
#include <cstdint>

namespace galvetta {

// Piece words and the two non-piece occupants.
inline constexpr uint32_t KING_BIT = 0x01;
inline constexpr uint32_t QUEEN_BIT = 0x02;
inline constexpr uint32_t WHITE = 0x04;
inline constexpr uint32_t BLACK = 0x08;
inline constexpr uint32_t BISHOP_BIT = 0x10;
inline constexpr uint32_t KNIGHT_BIT = 0x20;
inline constexpr uint32_t ROOK_BIT = 0x40;
inline constexpr uint32_t EMPTY_BIT = 0x80;
inline constexpr uint32_t EMPTY_WORD = 0x8C;
inline constexpr uint32_t MARGIN_WORD = 0;

inline constexpr uint32_t WHITE_KING = 0x0FE00005, BLACK_KING = 0x0FE00009;
inline constexpr uint32_t WHITE_QUEEN = 0x04200006, BLACK_QUEEN = 0x0420000A;
inline constexpr uint32_t WHITE_ROOK = 0x02000044, BLACK_ROOK = 0x02000048;
inline constexpr uint32_t WHITE_BISHOP = 0x01400014, BLACK_BISHOP = 0x01400018;
inline constexpr uint32_t WHITE_KNIGHT = 0x01200024, BLACK_KNIGHT = 0x01200028;
inline constexpr uint32_t WHITE_PAWN = 0x00600004, BLACK_PAWN = 0x00600008;

// Values, signed 32-bit in units of the piece word (a pawn is 0x600000).
inline constexpr int32_t VALUE_ILLEGAL = static_cast<int32_t>(0x80600000u);
inline constexpr int32_t VALUE_SENTINEL = static_cast<int32_t>(0x80400000u);
inline constexpr int32_t VALUE_FLOOR = static_cast<int32_t>(0x80200000u);
inline constexpr int32_t VALUE_KING_CAPTURE = 0x7FA00000;
inline constexpr int32_t MATE_STEP = 0x200000;
inline constexpr int32_t MATE_SCORE = 0x7F800000;
inline constexpr int32_t SCORE_UNIT = 0x600004;

// Square weights in units of 256, rank 8 first, the same for both sides.
inline constexpr int32_t SQUARE_WEIGHTS[8][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},       {0, 4, 16, 18, 18, 16, 4, 0},   {0, 8, 20, 22, 22, 20, 8, 0},
    {0, 18, 24, 52, 52, 24, 18, 0}, {0, 18, 24, 52, 52, 24, 18, 0}, {0, 8, 20, 22, 22, 20, 8, 0},
    {0, 4, 16, 18, 18, 16, 4, 0},   {0, 0, 0, 0, 0, 0, 0, 0},
};

inline constexpr int32_t CASTLE_LONG_BONUS = 0x400000;
inline constexpr int32_t CASTLE_SHORT_BONUS = 0x500000;

// Move kinds: one bit for the extra work make_move must do, 0x80 on all but plain.
enum MoveKind : uint32_t {
    MOVE_PLAIN = 0x00,
    MOVE_DOUBLE_STEP = 0x81,
    MOVE_CASTLE_SHORT = 0x82,
    MOVE_CASTLE_LONG = 0x84,
    MOVE_PROMOTION = 0x88,
    MOVE_ROOK_LOSES_CASTLING = 0x90,
    MOVE_KING_LOSES_CASTLING = 0xA0,
    MOVE_EN_PASSANT = 0xC0,
};

// Generator routine ids, stored in a piece record's `routine`.
enum Routine : uint32_t {
    ROUTINE_NONE = 0,
    gen_king,
    gen_castling_king,
    gen_queen,
    gen_rook,
    gen_castling_rook,
    gen_bishop,
    gen_knight,
    gen_white_pawn,
    gen_black_pawn,
};

// Displacements of a cell address.
inline constexpr int32_t DIR_N = -256, DIR_S = 256, DIR_E = 16, DIR_W = -16;
inline constexpr int32_t DIR_NE = DIR_N + DIR_E, DIR_NW = DIR_N + DIR_W;
inline constexpr int32_t DIR_SE = DIR_S + DIR_E, DIR_SW = DIR_S + DIR_W;
// The knight's jumps, in the order its generator tries them.
inline constexpr int32_t KNIGHT_JUMPS[8] = {2 * DIR_N + DIR_W, 2 * DIR_N + DIR_E, DIR_N + 2 * DIR_W,
                                            DIR_N + 2 * DIR_E, DIR_S + 2 * DIR_W, DIR_S + 2 * DIR_E,
                                            2 * DIR_S + DIR_W, 2 * DIR_S + DIR_E};
static_assert(KNIGHT_JUMPS[0] == -528 && KNIGHT_JUMPS[7] == 528);

// Both side bits: enemy_side ^ BOTH_SIDES is the other side.
inline constexpr uint32_t BOTH_SIDES = WHITE | BLACK;

// A margin cell's occupant has no kind, side or empty bit at all.
constexpr bool is_margin(uint32_t occupant) {
    return (occupant & 0xFF) == 0;
}

struct Cell {
    int32_t weight;
    uint32_t occupant;
    // Byte offset of the piece record standing here (0 when none). It lets
    // generation tell a live record from one whose piece was captured even
    // when a piece of the same kind has since entered its square.
    uint32_t owner;
    uint32_t reserved;
};

struct PieceRecord {
    uint32_t cell; // offset of the cell the piece stands on
    uint32_t letter;
    uint32_t word;
    uint32_t routine;
    uint32_t reserved[4];
};

struct MoveRecord {
    int32_t order_score;
    int32_t gain;
    int32_t value;
    uint32_t piece; // offset of the mover's piece record
    uint32_t from;  // offset of the origin cell, written by make_move
    uint32_t to;    // offset of the destination cell
    uint32_t captured;
    int32_t saved_eval;
    uint32_t kind;
    uint32_t promo_word;
    uint32_t promo_routine;
    uint32_t saved_word;
    uint32_t saved_routine;
    uint32_t victim_cell;
    uint32_t captured_owner; // owner of the captured piece's cell, for take-back
    uint32_t reserved;
};

struct Frame {
    int32_t best;
    uint32_t current_move;
    uint32_t first_move;
    uint32_t best_move;
    uint32_t pick;
    int32_t pick_score;
    uint32_t ep_target;
    uint32_t reserved1;
    uint32_t last_to;
    uint32_t king_cell;
    uint32_t line_length; // moves of this node's line in the line table (our own addition)
    int32_t candidates;
    int32_t depth;
    int32_t ply;
    uint32_t reserved3[2];
};

// The 280 bytes the driver writes and reads. 64-bit counters are kept as two
// 32-bit halves, low first, at the (4-byte aligned) offsets the driver uses.
struct Header {
    char position_text[128];
    char move_text[64];
    int32_t max_depth;
    int32_t depth_step;
    int32_t start_depth;
    uint32_t generated_moves[2];
    uint32_t nodes;
    uint32_t played_moves[2];
    int32_t best_score;
    int32_t score_unit;
    int32_t mate_score;
    int32_t error_flag;
    int32_t move_number;
    uint32_t thread_handle;
    uint32_t stop_request;
    uint32_t finish_request;
    uint32_t thread_flag;
    uint32_t start_time;
    uint32_t end_time;
    uint32_t iterations; // iterations the last search finished (our own addition)
    // The search abandons itself at this many nodes (0: no limit); the driver
    // then answers with its last finished iteration (our own addition).
    uint32_t node_limit;
    uint32_t reserved;
};

inline constexpr int BOARD_ROWS = 24;        // 8 margin, 8 playing, 8 margin
inline constexpr int PLAYING_ROW_OFFSET = 8; // first playing row within the board area
inline constexpr int RECORDS_PER_SIDE = 16;

struct BoardArea {
    Cell cells[BOARD_ROWS][16];
    PieceRecord white[RECORDS_PER_SIDE];
    PieceRecord black[RECORDS_PER_SIDE];
};

// Tables indexed by a side bit hold the White entry first: index = side >> 3.
struct EngineVars {
    uint32_t reserved0;
    uint32_t list_anchor[2];
    uint32_t reserved1[2];
    uint32_t last_record[2];
    uint32_t reserved2;
    int32_t pawn_attack_row[2];
    uint32_t reserved3[2];
    int32_t ep_row[2];
    uint32_t reserved4;
    uint32_t castle_king[2];
    uint32_t castle_rook[4]; // White a1, White h1, Black a8, Black h8
    uint32_t cell_a1, cell_a8, cell_e1, cell_e8, cell_h1, cell_h8;
    uint32_t enemy_side;
    int32_t running_eval;
    int32_t mate_value;
    int32_t stalemate_value;
};

// A move of a published line in two bytes: the from square in bits 0-5 and the
// to square in bits 6-11 (square index, a8 = 0), the promotion piece in bits
// 12-14 (0 none, then queen, rook, bishop, knight).
using LineMove = uint16_t;
inline constexpr int LINE_PROMOTION_SHIFT = 12;

// The principal variation (our own addition): the line of the node at ply p
// of the current path, kept while the search runs, for the first LINE_PLIES
// plies. A node's line is its best move followed by the line of the node that
// move led to; a leaf's line is its generator's pick.
inline constexpr int LINE_PLIES = 64;
struct LineTable {
    LineMove moves[LINE_PLIES][LINE_PLIES];
};

// One finished iteration, as the search publishes it at the iteration's end
// for a driver that reports while it searches (our own addition, kept in the
// block's spare room). `count` is written last, with release order, after the
// record it counts; a reader that loads it with acquire order may read every
// record below it, the newest at (count - 1) % ITERATION_RECORDS.
inline constexpr int LINE_MOVES = 32; // moves of the root's line kept a record
struct IterationRecord {
    int32_t depth;
    int32_t score; // the root's best, in engine units
    uint32_t nodes;
    char move[12];    // as write_move writes it, zero-terminated
    int32_t seldepth; // the deepest ply the iteration reached
    uint32_t line_length;
    int64_t finished;          // when: nanoseconds of the steady clock
    LineMove line[LINE_MOVES]; // the root's line, its first move the iteration's move
};
inline constexpr int ITERATION_RECORDS = 64;
struct IterationLog {
    uint32_t count;
    uint32_t reserved;
    IterationRecord records[ITERATION_RECORDS];
};

// Root moves left out of a search, or the only ones searched (our own
// addition): set by the driver before a run, read once when the root is
// generated. A count of 0 searches every move.
inline constexpr int ROOT_FILTER_MOVES = 256;
struct RootFilter {
    uint32_t count;
    uint32_t only; // 1: only these moves are searched; 0: these are not
    LineMove moves[ROOT_FILTER_MOVES];
};

inline constexpr int FRAME_COUNT = 2049; // 2,048 numbered frames and one end marker
inline constexpr int MOVE_COUNT = 2048;

struct StateBlock {
    Header header;
    // frames[0] and frames[1] are the two sentinel frames; frames[2] is the root.
    Frame frames[2 + FRAME_COUNT];
    MoveRecord move_area[MOVE_COUNT];
    uint8_t reserved1[1028];
    BoardArea board_area;
    BoardArea board_snapshot;
    EngineVars vars;
    Cell board_template[8][16];
    IterationLog iteration_log;
    RootFilter root_filter;
    LineTable lines;
    uint8_t reserved2[17416 - sizeof(IterationLog) - sizeof(RootFilter) - sizeof(LineTable)];

    Frame* root() { return &frames[2]; }
};

static_assert(sizeof(Cell) == 16 && sizeof(PieceRecord) == 32);
static_assert(sizeof(MoveRecord) == 64 && sizeof(Frame) == 64);
static_assert(sizeof(Header) == 280 && sizeof(EngineVars) == 124);
static_assert(sizeof(BoardArea) == 7168);
static_assert(offsetof(Header, move_text) == 128 && offsetof(Header, max_depth) == 192);
static_assert(offsetof(Header, generated_moves) == 204 && offsetof(Header, nodes) == 212);
static_assert(offsetof(Header, played_moves) == 216 && offsetof(Header, best_score) == 224);
static_assert(offsetof(Header, error_flag) == 236 && offsetof(Header, move_number) == 240);
static_assert(offsetof(Header, stop_request) == 248 && offsetof(Header, finish_request) == 252);
static_assert(offsetof(Header, start_time) == 260 && offsetof(Header, end_time) == 264);
static_assert(offsetof(StateBlock, frames) == 280);
static_assert(offsetof(StateBlock, frames) + 2 * sizeof(Frame) == 408);
static_assert(offsetof(StateBlock, move_area) == 131544);
static_assert(offsetof(StateBlock, board_area) == 263644);
static_assert(offsetof(StateBlock, board_snapshot) == 270812);
static_assert(offsetof(StateBlock, vars) == 277980);
static_assert(offsetof(StateBlock, board_template) == 278104);
static_assert(offsetof(EngineVars, enemy_side) == 108);
static_assert(sizeof(StateBlock) == 297568);

// Byte offsets of the fixed places in the block.
inline constexpr uint32_t BOARD_ORIGIN =
    offsetof(StateBlock, board_area) + PLAYING_ROW_OFFSET * 16 * sizeof(Cell);
inline constexpr uint32_t FIRST_WHITE_RECORD = offsetof(StateBlock, board_area) + 6144;
inline constexpr uint32_t FIRST_BLACK_RECORD = FIRST_WHITE_RECORD + 16 * sizeof(PieceRecord);
inline constexpr uint32_t MOVE_AREA_START = offsetof(StateBlock, move_area);
inline constexpr uint32_t MOVE_AREA_END = MOVE_AREA_START + MOVE_COUNT * sizeof(MoveRecord);

// Offset of the cell of a square given by row (0 = rank 8) and column (0 = file a).
constexpr uint32_t square_cell(int row, int column) {
    return BOARD_ORIGIN + 256 * row + 16 * column;
}

// Size of the block the driver allocates: 297,568 bytes.
uint32_t engine_block_size();

// Fills everything after the header from a shared read-only image: zeros,
// the piece-list anchors, the pawn and en-passant rows and the board template.
// The header, the iteration log and the root filter are left as they are.
// Safe to call on two blocks from two threads.
void prepare_block(StateBlock* block);

// The castling squares.
inline constexpr uint32_t CELL_A8 = BOARD_ORIGIN, CELL_E8 = CELL_A8 + 4 * DIR_E,
                          CELL_H8 = CELL_A8 + 7 * DIR_E;
inline constexpr uint32_t CELL_A1 = CELL_A8 + 7 * DIR_S, CELL_E1 = CELL_A1 + 4 * DIR_E,
                          CELL_H1 = CELL_A1 + 7 * DIR_E;

// Passes the move to the other side.
inline void flip_side(EngineVars& vars) {
    vars.enemy_side ^= BOTH_SIDES;
}

inline int side_index(uint32_t side) {
    return static_cast<int>(side >> 3);
}

// Offset <-> reference helpers. Every offset is relative to the block start.
template <class T> inline T* at(StateBlock* block, uint32_t offset) {
    return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(block) + offset);
}
template <class T> inline const T* at(const StateBlock* block, uint32_t offset) {
    return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(block) + offset);
}
inline uint32_t offset_of(const StateBlock* block, const void* p) {
    return static_cast<uint32_t>(static_cast<const unsigned char*>(p) -
                                 reinterpret_cast<const unsigned char*>(block));
}
inline Cell* cell_at(StateBlock* block, uint32_t offset) {
    return at<Cell>(block, offset);
}

// Signed 32-bit arithmetic that wraps like the machine does, without the
// undefined behaviour of signed overflow in C++.
inline int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrap_neg(int32_t a) {
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

inline uint64_t read_u64(const uint32_t halves[2]) {
    return static_cast<uint64_t>(halves[0]) | (static_cast<uint64_t>(halves[1]) << 32);
}

} // namespace galvetta
