// SPDX-License-Identifier: GPL-3.0-or-later
// A SAN move on a position (a FEN on the first line, the start when it is
// none): the quick path answers as the engine's full list does, and a move
// read is one of the position's legal moves.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "notation/Rules.h"
#include "notation/San.h"

using namespace galvetta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t line_end = text.find('\n');
    std::string position = STARTING_POSITION;
    std::string_view moves = text;
    if (line_end != std::string_view::npos) {
        if (const Parsed<FenPosition> fen = ReadPlayableFen(text.substr(0, line_end)))
            position = fen.value->text;
        moves = text.substr(line_end + 1);
    }
    // Each word a move, played in turn while they are legal.
    for (int played = 0; !moves.empty() && played < 16; ++played) {
        const size_t blank = moves.find(' ');
        const std::string_view san = moves.substr(0, blank);
        moves = blank == std::string_view::npos ? std::string_view() : moves.substr(blank + 1);
        const Parsed<LegalMove> quick = ParseSan(position, san), slow = ParseSanByList(position, san);
        if (bool(quick) != bool(slow)) std::abort();
        if (!quick) continue;
        if (quick.value->Coordinate() != slow.value->Coordinate()) std::abort();
        const std::vector<LegalMove> legal = LegalMoves(position, false);
        if (std::none_of(legal.begin(), legal.end(), [&quick](const LegalMove& m) {
                return m.Coordinate() == quick.value->Coordinate();
            }))
            std::abort();
        position = PositionAfter(position, *quick.value);
    }
    return 0;
}
