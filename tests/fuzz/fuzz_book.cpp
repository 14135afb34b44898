// SPDX-License-Identifier: GPL-3.0-or-later
// A Polyglot book file: opened and checked, then looked up on a few
// positions; a move picked is legal in its position.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "notation/Book.h"
#include "notation/San.h"

using namespace galvetta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("galvetta-fuzz-book", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    TBook book;
    const std::string why = book.Open("/proc/self/fd/" + std::to_string(fd));
    if (why.empty()) {
        std::mt19937 random(1);
        std::string position = STARTING_POSITION;
        for (int ply = 0; ply < 6; ++ply) {
            book.Entries(position);
            const std::optional<Move> move = book.Pick(position, random);
            if (!move) break;
            const std::vector<LegalMove> legal = LegalMoves(position, false);
            const auto found = std::find_if(legal.begin(), legal.end(), [&move](const LegalMove& m) {
                return m.from == move->from && m.to == move->to && m.promotion == move->promotion;
            });
            if (found == legal.end()) std::abort();
            position = PositionAfter(position, *found);
        }
    }
    close(fd);
    return 0;
}
