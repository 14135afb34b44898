// SPDX-License-Identifier: GPL-3.0-or-later
// The Polyglot book: the published keys, a book the test writes itself (its
// lookups, castling and promotions, weights), the refusal of broken books,
// and Debian's gnuchess book where it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "notation/Book.h"
#include "notation/Rules.h"

namespace galvetta::test {

namespace {

std::string text(const char* fen) {
    return ReadPlayableFen(fen).value->text;
}

// A book of the given entries, written big-endian as the format has it.
std::string write_book(const std::string& name, const std::vector<BookEntry>& entries) {
    const std::string path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary);
    for (const BookEntry& e : entries) {
        const uint64_t fields[] = {e.key, e.move, e.weight, e.learn};
        const int widths[] = {8, 2, 2, 4};
        for (int f = 0; f < 4; ++f)
            for (int b = widths[f] - 1; b >= 0; --b)
                out.put(static_cast<char>(fields[f] >> (8 * b) & 0xFF));
    }
    return path;
}

// A move in the book's bits: to file, to row, from file, from row, promotion.
uint16_t book_move(const char* from, const char* to, int promotion = 0) {
    return static_cast<uint16_t>((to[0] - 'a') | (to[1] - '1') << 3 | (from[0] - 'a') << 6 |
                                 (from[1] - '1') << 9 | promotion << 12);
}

} // namespace

TEST(Book, PublishedKeys) {
    const struct {
        const char* fen;
        uint64_t key;
    } rows[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0x463b96181691fc9c},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 0x823c9b50fd114196},
        {"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", 0x0756b94461c50fb0},
        {"rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2", 0x662fafb965db29d4},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 0x22a48b5a8e47ff78},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq - 0 3", 0x652a607ca3f242c1},
        {"rnbq1bnr/ppp1pkpp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR w - - 0 4", 0x00fdd303c946bdd9},
        {"rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3", 0x3c8123ea7b067637},
        {"rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 0 4", 0x5c3f9b829b279560},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TBook::Key(text(row.fen)), row.key) << row.fen;
}

TEST(Book, LookupsMovesWeightsAndBrokenBooks) {
    const std::string start = text("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const std::string castles = text("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const std::string promotes = text("8/P6k/8/8/8/8/8/K7 w - - 0 1");
    std::vector<BookEntry> entries = {
        {TBook::Key(start), book_move("e2", "e4"), 30, 0},
        {TBook::Key(start), book_move("d2", "d4"), 10, 0},
        {TBook::Key(start), book_move("e2", "e5"), 500, 0}, // no legal move: never played
        {TBook::Key(castles), book_move("e1", "h1"), 1, 0}, // castling is stored as king takes rook
        {TBook::Key(promotes), book_move("a7", "a8", 1), 1, 0},
    };
    std::sort(entries.begin(), entries.end(),
              [](const BookEntry& a, const BookEntry& b) { return a.key < b.key; });
    TBook book;
    ASSERT_EQ(book.Open(write_book("galvetta-test.bin", entries)), "");
    EXPECT_EQ(book.Entries(start).size(), 3u);
    EXPECT_EQ(TBook::MoveOf(book.Entries(castles).front(), castles).Coordinate(), "e1g1");
    EXPECT_EQ(TBook::MoveOf(book.Entries(promotes).front(), promotes).Coordinate(), "a7a8n");
    EXPECT_TRUE(book.Entries(text("4k3/8/8/8/8/8/8/4K3 w - - 0 1")).empty());
    // Picked in proportion to the weights: e2e4 three times as often as d2d4.
    std::mt19937 random(5);
    std::map<std::string, int> picked;
    for (int i = 0; i < 4000; ++i)
        ++picked[book.Pick(start, random)->Coordinate()];
    EXPECT_EQ(picked.size(), 2u);
    EXPECT_NEAR(picked["e2e4"] / 4000.0, 0.75, 0.03);

    // Missing, truncated and unsorted books are refused, each with its reason.
    EXPECT_EQ(book.Open("/nonexistent/book.bin"), "cannot read the book /nonexistent/book.bin");
    EXPECT_FALSE(book.IsOpen());
    const std::string truncated = write_book("galvetta-truncated.bin", entries);
    std::filesystem::resize_file(truncated, 16 * entries.size() - 3);
    EXPECT_NE(book.Open(truncated).find("is truncated"), std::string::npos);
    std::swap(entries.front(), entries.back());
    EXPECT_NE(book.Open(write_book("galvetta-unsorted.bin", entries)).find("is not sorted"),
              std::string::npos);
    EXPECT_FALSE(book.IsOpen());
}

// A large book: its pages and a sample are checked when it is opened, the
// keys each lookup reads as it goes, and a file changed since it was opened
// is checked afresh.
TEST(Book, OrderCheckedWhenOpenedAndAsLookupsGo) {
    const std::string start = text("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    std::mt19937_64 random(11);
    std::vector<BookEntry> entries(20000);
    for (BookEntry& entry : entries)
        entry = {random(), book_move("e2", "e4"), 1, 0};
    entries[12345].key = TBook::Key(start);
    const std::string random_bytes = write_book("galvetta-random.bin", entries);
    EXPECT_NE(TBook::Check(random_bytes).find("is not sorted"), std::string::npos);

    std::sort(entries.begin(), entries.end(),
              [](const BookEntry& a, const BookEntry& b) { return a.key < b.key; });
    const auto at = std::find_if(entries.begin(), entries.end(),
                                 [&start](const BookEntry& e) { return e.key == TBook::Key(start); });
    // Two entries swapped where the opening sample does not look, but the
    // lookup of the start does.
    const size_t middle = static_cast<size_t>(at - entries.begin());
    std::swap(entries[middle - 1], entries[middle + 1]);
    const std::string swapped = write_book("galvetta-swapped.bin", entries);
    EXPECT_EQ(TBook::Check(swapped), "");
    TBook book;
    ASSERT_EQ(book.Open(swapped), "");
    std::mt19937 pick(3);
    EXPECT_FALSE(book.Pick(start, pick));
    EXPECT_NE(book.Problem().find("is not sorted"), std::string::npos) << book.Problem();

    std::swap(entries[middle - 1], entries[middle + 1]);
    const std::string sorted = write_book("galvetta-sorted.bin", entries);
    ASSERT_EQ(book.Open(sorted), "");
    EXPECT_EQ(book.Pick(start, pick)->Coordinate(), "e2e4");
    EXPECT_EQ(book.Problem(), "");
    EXPECT_EQ(book.Refresh(), "");
    std::filesystem::resize_file(sorted, 1000);
    EXPECT_NE(book.Refresh().find("is truncated"), std::string::npos);
    EXPECT_FALSE(book.IsOpen());
}

TEST(Book, DebiansGnuchessBook) {
    TBook book;
    if (!std::filesystem::exists(TBook::DEFAULT_FILE)) GTEST_SKIP() << "gnuchess-book is not installed";
    ASSERT_EQ(book.Open(TBook::DEFAULT_FILE), "");
    const std::string start = text("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    std::map<std::string, int> weights;
    for (const BookEntry& entry : book.Entries(start))
        weights[TBook::MoveOf(entry, start).Coordinate()] = entry.weight;
    EXPECT_EQ(weights["e2e4"], 12135);
    EXPECT_EQ(weights["d2d4"], 11257);
}

} // namespace galvetta::test
