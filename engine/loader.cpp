// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/loader.h"

#include <cstring>

namespace galvetta {

namespace {

struct LetterInfo {
    uint32_t word;
    uint32_t routine;
};

// Piece word and generator of a letter of the position text; word 0 for a
// character that is not a piece letter.
LetterInfo letter_info(char c) {
    switch (c) {
    case 'k': return {WHITE_KING, gen_king};
    case 'q': return {WHITE_QUEEN, gen_queen};
    case 'r': return {WHITE_ROOK, gen_rook};
    case 'b': return {WHITE_BISHOP, gen_bishop};
    case 'n': return {WHITE_KNIGHT, gen_knight};
    case 'p': return {WHITE_PAWN, gen_white_pawn};
    case 'K': return {BLACK_KING, gen_king};
    case 'Q': return {BLACK_QUEEN, gen_queen};
    case 'R': return {BLACK_ROOK, gen_rook};
    case 'B': return {BLACK_BISHOP, gen_bishop};
    case 'N': return {BLACK_KNIGHT, gen_knight};
    case 'P': return {BLACK_PAWN, gen_black_pawn};
    default: return {0, ROUTINE_NONE};
    }
}

// Grants one castling right when both its king and its rook stood at home.
void grant_castling(StateBlock* block, uint32_t king, uint32_t rook) {
    if (king == 0 || rook == 0) return;
    at<PieceRecord>(block, king)->routine = gen_castling_king;
    at<PieceRecord>(block, rook)->routine = gen_castling_rook;
}

} // namespace

void write_position_text(StateBlock* block, std::string_view text) {
    char* out = block->header.position_text;
    const size_t n = text.size() < sizeof block->header.position_text
                         ? text.size()
                         : sizeof block->header.position_text - 1;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void new_header(StateBlock* block, std::string_view text) {
    std::memset(&block->header, 0, sizeof(Header));
    block->root_filter.count = 0;
    write_position_text(block, text);
}

bool load_block(StateBlock* block, std::string_view text) {
    new_header(block, text);
    prepare_block(block);
    return load_position(block);
}

bool position_fits(const char* text) {
    int white = 0, black = 0, squares = 0;
    for (const char* p = text; *p != '\0' && squares < 64; ++p) {
        const LetterInfo info = letter_info(*p);
        if (info.word != 0) {
            ++(info.word & WHITE ? white : black);
            ++squares;
        } else if (*p == '-') {
            ++squares;
        }
    }
    return white <= RECORDS_PER_SIDE && black <= RECORDS_PER_SIDE;
}

// Puts the text's 64 squares on the board and into the piece records, noting
// the castling kings and rooks on their home squares. Returns the position in
// the text after the squares.
static const char* place_pieces(StateBlock* block, const char* text) {
    EngineVars& vars = block->vars;
    uint32_t square = BOARD_ORIGIN;
    uint32_t white_cursor = FIRST_WHITE_RECORD;
    uint32_t black_cursor = FIRST_BLACK_RECORD;
    const char* p = text;
    for (int count = 64; count > 0; ++p) {
        // A short text is outside the loader's contract; stopping at its end
        // keeps it from reading past the header.
        if (*p == '\0') break;
        const LetterInfo info = letter_info(*p);
        if (info.word != 0) {
            uint32_t& cursor = (info.word & WHITE) ? white_cursor : black_cursor;
            PieceRecord* record = at<PieceRecord>(block, cursor);
            Cell* cell = cell_at(block, square);
            record->cell = square;
            record->letter = static_cast<unsigned char>(*p);
            record->word = info.word;
            record->routine = info.routine;
            cell->weight = wrap_add(cell->weight, static_cast<int32_t>(info.word));
            cell->occupant = info.word;
            cell->owner = cursor;
            if (*p == 'k' && square == vars.cell_e1) vars.castle_king[0] = cursor;
            if (*p == 'K' && square == vars.cell_e8) vars.castle_king[1] = cursor;
            if (*p == 'r' && square == vars.cell_a1) vars.castle_rook[0] = cursor;
            if (*p == 'r' && square == vars.cell_h1) vars.castle_rook[1] = cursor;
            if (*p == 'R' && square == vars.cell_a8) vars.castle_rook[2] = cursor;
            if (*p == 'R' && square == vars.cell_h8) vars.castle_rook[3] = cursor;
            cursor += sizeof(PieceRecord);
        } else if (*p != '-') {
            continue;
        }
        square += sizeof(Cell);
        if (cell_at(block, square)->occupant == MARGIN_WORD) square += 8 * sizeof(Cell);
        --count;
    }

    vars.last_record[side_index(WHITE)] = black_cursor - sizeof(PieceRecord);
    vars.last_record[side_index(BLACK)] = white_cursor - sizeof(PieceRecord);

    return p;
}

bool load_position(StateBlock* block) {
    const char* text = block->header.position_text;
    if (!position_fits(text)) return false;

    EngineVars& vars = block->vars;
    std::memset(block->frames, 0, sizeof(block->frames));
    std::memset(block->move_area, 0, sizeof(block->move_area));
    std::memset(vars.castle_king, 0, sizeof(vars.castle_king));
    std::memset(vars.castle_rook, 0, sizeof(vars.castle_rook));

    vars.cell_a8 = CELL_A8;
    vars.cell_a1 = CELL_A1;
    vars.cell_e1 = CELL_E1;
    vars.cell_h1 = CELL_H1;
    vars.cell_h8 = CELL_H8;
    vars.cell_e8 = CELL_E8;

    std::memset(&block->board_area, 0, sizeof(block->board_area));
    std::memcpy(&block->board_area.cells[PLAYING_ROW_OFFSET], block->board_template,
                sizeof(block->board_template));

    const char* p = place_pieces(block, text);

    // After the squares: side to move, en-passant file, four castling flags.
    // Each is read only while the text lasts.
    const char side = *p;
    vars.enemy_side = side == 'B' ? WHITE : BLACK;
    if (side != '\0') ++p;

    Frame& sentinel = block->frames[1];
    sentinel.ep_target = 0;
    if (*p >= 'a' && *p <= 'h') {
        // Only a pawn that has just stepped past an empty square can be taken
        // there: a file with no such pawn behind it gives no capture.
        const uint32_t target = BOARD_ORIGIN + 16 * (*p - 'a') + vars.ep_row[side_index(vars.enemy_side)];
        const bool white_moves = vars.enemy_side == WHITE;
        const uint32_t passed = white_moves ? target + DIR_S : target + DIR_N;
        if (cell_at(block, target)->occupant == EMPTY_WORD &&
            cell_at(block, passed)->occupant == (white_moves ? BLACK_PAWN : WHITE_PAWN))
            sentinel.ep_target = target;
    }
    if (*p != '\0') ++p;

    bool flags[4] = {};
    for (bool& flag : flags) {
        if (*p == '\0') break;
        flag = *p++ == '+';
    }
    if (flags[0]) grant_castling(block, vars.castle_king[0], vars.castle_rook[1]);
    if (flags[1]) grant_castling(block, vars.castle_king[0], vars.castle_rook[0]);
    if (flags[2]) grant_castling(block, vars.castle_king[1], vars.castle_rook[3]);
    if (flags[3]) grant_castling(block, vars.castle_king[1], vars.castle_rook[2]);
    return true;
}

char* write_square(const StateBlock*, uint32_t cell, char* out) {
    const uint32_t index = (cell - BOARD_ORIGIN) / 16;
    const uint32_t column = index & 7;
    const uint32_t row = (index / 16) & 7;
    *out++ = static_cast<char>('a' + column);
    *out++ = static_cast<char>('1' + (7 - row));
    return out;
}

char* write_move(const StateBlock* block, uint32_t move, char* out) {
    if (move < MOVE_AREA_START || move >= MOVE_AREA_END) return out;
    const MoveRecord* record = at<MoveRecord>(block, move);
    out = write_square(block, record->from, out);
    *out++ = '-';
    out = write_square(block, record->to, out);
    if (record->kind == MOVE_PROMOTION) {
        const uint32_t word = record->promo_word;
        *out++ = '=';
        *out++ = (word & QUEEN_BIT) ? 'Q' : (word & ROOK_BIT) ? 'R' : (word & BISHOP_BIT) ? 'B' : 'N';
    }
    return out;
}

ParsedSquare parse_square(const char* text) {
    const int32_t column = text[0] - 'a';
    const int32_t row = 7 - (text[1] - '1');
    return {16 * column + 256 * row, text + 2};
}

ParsedMove parse_move(const char* text) {
    const ParsedSquare from = parse_square(text);
    const char* p = from.next;
    if (*p == '-' || *p == 'x') ++p;
    const ParsedSquare to = parse_square(p);
    return {from.displacement, to.displacement};
}

} // namespace galvetta
