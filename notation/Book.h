// SPDX-License-Identifier: GPL-3.0-or-later
// An opening book in the Polyglot format, read by every engine interface:
// entries of 16 bytes (key, move, weight, learn; big-endian) sorted by key,
// the key a Zobrist hash of the position over 781 published numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "notation/Move.h"

namespace galvetta {

inline constexpr int POLYGLOT_RANDOM_COUNT = 781;
extern const uint64_t POLYGLOT_RANDOM[POLYGLOT_RANDOM_COUNT];

struct BookEntry {
    uint64_t key;
    uint16_t move; // to file, to row, from file, from row (3 bits each), promotion (3 bits)
    uint16_t weight;
    uint32_t learn;
};

class TBook {
  public:
    TBook() = default;
    ~TBook() { Close(); }
    TBook(const TBook&) = delete;
    TBook& operator=(const TBook&) = delete;

    // Where Debian's gnuchess-book puts its book.
    static constexpr const char* DEFAULT_FILE = "/usr/share/games/gnuchess/book.bin";
    // Opens a book and checks it: a regular file of whole 16-byte entries,
    // keys in order (all of them in a small book, an even sample of a large
    // one). The entries stay on disk and are looked up there. Returns why it
    // cannot be used ("" when it can); the book is then closed.
    std::string Open(const std::string& path);
    // Why the file at `path` cannot be a book, from what the file system says
    // of it (missing, unreadable, not a regular file, empty, not whole
    // entries); "" when it may be one. It is not opened.
    static std::string Check(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // The position's key (a position text).
    static uint64_t Key(std::string_view position);
    // The book's entries for the position, found by a binary search on disk.
    std::vector<BookEntry> Entries(std::string_view position) const;
    // An entry's move in the position, castling as the king's two squares.
    static Move MoveOf(const BookEntry& entry, std::string_view position);
    // A book move, chosen at random in proportion to the weights, that is
    // legal in the position and one of `allowed` (any, when empty); none
    // when the book has none.
    std::optional<Move> Pick(std::string_view position, std::mt19937& random,
                             const std::vector<Move>& allowed = {}) const;

  private:
    // Entry `index` from the file; false when it cannot be read.
    bool ReadEntry(size_t index, BookEntry& entry) const;
    // Why the file's keys are out of order, or "".
    std::string CheckOrder() const;

    int fd_ = -1;
    size_t count_ = 0; // entries in the file
    std::string path_;
};

} // namespace galvetta
