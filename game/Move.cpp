#include "game/Move.h"

#include <cctype>

#include "game/PositionText.h"

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
