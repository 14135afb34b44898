// SPDX-License-Identifier: GPL-3.0-or-later
// A PGN file: read, listed and replayed; every position replayed reads back
// from its own FEN, and every listed game lies inside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "notation/GameFile.h"
#include "notation/Pgn.h"
#include "notation/PositionText.h"

using namespace galvetta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const PgnEntry& entry : ListPgnGames(text))
        if (entry.begin > entry.end || entry.end > text.size()) std::abort();
    const PgnFile file = ReadPgn(text);
    size_t games = 0;
    for (const PgnGame& game : file.games) {
        if (++games > 8) break;
        const PgnReplay replay = ReplayPgn(game);
        for (const std::string& position : replay.positions) {
            Parsed<std::string> again = FenToPositionText(PositionTextToFen(position));
            if (!again) std::abort();
            // "No en passant" is '+' in the board's text and '-' in the driver's.
            std::string expected = position;
            if (expected[EN_PASSANT_FILE] == '+') expected[EN_PASSANT_FILE] = '-';
            if ((*again.value)[EN_PASSANT_FILE] == '+') (*again.value)[EN_PASSANT_FILE] = '-';
            if (*again.value != expected) std::abort();
        }
        WritePgn(game);
    }
    return 0;
}
