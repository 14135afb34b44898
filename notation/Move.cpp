// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Move.h"

#include <cctype>

#include "notation/PositionText.h"

namespace galvetta {

std::optional<Move> Move::Parse(std::string_view text) {
    if (!IsSquareName(text)) return std::nullopt;
    const size_t to = text.size() > 2 && (text[2] == '-' || text[2] == 'x') ? 3 : 2;
    if (!IsSquareName(text.substr(std::min(to, text.size())))) return std::nullopt;
    Move move{SquareIndex(text), SquareIndex(text.substr(to)), 0};
    std::string_view rest = text.substr(to + 2);
    if (!rest.empty() && rest[0] == '=') rest.remove_prefix(1);
    if (rest.empty()) return text.back() == '=' ? std::nullopt : std::optional<Move>(move);
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
    if (rest.size() != 1 || std::string_view("qrbn").find(letter) == std::string_view::npos)
        return std::nullopt;
    move.promotion = letter;
    return move;
}

namespace {

// The promotion pieces in the order of a line move's code (1 to 4).
constexpr std::string_view LINE_PROMOTIONS = "qrbn";
constexpr LineMove SQUARE_MASK = 0x3F;

} // namespace

Move Move::FromLine(LineMove move) {
    const unsigned piece = move >> LINE_PROMOTION_SHIFT;
    return {move & SQUARE_MASK, (move >> 6) & SQUARE_MASK,
            piece >= 1 && piece <= LINE_PROMOTIONS.size() ? LINE_PROMOTIONS[piece - 1] : '\0'};
}

LineMove Move::ToLine() const {
    const size_t piece = promotion == 0 ? std::string_view::npos : LINE_PROMOTIONS.find(promotion);
    const unsigned code = piece == std::string_view::npos ? 0 : static_cast<unsigned>(piece + 1);
    return static_cast<LineMove>(from | to << 6 | code << LINE_PROMOTION_SHIFT);
}

std::string SquareName(int index) {
    return {static_cast<char>('a' + index % 8), static_cast<char>('1' + 7 - index / 8)};
}

std::string Move::Coordinate() const {
    std::string text = SquareName(from) + SquareName(to);
    if (promotion != 0) text += promotion;
    return text;
}

std::string Move::EngineText() const {
    std::string text = SquareName(from) + "-" + SquareName(to);
    if (promotion != 0) text += {'=', static_cast<char>(std::toupper(static_cast<unsigned char>(promotion)))};
    return text;
}

} // namespace galvetta
