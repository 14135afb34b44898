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
    // keys in order (all of them in a small book; in a large one its first
    // and last pages and an even sample between). The entries stay on disk
    // and are looked up there. Returns why it cannot be used ("" when it
    // can); the book is then closed.
    std::string Open(const std::string& path);
    // Why the file at `path` cannot be a book, by the same check as Open;
    // "" when it can be one. The file is not kept open.
    static std::string Check(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // The book open is still the file at its path: when that file has been
    // removed, replaced or rewritten since, it is opened and checked afresh.
    // Returns why it cannot be used now ("" when it can).
    std::string Refresh();
    // Why a lookup found the book unusable (keys out of order where it
    // looked, an entry that cannot be read), or "". The order a lookup sees
    // is checked on every lookup, so that a book only sampled when it was
    // opened is confirmed as it is used.
    const std::string& Problem() const { return problem_; }

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
    // The file as it was opened: device, inode, size and change time.
    uint64_t identity_[4] = {};
    mutable std::string problem_;
};

} // namespace galvetta
