// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/San.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/attack.h"
#include "engine/loader.h"
#include "engine/movegen.h"
#include "engine/perft.h"
#include "notation/Move.h"

namespace galvetta {

namespace {

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// One block for all the notation work of a thread: loading a position only
// rewrites it, and a block is too large to make for every move.
StateBlock* scratch_block() {
    thread_local std::unique_ptr<StateBlock> block = std::make_unique<StateBlock>();
    return block.get();
}

// The scratch block loaded with `position`, or null when the text is not a
// position the engine can load.
StateBlock* loaded_scratch(std::string_view position) {
    if (!IsPositionText(position)) return nullptr;
    StateBlock* block = scratch_block();
    return load_block(block, position) ? block : nullptr;
}

// The squares of a position text, read as a board: White's pieces in lower
// case. These helpers find one move quickly, without an engine block.
constexpr int KNIGHT_STEPS[8][2] = {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}};
constexpr int KING_STEPS[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
constexpr int LINES[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
constexpr int DIAGONALS[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

bool on_board(int row, int column) {
    return row >= 0 && row < 8 && column >= 0 && column < 8;
}

// The letter of `side`'s piece of kind `kind` ('K', 'Q', 'R', 'B', 'N', 'P').
char letter_of(char kind, bool white) {
    return white ? lower(kind) : kind;
}

bool owned_by(char piece, bool white) {
    return piece != '-' && (std::islower(static_cast<unsigned char>(piece)) != 0) == white;
}

// Whether a piece of the side `by_white` attacks `square` on `squares`.
bool attacked(const char* squares, int square, bool by_white) {
    const int row = square / 8, column = square % 8;
    const auto is = [&](int r, int c, char kind) {
        return on_board(r, c) && squares[r * 8 + c] == letter_of(kind, by_white);
    };
    // A White pawn takes towards rank 8, that is towards row 0.
    const int pawn_row = by_white ? row + 1 : row - 1;
    if (is(pawn_row, column - 1, 'P') || is(pawn_row, column + 1, 'P')) return true;
    for (const auto& step : KNIGHT_STEPS)
        if (is(row + step[0], column + step[1], 'N')) return true;
    for (const auto& step : KING_STEPS)
        if (is(row + step[0], column + step[1], 'K')) return true;
    const auto slider = [&](const int(&steps)[4][2], char kind) {
        for (const auto& step : steps) {
            int r = row + step[0], c = column + step[1];
            while (on_board(r, c) && squares[r * 8 + c] == '-') {
                r += step[0];
                c += step[1];
            }
            if (is(r, c, kind) || is(r, c, 'Q')) return true;
        }
        return false;
    };
    return slider(LINES, 'R') || slider(DIAGONALS, 'B');
}

// The move leaves its own king safe. `en_passant`: the pawn it takes stands
// beside its target, not on it.
bool keeps_king_safe(std::string_view position, int from, int to, bool en_passant) {
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    char squares[64];
    std::memcpy(squares, position.data(), 64);
    squares[to] = squares[from];
    squares[from] = '-';
    if (en_passant) squares[to + (white ? 8 : -8)] = '-';
    const char* king = static_cast<const char*>(std::memchr(squares, letter_of('K', white), 64));
    return king != nullptr && !attacked(squares, static_cast<int>(king - squares), !white);
}

// Castling, short (+1) or long (-1), when the rights, the empty squares and
// the unattacked king's path allow it.
std::optional<LegalMove> castling(std::string_view position, int castle) {
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const int king = white ? 60 : 4, rook = king + (castle > 0 ? 3 : -4), step = castle > 0 ? 1 : -1;
    const int flag =
        white ? (castle > 0 ? WHITE_SHORT : WHITE_LONG) : (castle > 0 ? BLACK_SHORT : BLACK_LONG);
    if (position[flag] != '+' || position[king] != letter_of('K', white) ||
        position[rook] != letter_of('R', white))
        return std::nullopt;
    for (int square = king + step; square != rook; square += step)
        if (position[square] != '-') return std::nullopt;
    for (int square = king; square != king + 3 * step; square += step)
        if (attacked(position.data(), square, !white)) return std::nullopt;
    LegalMove move;
    move.from = king;
    move.to = king + 2 * step;
    move.piece = 'K';
    move.castle = castle;
    return move;
}

// The one legal move of `piece` (a SAN letter) to `to` that the optional
// origin file and rank allow, found from the target square outwards; nothing
// when there is none or more than one.
std::optional<LegalMove> only_move_to(std::string_view position, char piece, int to, int from_file,
                                      int from_rank, char promotion) {
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const char target = position[to];
    if (owned_by(target, white) || lower(target) == 'k') return std::nullopt;
    const int row = to / 8, column = to % 8;
    int found_from = -1, count = 0;
    bool found_en_passant = false;
    const auto consider = [&](int from, bool en_passant) {
        if (from_file >= 0 && from % 8 != from_file) return;
        if (from_rank >= 0 && from / 8 != from_rank) return;
        if (!keeps_king_safe(position, from, to, en_passant)) return;
        found_from = from;
        found_en_passant = en_passant;
        ++count;
    };
    const char own = letter_of(piece, white);
    const auto from_steps = [&](const auto& steps, bool slide) {
        for (const auto& step : steps) {
            int r = row + step[0], c = column + step[1];
            while (slide && on_board(r, c) && position[r * 8 + c] == '-') {
                r += step[0];
                c += step[1];
            }
            if (on_board(r, c) && position[r * 8 + c] == own) consider(r * 8 + c, false);
        }
    };
    switch (piece) {
    case 'N': from_steps(KNIGHT_STEPS, false); break;
    case 'K': from_steps(KING_STEPS, false); break;
    case 'R': from_steps(LINES, true); break;
    case 'B': from_steps(DIAGONALS, true); break;
    case 'Q':
        from_steps(LINES, true);
        from_steps(DIAGONALS, true);
        break;
    default: {
        // A pawn: it promotes on the last rank, and only there.
        if ((row == (white ? 0 : 7)) != (promotion != 0)) return std::nullopt;
        const int back = white ? 1 : -1; // rows towards the pawn's own side
        const int behind = to + 8 * back;
        if (target == '-' && behind >= 0 && behind < 64) {
            if (position[behind] == own) consider(behind, false);
            const int start_row = white ? 6 : 1, twice = to + 16 * back;
            if (position[behind] == '-' && row + 2 * back == start_row && position[twice] == own)
                consider(twice, false);
        }
        // Captures, en passant too: onto the file the text names, on the
        // third rank from the other side, past an enemy pawn. A pawn's
        // capture names the file it comes from; without one it is a push.
        const bool en_passant = target == '-' && position[EN_PASSANT_FILE] == 'a' + column &&
                                row == (white ? 2 : 5) && position[behind] == letter_of('P', !white);
        if ((target != '-' || en_passant) && from_file >= 0)
            for (int side : {-1, 1})
                if (on_board(row + back, column + side) && position[(row + back) * 8 + column + side] == own)
                    consider((row + back) * 8 + column + side, en_passant);
    }
    }
    if (count != 1) return std::nullopt;
    LegalMove move;
    move.from = found_from;
    move.to = to;
    move.piece = piece;
    move.promotion = promotion;
    move.capture = target != '-' || found_en_passant;
    return move;
}

// Whether the side to move has any legal move. Castling needs none of its
// own here: where it is legal, so is the king's step to the square it passes.
bool has_legal_move(std::string_view position) {
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const auto may_land = [&](int r, int c) {
        return on_board(r, c) && !owned_by(position[r * 8 + c], white) && lower(position[r * 8 + c]) != 'k';
    };
    const auto safe = [&](int from, int r, int c, bool en_passant = false) {
        return keeps_king_safe(position, from, r * 8 + c, en_passant);
    };
    const auto steps_ok = [&](int from, const auto& steps, bool slide) {
        const int row = from / 8, column = from % 8;
        for (const auto& step : steps)
            for (int r = row + step[0], c = column + step[1]; may_land(r, c); r += step[0], c += step[1]) {
                if (safe(from, r, c)) return true;
                if (!slide || position[r * 8 + c] != '-') break;
            }
        return false;
    };
    for (int from = 0; from < 64; ++from) {
        if (!owned_by(position[from], white)) continue;
        const int row = from / 8, column = from % 8;
        switch (upper(position[from])) {
        case 'N':
            if (steps_ok(from, KNIGHT_STEPS, false)) return true;
            break;
        case 'K':
            if (steps_ok(from, KING_STEPS, false)) return true;
            break;
        case 'R':
            if (steps_ok(from, LINES, true)) return true;
            break;
        case 'B':
            if (steps_ok(from, DIAGONALS, true)) return true;
            break;
        case 'Q':
            if (steps_ok(from, LINES, true) || steps_ok(from, DIAGONALS, true)) return true;
            break;
        default: {
            const int ahead = white ? row - 1 : row + 1;
            if (!on_board(ahead, column)) break;
            if (position[ahead * 8 + column] == '-' && safe(from, ahead, column)) return true;
            for (int side : {-1, 1}) {
                const int c = column + side;
                if (!on_board(ahead, c)) continue;
                const char target = position[ahead * 8 + c];
                const bool en_passant = target == '-' && position[EN_PASSANT_FILE] == 'a' + c &&
                                        ahead == (white ? 2 : 5) &&
                                        position[row * 8 + c] == letter_of('P', !white);
                if ((owned_by(target, !white) && lower(target) != 'k') || en_passant) {
                    if (safe(from, ahead, c, en_passant)) return true;
                }
            }
        }
        }
    }
    return false;
}

// Whether the side to move can take en passant, as the text's file offers.
bool can_take_en_passant(std::string_view position) {
    const char file = position[EN_PASSANT_FILE];
    if (file < 'a' || file > 'h') return false;
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const int to = (white ? 2 : 5) * 8 + (file - 'a');
    const int passed = to + (white ? 8 : -8);
    if (position[to] != '-' || position[passed] != letter_of('P', !white)) return false;
    for (int side : {-1, 1}) {
        const int column = file - 'a' + side;
        if (column >= 0 && column < 8 && position[passed / 8 * 8 + column] == letter_of('P', white) &&
            keeps_king_safe(position, passed / 8 * 8 + column, to, true))
            return true;
    }
    return false;
}

} // namespace

bool HasLegalMove(std::string_view position) {
    return IsPositionText(position) && has_legal_move(position);
}

bool CanTakeEnPassant(std::string_view position) {
    return IsPositionText(position) && can_take_en_passant(position);
}

std::string LegalMove::Coordinate() const {
    return Move{from, to, promotion}.Coordinate();
}

std::vector<LegalMove> LegalMoves(std::string_view position) {
    return LegalMoves(position, true);
}

std::vector<LegalMove> LegalMoves(std::string_view position, bool marks) {
    std::vector<LegalMove> moves;
    StateBlock* block = loaded_scratch(position);
    if (block == nullptr) return moves;
    perft_begin(block);
    Frame* root = block->root();
    const uint32_t count = generate_node(block, root);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t offset = root->first_move + i * static_cast<uint32_t>(sizeof(MoveRecord));
        MoveRecord* record = at<MoveRecord>(block, offset);
        // The record's origin is written by make_move; its piece stands there now.
        record->from = at<PieceRecord>(block, record->piece)->cell;
        char text[16];
        const std::optional<Move> written =
            Move::Parse(std::string_view(text, write_move(block, offset, text)));
        if (!written) continue;
        LegalMove move;
        move.from = written->from;
        move.to = written->to;
        move.piece = upper(position[move.from]);
        if (record->kind == MOVE_PROMOTION) move.promotion = written->promotion;
        move.capture = position[move.to] != '-' || record->kind == MOVE_EN_PASSANT;
        move.castle = record->kind == MOVE_CASTLE_SHORT ? 1 : record->kind == MOVE_CASTLE_LONG ? -1 : 0;
        const bool legal = perft_make(block, root, offset);
        if (legal && marks) {
            // The reply's generation finds the other king; then, as at a root,
            // its attack test tells check and the count of replies tells mate.
            Frame* child = root + 1;
            const uint64_t replies = perft(block, child, 1);
            move.check = square_attacked(block, child->king_cell);
            move.mate = move.check && replies == 0;
        }
        if (legal) moves.push_back(move);
        perft_take_back(block, root, legal);
    }
    return moves;
}

bool SideToMoveInCheck(std::string_view position) {
    if (!IsPositionText(position)) return false;
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const size_t king = position.substr(0, 64).find(letter_of('K', white));
    return king != std::string_view::npos && attacked(position.data(), static_cast<int>(king), !white);
}

std::string SanOf(const LegalMove& move, const std::vector<LegalMove>& moves) {
    std::string san;
    if (move.castle != 0) {
        san = move.castle > 0 ? "O-O" : "O-O-O";
    } else if (move.piece == 'P') {
        if (move.capture) san = std::string(1, static_cast<char>('a' + move.from % 8)) + 'x';
        san += SquareName(move.to);
        if (move.promotion != 0) san += std::string("=") + upper(move.promotion);
    } else {
        san = move.piece;
        // Another piece of the kind reaching the square: the file tells them
        // apart if it can, else the rank, else both.
        bool rival = false, same_file = false, same_rank = false;
        for (const LegalMove& other : moves) {
            if (other.piece != move.piece || other.to != move.to || other.from == move.from) continue;
            rival = true;
            same_file |= other.from % 8 == move.from % 8;
            same_rank |= other.from / 8 == move.from / 8;
        }
        const std::string from = SquareName(move.from);
        if (rival && !same_file)
            san += from[0];
        else if (rival && !same_rank)
            san += from[1];
        else if (rival)
            san += from;
        if (move.capture) san += 'x';
        san += SquareName(move.to);
    }
    if (move.mate)
        san += '#';
    else if (move.check)
        san += '+';
    return san;
}

std::string MoveToSan(std::string_view position, std::string_view coordinate) {
    const std::vector<LegalMove> moves = LegalMoves(position);
    for (const LegalMove& move : moves)
        if (move.Coordinate() == coordinate) return SanOf(move, moves);
    return {};
}

namespace {

// What a SAN text says of its move, before any position is looked at.
struct SanParts {
    int castle = 0; // +1 short, -1 long
    char piece = 'P', promotion = 0;
    int from_file = -1, from_rank = -1, to = -1;
    bool Coordinates() const { return piece == 'P' && from_file >= 0 && from_rank >= 0; }
};

Parsed<SanParts> read_san(std::string_view san) {
    using R = Parsed<SanParts>;
    std::string text(san);
    // Check, mate and annotation signs say nothing about which move it is.
    while (!text.empty() && std::strchr("+#!?", text.back()) != nullptr)
        text.pop_back();
    for (char& c : text)
        if (c == '0') c = 'O';
    SanParts parts;
    if (text == "O-O" || text == "OO") parts.castle = 1;
    if (text == "O-O-O" || text == "OOO") parts.castle = -1;
    if (parts.castle != 0) return R::ok(parts);

    std::string rest = text;
    if (!rest.empty() && std::strchr("KQRBN", rest[0]) != nullptr) {
        parts.piece = rest[0];
        rest.erase(0, 1);
    }
    // A promotion: "=Q", "Q" or "q" after the destination.
    const char last = rest.size() >= 3 ? rest.back() : 'x';
    const char before = rest.size() >= 3 ? rest[rest.size() - 2] : 'x';
    if (std::string_view("QRBNqrbn").find(last) != std::string_view::npos &&
        (before == '=' || std::isdigit(static_cast<unsigned char>(before)))) {
        parts.promotion = lower(rest.back());
        rest.pop_back();
        if (!rest.empty() && rest.back() == '=') rest.pop_back();
    }
    if (rest.size() < 2 || !IsSquareName(rest.substr(rest.size() - 2)))
        return R::fail("not a move: '" + std::string(san) + "'");
    // Only a pawn promotes: "Nf3=Q" names no move.
    if (parts.promotion != 0 && parts.piece != 'P')
        return R::fail("not a move: '" + std::string(san) + "' (only a pawn promotes)");
    parts.to = SquareIndex(rest.substr(rest.size() - 2));
    rest.erase(rest.size() - 2);
    for (char c : rest) {
        if (c >= 'a' && c <= 'h')
            parts.from_file = c - 'a';
        else if (c >= '1' && c <= '8')
            parts.from_rank = 7 - (c - '1');
        else if (c != 'x' && c != '-' && c != ':')
            return R::fail("not a move: '" + std::string(san) + "'");
    }
    return R::ok(parts);
}

// The move `parts` names among the engine's full list, which also gives the
// reason when none or more than one does.
Parsed<LegalMove> move_by_list(std::string_view position, std::string_view san, const SanParts& parts) {
    using R = Parsed<LegalMove>;
    const std::vector<LegalMove> moves = LegalMoves(position, false);
    const LegalMove* found = nullptr;
    int matches = 0;
    for (const LegalMove& move : moves) {
        if (parts.castle != 0) {
            if (move.castle != parts.castle) continue;
        } else {
            // A king's two-square step may also be written as a king move.
            if (move.to != parts.to || move.promotion != parts.promotion) continue;
            if (move.piece != parts.piece && !parts.Coordinates()) continue;
            if (parts.from_file >= 0 && move.from % 8 != parts.from_file) continue;
            if (parts.from_rank >= 0 && move.from / 8 != parts.from_rank) continue;
            // A pawn move that names no file of origin is a push.
            if (parts.piece == 'P' && parts.from_file < 0 && move.from % 8 != parts.to % 8) continue;
        }
        found = &move;
        ++matches;
    }
    if (matches == 0) return R::fail("illegal move '" + std::string(san) + "'");
    if (matches > 1) return R::fail("ambiguous move '" + std::string(san) + "'");
    return R::ok(*found);
}

} // namespace

Parsed<LegalMove> ParseSan(std::string_view position, std::string_view san) {
    const Parsed<SanParts> parts = read_san(san);
    if (!parts) return Parsed<LegalMove>::fail(parts.error);
    // The usual forms are found from the target square; anything else, and
    // any doubt (no move, or more than one), goes to the engine's full list.
    if (IsPositionText(position)) {
        std::optional<LegalMove> quick;
        if (parts.value->castle != 0)
            quick = castling(position, parts.value->castle);
        else if (!parts.value->Coordinates())
            quick = only_move_to(position, parts.value->piece, parts.value->to, parts.value->from_file,
                                 parts.value->from_rank, parts.value->promotion);
        if (quick) return Parsed<LegalMove>::ok(*quick);
    }
    return move_by_list(position, san, *parts.value);
}

Parsed<LegalMove> ParseSanByList(std::string_view position, std::string_view san) {
    const Parsed<SanParts> parts = read_san(san);
    if (!parts) return Parsed<LegalMove>::fail(parts.error);
    return move_by_list(position, san, *parts.value);
}

std::string PositionAfter(std::string_view position, const LegalMove& move) {
    std::string after(position.substr(0, POSITION_TEXT_LENGTH));
    ApplyMove(after.data(), move.from, move.to, move.promotion, '-');
    return after;
}

Illegal WhyIllegal(std::string_view position, int from, int to) {
    for (const LegalMove& move : LegalMoves(position))
        if (move.from == from && move.to == to) return Illegal::None;
    if (position.size() < POSITION_TEXT_LENGTH || from < 0 || from > 63 || to < 0 || to > 63)
        return Illegal::CannotGoThere;
    // The move played as if it were legal, with the mover still to move:
    // is its king attacked then?
    std::string after(position.substr(0, POSITION_TEXT_LENGTH));
    ApplyMove(after.data(), from, to, 0, '-');
    after[SIDE_TO_MOVE] = position[SIDE_TO_MOVE];
    if (!SideToMoveInCheck(after)) return Illegal::CannotGoThere;
    return SideToMoveInCheck(position) ? Illegal::InCheck : Illegal::KingLeftInCheck;
}

} // namespace galvetta
