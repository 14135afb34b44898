#include "game/Rules.h"

#include <algorithm>

#include "game/San.h"

namespace galvetta {

Parsed<std::string> PlayablePosition(std::string_view text) {
    using R = Parsed<std::string>;
    Parsed<std::string> fits = ValidatePositionText(text);
    if (!fits) return fits;
    const std::string_view squares = text.substr(0, 64);
    for (const char king : {'k', 'K'})
        if (std::count(squares.begin(), squares.end(), king) != 1)
            return R::fail(std::string(king == 'k' ? "White" : "Black") + " must have exactly one king");
    for (int i = 0; i < 8; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) == 'p' ||
            std::tolower(static_cast<unsigned char>(text[56 + i])) == 'p')
            return R::fail("a pawn on the first or last rank");
    const char file = text[EN_PASSANT_FILE];
    if (file >= 'a' && file <= 'h') {
        // The pawn that has just gone two squares stands in front of the
        // squares it passed, which are empty.
        const bool white = text[SIDE_TO_MOVE] == WHITE_ON_MOVE;
        const int column = file - 'a';
        const int pawn = (white ? 3 : 4) * 8 + column, passed = (white ? 2 : 5) * 8 + column,
                  start = (white ? 1 : 6) * 8 + column;
        if (text[pawn] != (white ? 'P' : 'p') || text[passed] != '-' || text[start] != '-')
            return R::fail(std::string("no pawn has just passed the en-passant square ") + file +
                           (white ? '6' : '3'));
    }
    std::string other(text);
    other[SIDE_TO_MOVE] ^= WHITE_ON_MOVE ^ BLACK_ON_MOVE;
    other[EN_PASSANT_FILE] = '-';
    if (SideToMoveInCheck(other)) return R::fail("the side not to move is in check");
    return R::ok(std::string(text));
}

Parsed<FenPosition> ReadPlayableFen(std::string_view fen) {
    Parsed<FenPosition> position = ReadFen(fen);
    if (!position) return position;
    Parsed<std::string> playable = PlayablePosition(position.value->text);
    if (!playable) return Parsed<FenPosition>::fail(playable.error);
    return position;
}

} // namespace galvetta
