// The rules of chess beyond the moves: which positions can arise in a game at
// all.
#pragma once

#include <string>
#include <string_view>

#include "game/PositionText.h"

namespace galvetta {

// The position text when a game could reach it, else why not: a side without
// exactly one king, a pawn on its first or last rank, an en-passant file
// without the pawn that has just passed it, or the side not to move in check.
Parsed<std::string> PlayablePosition(std::string_view text);

// ReadFen, then PlayablePosition: a FEN an interface or a person may play from.
Parsed<FenPosition> ReadPlayableFen(std::string_view fen);

} // namespace galvetta
