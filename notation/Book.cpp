// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "notation/PositionText.h"
#include "notation/San.h"

namespace galvetta {

namespace {

constexpr size_t ENTRY_BYTES = 16;
// How many entries of a large book are checked for order when it is opened:
// an even sample, and every entry of its first and last pages.
constexpr size_t ORDER_SAMPLES = 4096;
constexpr size_t ORDER_PAGE_ENTRIES = 256;
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
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    count_ = 0;
    path_.clear();
    problem_.clear();
}

namespace {

// Why a file of `bytes` bytes at `path` cannot be a book, or "".
std::string size_problem(const std::string& path, uint64_t bytes) {
    if (bytes == 0) return "the book " + path + " is empty";
    if (bytes % ENTRY_BYTES != 0)
        return "the book " + path + " is truncated (" + std::to_string(bytes) +
               " bytes, not whole entries of 16)";
    return {};
}

} // namespace

std::string TBook::Check(const std::string& path) {
    TBook book;
    return book.Open(path);
}

namespace {

void identity_of(const struct stat& info, uint64_t (&identity)[4]) {
    identity[0] = static_cast<uint64_t>(info.st_dev);
    identity[1] = static_cast<uint64_t>(info.st_ino);
    identity[2] = static_cast<uint64_t>(info.st_size);
    identity[3] = static_cast<uint64_t>(info.st_ctim.tv_sec) * 1000000000u +
                  static_cast<uint64_t>(info.st_ctim.tv_nsec);
}

} // namespace

std::string TBook::Refresh() {
    if (!IsOpen()) return "the book is not open";
    struct stat info {};
    uint64_t now[4] = {};
    if (stat(path_.c_str(), &info) == 0) identity_of(info, now);
    if (std::equal(std::begin(now), std::end(now), std::begin(identity_)) && problem_.empty()) return {};
    const std::string path = path_;
    return Open(path);
}

std::string TBook::Open(const std::string& path) {
    Close();
    // Not blocking: a FIFO or a device named as the book must not hang the
    // program, and only a regular file is taken.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "cannot read the book " + path;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return "the book " + path + " is not a regular file";
    }
    const auto bytes = static_cast<uint64_t>(info.st_size);
    std::string why = size_problem(path, bytes);
    identity_of(info, identity_);
    fd_ = fd;
    count_ = bytes / ENTRY_BYTES;
    path_ = path;
    if (why.empty()) why = CheckOrder();
    if (!why.empty()) Close();
    return why;
}

bool TBook::ReadEntry(size_t index, BookEntry& entry) const {
    unsigned char bytes[ENTRY_BYTES];
    const off_t at = static_cast<off_t>(index * ENTRY_BYTES);
    if (pread(fd_, bytes, sizeof bytes, at) != static_cast<ssize_t>(sizeof bytes)) return false;
    entry = {big_endian(bytes, 8), static_cast<uint16_t>(big_endian(bytes + 8, 2)),
             static_cast<uint16_t>(big_endian(bytes + 10, 2)),
             static_cast<uint32_t>(big_endian(bytes + 12, 4))};
    return true;
}

std::string TBook::CheckOrder() const {
    // A small book is checked whole; a large one at its first and last pages
    // and at evenly spaced entries between, which finds a book that is not
    // sorted at all without reading it all. Lookups confirm the rest.
    const size_t step = std::max<size_t>(1, count_ / ORDER_SAMPLES);
    const size_t head = std::min(count_, ORDER_PAGE_ENTRIES);
    const size_t tail = count_ - std::min(count_, ORDER_PAGE_ENTRIES);
    BookEntry previous{}, entry{};
    for (size_t i = 0; i < count_;) {
        if (!ReadEntry(i, entry)) return "cannot read the book " + path_;
        if (i > 0 && entry.key < previous.key)
            return "the book " + path_ + " is not sorted by key (entry " + std::to_string(i + 1) + ")";
        previous = entry;
        i = i + 1 < head || i + 1 >= tail ? i + 1 : std::min(i + step, tail);
    }
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

std::vector<BookEntry> TBook::Entries(std::string_view position) const {
    std::vector<BookEntry> found;
    if (!IsOpen() || position.size() < POSITION_TEXT_LENGTH) return found;
    const uint64_t key = Key(position);
    const auto unreadable = [this, &found] {
        problem_ = "cannot read the book " + path_ + " (it has changed since it was opened)";
        found.clear();
        return found;
    };
    const auto disordered = [this, &found](size_t index) {
        problem_ = "the book " + path_ + " is not sorted by key (entry " + std::to_string(index + 1) + ")";
        found.clear();
        return found;
    };
    // The first entry whose key is not below the position's. Every key read
    // must lie between those read below and above it.
    size_t low = 0, high = count_;
    uint64_t low_key = 0, high_key = UINT64_MAX;
    BookEntry entry{};
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (!ReadEntry(middle, entry)) return unreadable();
        if (entry.key < low_key || entry.key > high_key) return disordered(middle);
        if (entry.key < key) {
            low = middle + 1;
            low_key = entry.key;
        } else {
            high = middle;
            high_key = entry.key;
        }
    }
    size_t i = low;
    for (; i < count_; ++i) {
        if (!ReadEntry(i, entry)) return unreadable();
        if (entry.key != key) break;
        found.push_back(entry);
    }
    if (i < count_ && entry.key < key) return disordered(i);
    return found;
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

std::optional<Move> TBook::Pick(std::string_view position, std::mt19937& random,
                                const std::vector<Move>& allowed) const {
    const std::vector<LegalMove> legal = LegalMoves(position);
    std::vector<std::pair<Move, unsigned>> candidates;
    unsigned total = 0;
    for (const BookEntry& entry : Entries(position)) {
        const Move move = MoveOf(entry, position);
        const bool is_legal = std::any_of(legal.begin(), legal.end(), [&move](const LegalMove& m) {
            return m.from == move.from && m.to == move.to && m.promotion == move.promotion;
        });
        const bool is_allowed =
            allowed.empty() || std::find(allowed.begin(), allowed.end(), move) != allowed.end();
        if (!is_legal || !is_allowed || entry.weight == 0) continue;
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
