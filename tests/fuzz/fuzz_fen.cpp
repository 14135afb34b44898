// SPDX-License-Identifier: GPL-3.0-or-later
// A FEN: a position read is written back to a FEN that reads to the same
// position and counters, and the playable check agrees with the reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "notation/PositionText.h"
#include "notation/Rules.h"
#include "notation/San.h"

using namespace galvetta;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view fen(reinterpret_cast<const char*>(data), size);
    const Parsed<FenPosition> read = ReadFen(fen);
    if (!read) return 0;
    const FenPosition& position = *read.value;
    const Parsed<FenPosition> again =
        ReadFen(PositionTextToFen(position.text, position.halfmove_clock, position.move_number));
    if (!again || again.value->text != position.text ||
        again.value->halfmove_clock != position.halfmove_clock ||
        again.value->move_number != position.move_number)
        std::abort();
    if (ReadPlayableFen(fen)) {
        // A playable position: its moves are listed and each made.
        for (const LegalMove& move : LegalMoves(position.text))
            if (!ValidatePositionText(PositionAfter(position.text, move))) std::abort();
    }
    return 0;
}
