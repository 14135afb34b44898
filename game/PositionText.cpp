#include "game/PositionText.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace galvetta {

namespace {

constexpr std::string_view PIECE_LETTERS = "kqrbnpKQRBNP";

// FEN writes White in upper case, the position text in lower case.
char swap_case(char c) {
    return std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                       : static_cast<char>(std::toupper(c));
}

} // namespace

Parsed<std::string> ValidatePositionText(std::string_view text) {
    using R = Parsed<std::string>;
    if (text.size() != POSITION_TEXT_LENGTH)
        return R::fail("position text must be 70 characters, got " + std::to_string(text.size()));
    int white = 0, black = 0;
    for (int i = 0; i < 64; ++i) {
        const char c = text[i];
        if (c == '-') continue;
        if (PIECE_LETTERS.find(c) == std::string_view::npos)
            return R::fail(std::string("bad square character '") + c + "' at index " + std::to_string(i));
        ++(std::islower(static_cast<unsigned char>(c)) ? white : black);
    }
    if (white > 16 || black > 16) return R::fail("more than 16 pieces of one side");
    if (text[64] != 'B' && text[64] != 'N') return R::fail("side to move must be 'B' or 'N'");
    return R::ok(std::string(text));
}

Parsed<std::string> FenToPositionText(std::string_view fen) {
    using R = Parsed<std::string>;
    std::istringstream in{std::string(fen)};
    std::string board, side, castling, ep;
    if (!(in >> board >> side >> castling >> ep))
        return R::fail("FEN needs board, side, castling and en-passant fields");

    std::string text(64, '-');
    int row = 0, column = 0;
    for (char c : board) {
        if (c == '/') {
            if (column != 8)
                return R::fail("FEN rank " + std::to_string(8 - row) + " does not have 8 squares");
            ++row;
            column = 0;
        } else if (c >= '1' && c <= '8') {
            column += c - '0';
        } else if (PIECE_LETTERS.find(c) != std::string_view::npos) {
            if (row > 7 || column > 7) return R::fail("FEN board has too many squares");
            text[row * 8 + column] = swap_case(c);
            ++column;
        } else {
            return R::fail(std::string("bad FEN board character '") + c + "'");
        }
        if (column > 8) return R::fail("FEN rank " + std::to_string(8 - row) + " has too many squares");
    }
    if (row != 7 || column != 8) return R::fail("FEN board must have 8 ranks of 8 squares");

    if (side != "w" && side != "b") return R::fail("FEN side to move must be 'w' or 'b'");
    text += side == "w" ? 'B' : 'N';

    if (ep == "-") {
        text += '-';
    } else if (ep.size() == 2 && ep[0] >= 'a' && ep[0] <= 'h' && (ep[1] == '3' || ep[1] == '6')) {
        text += ep[0];
    } else {
        return R::fail("bad FEN en-passant square '" + ep + "'");
    }

    if (castling != "-" && castling.find_first_not_of("KQkq") != std::string::npos)
        return R::fail("bad FEN castling field '" + castling + "'");
    for (char flag : {'K', 'Q', 'k', 'q'})
        text += castling.find(flag) != std::string::npos ? '+' : '-';
    return ValidatePositionText(text);
}

std::string PositionTextToFen(std::string_view text) {
    std::string fen;
    for (int row = 0; row < 8; ++row) {
        int empty = 0;
        for (int column = 0; column < 8; ++column) {
            const char c = text[row * 8 + column];
            if (PIECE_LETTERS.find(c) == std::string_view::npos) {
                ++empty;
                continue;
            }
            if (empty) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += swap_case(c);
        }
        if (empty) fen += static_cast<char>('0' + empty);
        if (row < 7) fen += '/';
    }
    const bool white = text[64] == 'B';
    fen += white ? " w " : " b ";
    std::string castling;
    const char flags[4] = {'K', 'Q', 'k', 'q'};
    for (int i = 0; i < 4; ++i)
        if (text[66 + i] == '+') castling += flags[i];
    fen += castling.empty() ? "-" : castling;
    fen += ' ';
    const char file = text[65];
    if (file >= 'a' && file <= 'h') {
        fen += file;
        fen += white ? '6' : '3';
    } else {
        fen += '-';
    }
    fen += " 0 1";
    return fen;
}

} // namespace galvetta
