// SPDX-License-Identifier: GPL-3.0-or-later
// An opening book in the Polyglot format, read by every engine interface:
// entries of 16 bytes (key, move, weight, learn; big-endian) sorted by key,
// the key a Zobrist hash of the position over 781 published numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/Move.h"

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
    // Where Debian's gnuchess-book puts its book.
    static constexpr const char* DEFAULT_FILE = "/usr/share/games/gnuchess/book.bin";

    // Reads a whole book into memory and checks it: entries of 16 bytes, keys
    // in order. Returns why it cannot be used ("" when it can); the book then
    // holds nothing.
    std::string Open(const std::string& path);
    void Close();
    bool IsOpen() const { return !entries_.empty(); }
    const std::string& Path() const { return path_; }

    // The position's key (a position text).
    static uint64_t Key(std::string_view position);
    // The book's entries for the position: no allocation.
    std::span<const BookEntry> Entries(std::string_view position) const;
    // An entry's move in the position, castling as the king's two squares.
    static Move MoveOf(const BookEntry& entry, std::string_view position);
    // A book move, chosen at random in proportion to the weights, that is
    // legal in the position; none when the book has none.
    std::optional<Move> Pick(std::string_view position, std::mt19937& random) const;

  private:
    std::vector<BookEntry> entries_;
    std::string path_;
};

} // namespace galvetta
