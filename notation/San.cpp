// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/San.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "engine/attack.h"
#include "engine/loader.h"
#include "engine/movegen.h"
#include "engine/perft.h"
#include "notation/Move.h"

namespace galvetta {

namespace {

constexpr std::string_view PROMOTION_LETTERS = "qrbn";

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
    if (!ValidatePositionText(position)) return nullptr;
    StateBlock* block = scratch_block();
    return load_block(block, position) ? block : nullptr;
}

} // namespace

std::string LegalMove::Coordinate() const {
    return Move{from, to, promotion}.Coordinate();
}

std::vector<LegalMove> LegalMoves(std::string_view position) {
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
        if (legal) {
            // The reply's generation finds the other king; then, as at a root,
            // its attack test tells check and the count of replies tells mate.
            Frame* child = root + 1;
            const uint64_t replies = perft(block, child, 1);
            move.check = square_attacked(block, child->king_cell);
            move.mate = move.check && replies == 0;
            moves.push_back(move);
        }
        perft_take_back(block, root, legal);
    }
    return moves;
}

bool SideToMoveInCheck(std::string_view position) {
    StateBlock* block = loaded_scratch(position);
    return block != nullptr && root_status(block).in_check;
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

Parsed<LegalMove> ParseSan(std::string_view position, std::string_view san) {
    using R = Parsed<LegalMove>;
    std::string text(san);
    // Check, mate and annotation signs say nothing about which move it is.
    while (!text.empty() && std::strchr("+#!?", text.back()) != nullptr)
        text.pop_back();
    for (char& c : text)
        if (c == '0') c = 'O';
    int castle = 0;
    if (text == "O-O" || text == "OO") castle = 1;
    if (text == "O-O-O" || text == "OOO") castle = -1;

    char piece = 'P', promotion = 0;
    int from_file = -1, from_rank = -1, to = -1;
    if (castle == 0) {
        std::string rest = text;
        if (!rest.empty() && std::strchr("KQRBN", rest[0]) != nullptr) {
            piece = rest[0];
            rest.erase(0, 1);
        }
        // A promotion: "=Q", "Q" or "q" after the destination.
        const char last = rest.size() >= 3 ? rest.back() : 'x';
        const char before = rest.size() >= 3 ? rest[rest.size() - 2] : 'x';
        if (std::string_view("QRBNqrbn").find(last) != std::string_view::npos &&
            (before == '=' || std::isdigit(static_cast<unsigned char>(before)))) {
            promotion = lower(rest.back());
            rest.pop_back();
            if (!rest.empty() && rest.back() == '=') rest.pop_back();
        }
        if (rest.size() < 2 || !IsSquareName(rest.substr(rest.size() - 2)))
            return R::fail("not a move: '" + std::string(san) + "'");
        to = SquareIndex(rest.substr(rest.size() - 2));
        rest.erase(rest.size() - 2);
        for (char c : rest) {
            if (c >= 'a' && c <= 'h')
                from_file = c - 'a';
            else if (c >= '1' && c <= '8')
                from_rank = 7 - (c - '1');
            else if (c != 'x' && c != '-' && c != ':')
                return R::fail("not a move: '" + std::string(san) + "'");
        }
    }

    const std::vector<LegalMove> moves = LegalMoves(position);
    const LegalMove* found = nullptr;
    int matches = 0;
    for (const LegalMove& move : moves) {
        if (castle != 0) {
            if (move.castle != castle) continue;
        } else {
            // A king's two-square step may also be written as a king move.
            if (move.to != to || move.promotion != promotion) continue;
            if (move.piece != piece && !(piece == 'P' && from_file >= 0 && from_rank >= 0)) continue;
            if (from_file >= 0 && move.from % 8 != from_file) continue;
            if (from_rank >= 0 && move.from / 8 != from_rank) continue;
        }
        found = &move;
        ++matches;
    }
    if (matches == 0) return R::fail("illegal move '" + std::string(san) + "'");
    if (matches > 1) return R::fail("ambiguous move '" + std::string(san) + "'");
    return R::ok(*found);
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
