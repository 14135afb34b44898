// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Book.h"

#include <algorithm>
#include <fstream>

#include "game/PositionText.h"
#include "game/San.h"

namespace galvetta {

namespace {

constexpr size_t ENTRY_BYTES = 16;
constexpr int CASTLE_OFFSET = 768, EN_PASSANT_OFFSET = 772, TURN_OFFSET = 780;

uint64_t big_endian(const unsigned char* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// The Polyglot kind of a piece letter of the position text: black pawn 0,
// white pawn 1, black knight 2, ... white king 11; -1 for an empty square.
int piece_kind(char letter) {
    constexpr std::string_view KINDS = "PpNnBbRrQqKk"; // black first; White in lower case
    const size_t kind = KINDS.find(letter);
    return kind == std::string_view::npos ? -1 : static_cast<int>(kind);
}

} // namespace

void TBook::Close() {
    entries_.clear();
    path_.clear();
}

std::string TBook::Open(const std::string& path) {
    Close();
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the book " + path;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    if (bytes.empty()) return "the book " + path + " is empty";
    if (bytes.size() % ENTRY_BYTES != 0)
        return "the book " + path + " is truncated (" + std::to_string(bytes.size()) +
               " bytes, not whole entries of 16)";
    std::vector<BookEntry> entries(bytes.size() / ENTRY_BYTES);
    for (size_t i = 0; i < entries.size(); ++i) {
        const unsigned char* entry = &bytes[i * ENTRY_BYTES];
        entries[i] = {big_endian(entry, 8), static_cast<uint16_t>(big_endian(entry + 8, 2)),
                      static_cast<uint16_t>(big_endian(entry + 10, 2)),
                      static_cast<uint32_t>(big_endian(entry + 12, 4))};
        if (i > 0 && entries[i].key < entries[i - 1].key)
            return "the book " + path + " is not sorted by key (entry " + std::to_string(i + 1) + ")";
    }
    entries_ = std::move(entries);
    path_ = path;
    return {};
}

uint64_t TBook::Key(std::string_view position) {
    uint64_t key = 0;
    for (int i = 0; i < 64; ++i) {
        const int kind = piece_kind(position[i]);
        const int row = 7 - i / 8, file = i % 8; // row 0 is rank 1
        if (kind >= 0) key ^= POLYGLOT_RANDOM[64 * kind + 8 * row + file];
    }
    for (int flag = 0; flag < 4; ++flag)
        if (position[WHITE_SHORT + flag] == '+') key ^= POLYGLOT_RANDOM[CASTLE_OFFSET + flag];
    // The en-passant file counts only where a pawn of the side to move
    // stands beside the pawn that has just gone two squares.
    const bool white = position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const char file = position[EN_PASSANT_FILE];
    if (file >= 'a' && file <= 'h') {
        const int row = white ? 3 : 4, column = file - 'a'; // rows from the top: rank 5 or 4
        const char own_pawn = white ? 'p' : 'P';
        const bool beside = (column > 0 && position[row * 8 + column - 1] == own_pawn) ||
                            (column < 7 && position[row * 8 + column + 1] == own_pawn);
        if (beside) key ^= POLYGLOT_RANDOM[EN_PASSANT_OFFSET + column];
    }
    if (white) key ^= POLYGLOT_RANDOM[TURN_OFFSET];
    return key;
}

std::span<const BookEntry> TBook::Entries(std::string_view position) const {
    if (position.size() < POSITION_TEXT_LENGTH) return {};
    const uint64_t key = Key(position);
    const auto [first, last] =
        std::equal_range(entries_.begin(), entries_.end(), BookEntry{key, 0, 0, 0},
                         [](const BookEntry& a, const BookEntry& b) { return a.key < b.key; });
    return {first, last};
}

Move TBook::MoveOf(const BookEntry& entry, std::string_view position) {
    const int to_file = entry.move & 7, to_row = entry.move >> 3 & 7;
    const int from_file = entry.move >> 6 & 7, from_row = entry.move >> 9 & 7;
    const int promotion = entry.move >> 12 & 7;
    Move move{(7 - from_row) * 8 + from_file, (7 - to_row) * 8 + to_file, 0};
    if (promotion >= 1 && promotion <= 4) move.promotion = "nbrq"[promotion - 1];
    // Castling is stored as the king taking its own rook.
    const char king = position[move.from];
    if ((king == 'k' || king == 'K') && move.from % 8 == 4 && (move.to % 8 == 7 || move.to % 8 == 0) &&
        move.to / 8 == move.from / 8)
        move.to = move.from + (move.to % 8 == 7 ? 2 : -2);
    return move;
}

std::optional<Move> TBook::Pick(std::string_view position, std::mt19937& random) const {
    const std::vector<LegalMove> legal = LegalMoves(position);
    std::vector<std::pair<Move, unsigned>> candidates;
    unsigned total = 0;
    for (const BookEntry& entry : Entries(position)) {
        const Move move = MoveOf(entry, position);
        const bool is_legal = std::any_of(legal.begin(), legal.end(), [&move](const LegalMove& m) {
            return m.from == move.from && m.to == move.to && m.promotion == move.promotion;
        });
        if (!is_legal || entry.weight == 0) continue;
        candidates.emplace_back(move, entry.weight);
        total += entry.weight;
    }
    if (total == 0) return std::nullopt;
    unsigned chosen = std::uniform_int_distribution<unsigned>(0, total - 1)(random);
    for (const auto& [move, weight] : candidates) {
        if (chosen < weight) return move;
        chosen -= weight;
    }
    return std::nullopt;
}

} // namespace galvetta
