// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/PositionText.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace galvetta {

namespace {

// FEN writes White in upper case, the position text in lower case.
char swap_case(char c) {
    return std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                       : static_cast<char>(std::toupper(c));
}

} // namespace

int SquareIndex(std::string_view name) {
    const int file = name.size() > 0 ? static_cast<unsigned char>(name[0]) : 0;
    const int rank = name.size() > 1 ? static_cast<unsigned char>(name[1]) : 0;
    return (7 - (rank - '1')) * 8 + (file - 'a');
}

bool IsSquareName(std::string_view name) {
    return name.size() >= 2 && name[0] >= 'a' && name[0] <= 'h' && name[1] >= '1' && name[1] <= '8';
}

int CornerFlag(int square) {
    switch (square) {
    case 0: return BLACK_LONG;   // a8
    case 7: return BLACK_SHORT;  // h8
    case 56: return WHITE_LONG;  // a1
    case 63: return WHITE_SHORT; // h1
    default: return -1;
    }
}

void ApplyMove(char* text, int from, int to, char promotion, char no_en_passant, std::string_view letters) {
    const bool white = text[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    const int own = white ? 0 : BLACK_LETTERS;
    const char piece = text[from];
    text[EN_PASSANT_FILE] = no_en_passant;
    if (piece == letters[own + PAWN]) {
        const int forward = white ? -8 : 8;
        if (((from ^ to) & 1) && text[to] == '-')
            text[to - forward] = '-'; // taken en passant
        else if (std::abs(to - from) == 16)
            text[EN_PASSANT_FILE] = static_cast<char>('a' + from % 8);
    }
    if (piece == letters[own + KING]) {
        if (to - from == 2) { // the rook comes from the h-file to the f-file
            text[to - 1] = text[to + 1];
            text[to + 1] = '-';
        } else if (to - from == -2) { // from the a-file to the d-file
            text[to + 1] = text[to - 2];
            text[to - 2] = '-';
        }
        // Any king move gives up both of its side's rights.
        text[white ? WHITE_SHORT : BLACK_SHORT] = '-';
        text[white ? WHITE_LONG : BLACK_LONG] = '-';
    }
    // A move from or to a rook's corner ends that corner's right, whatever
    // moves or is taken there.
    for (int square : {from, to})
        if (CornerFlag(square) >= 0) text[CornerFlag(square)] = '-';
    const auto letter = static_cast<unsigned char>(promotion);
    text[to] =
        promotion != 0 ? static_cast<char>(white ? std::tolower(letter) : std::toupper(letter)) : piece;
    text[from] = '-';
    text[SIDE_TO_MOVE] ^= WHITE_ON_MOVE ^ BLACK_ON_MOVE;
}

bool IsPositionText(std::string_view text) {
    if (text.size() != POSITION_TEXT_LENGTH) return false;
    int white = 0, black = 0;
    for (int i = 0; i < 64; ++i) {
        switch (text[i]) {
        case '-': break;
        case 'k':
        case 'q':
        case 'r':
        case 'b':
        case 'n':
        case 'p': ++white; break;
        case 'K':
        case 'Q':
        case 'R':
        case 'B':
        case 'N':
        case 'P': ++black; break;
        default: return false;
        }
    }
    return white <= 16 && black <= 16 &&
           (text[SIDE_TO_MOVE] == WHITE_ON_MOVE || text[SIDE_TO_MOVE] == BLACK_ON_MOVE);
}

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

Parsed<FenPosition> ReadFen(std::string_view fen) {
    using R = Parsed<FenPosition>;
    std::istringstream in{std::string(fen)};
    std::string board, side, castling = "-", ep = "-", halfmove = "0", number = "1";
    if (!(in >> board >> side)) return R::fail("FEN needs at least the board and the side to move");
    in >> castling >> ep >> halfmove >> number;

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
    } else if (ep.size() == 2 && ep[0] >= 'a' && ep[0] <= 'h' && ep[1] == (side == "w" ? '6' : '3')) {
        text += ep[0];
    } else {
        return R::fail("bad FEN en-passant square '" + ep + "' with " + (side == "w" ? "White" : "Black") +
                       " to move");
    }

    if (castling != "-" && castling.find_first_not_of("KQkq") != std::string::npos)
        return R::fail("bad FEN castling field '" + castling + "'");
    for (char flag : {'K', 'Q', 'k', 'q'})
        text += castling.find(flag) != std::string::npos ? '+' : '-';

    FenPosition position;
    const auto counter = [](const std::string& field, long long low, long long& value) {
        char* end = nullptr;
        errno = 0;
        value = std::strtoll(field.c_str(), &end, 10);
        return errno == 0 && end != field.c_str() && *end == '\0' && value >= low && value <= INT32_MAX;
    };
    long long value = 0;
    if (!counter(halfmove, 0, value)) return R::fail("bad FEN half-move clock '" + halfmove + "'");
    position.halfmove_clock = static_cast<int>(value);
    if (!counter(number, 1, value)) return R::fail("bad FEN move number '" + number + "'");
    position.move_number = value;

    Parsed<std::string> checked = ValidatePositionText(text);
    if (!checked) return R::fail(checked.error);
    position.text = std::move(*checked.value);
    return R::ok(std::move(position));
}

Parsed<std::string> FenToPositionText(std::string_view fen) {
    Parsed<FenPosition> position = ReadFen(fen);
    if (!position) return Parsed<std::string>::fail(position.error);
    return Parsed<std::string>::ok(std::move(position.value->text));
}

std::string PositionTextToFen(std::string_view text, int halfmove_clock, int64_t move_number) {
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
    fen += ' ' + std::to_string(halfmove_clock) + ' ' + std::to_string(move_number);
    return fen;
}

} // namespace galvetta
