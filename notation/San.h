// SPDX-License-Identifier: GPL-3.0-or-later
// Standard Algebraic Notation: the legal moves of a position text, each in
// SAN ("Nbd2", "exd6", "e8=Q+", "O-O-O#"), and SAN read back with the loose
// forms people and programs write ("0-0", "e8Q", a missing "+", an extra
// disambiguation, coordinates such as "e2e4").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "notation/PositionText.h"

namespace galvetta {

struct LegalMove {
    int from = 0, to = 0;           // square indices of the position text
    char promotion = 0;             // 'q', 'r', 'b', 'n' or 0
    char piece = 'P';               // the mover: K, Q, R, B, N or P
    bool capture = false;           // en passant included
    int castle = 0;                 // +1 short, -1 long, 0 neither
    bool check = false;             // gives check
    bool mate = false;              // gives mate
    std::string Coordinate() const; // "e2e4", "e7e8q"
};

// Every legal move of the side to move, in the engine's generation order,
// found with the engine's own generators and its attack test. Empty when the
// side to move has none or the engine cannot load the position.
std::vector<LegalMove> LegalMoves(std::string_view position);
// The same, with check and mate left unmarked when `marks` is false (much
// quicker: no reply is generated).
std::vector<LegalMove> LegalMoves(std::string_view position, bool marks);

// Whether the side to move has a legal move at all (false for a position the
// engine cannot load); found without listing them.
bool HasLegalMove(std::string_view position);

// Whether the side to move can take en passant where the text offers it.
bool CanTakeEnPassant(std::string_view position);

// True when the side to move's king is attacked (false for a position the
// engine cannot load).
bool SideToMoveInCheck(std::string_view position);

// The SAN of `move` among the position's `moves`.
std::string SanOf(const LegalMove& move, const std::vector<LegalMove>& moves);

// The SAN of a move given in coordinates; empty when it is not legal.
std::string MoveToSan(std::string_view position, std::string_view coordinate);

// The legal move that `san` names, or why none (or more than one) does. The
// move carries no check or mate mark.
Parsed<LegalMove> ParseSan(std::string_view position, std::string_view san);
// The same from the engine's full list alone: the reference that ParseSan's
// quick path (from the target square) must agree with.
Parsed<LegalMove> ParseSanByList(std::string_view position, std::string_view san);

// Why a move from `from` to `to` is not legal: the side to move is in check
// and stays so, the move would leave its king in check, or the piece cannot
// go there at all.
enum class Illegal { None, InCheck, KingLeftInCheck, CannotGoThere };
Illegal WhyIllegal(std::string_view position, int from, int to);

// The position after a legal move, as the board writes it.
std::string PositionAfter(std::string_view position, const LegalMove& move);

} // namespace galvetta
