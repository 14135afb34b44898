// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Rules.h"

#include <unordered_map>

#include <algorithm>

#include "notation/San.h"

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

namespace {

// A position as the repetition rule compares it: the squares, the side to
// move, the castling rights, and the en-passant file only where a pawn can
// really take en passant.
std::string repetition_key(const std::string& position) {
    std::string key = position.substr(0, POSITION_TEXT_LENGTH);
    if (!CanTakeEnPassant(position)) key[EN_PASSANT_FILE] = '-';
    return key;
}

// Neither side can mate by any series of legal moves: bare kings, one minor
// piece, or bishops all on squares of one colour.
bool insufficient_material(std::string_view position) {
    int knights = 0, bishops = 0, light = 0;
    for (int i = 0; i < 64; ++i) {
        switch (std::tolower(static_cast<unsigned char>(position[i]))) {
        case 'p':
        case 'r':
        case 'q': return false;
        case 'n': ++knights; break;
        case 'b':
            ++bishops;
            light += (i / 8 + i % 8) % 2 == 0;
            break;
        default: break;
        }
    }
    if (knights + bishops <= 1) return true;
    return knights == 0 && (light == 0 || light == bishops);
}

int piece_count(std::string_view position) {
    return static_cast<int>(64 - std::count(position.begin(), position.begin() + 64, '-'));
}

// A capture or a pawn move led from `before` to `after`.
bool irreversible(std::string_view before, std::string_view after) {
    if (piece_count(after) < piece_count(before)) return true;
    for (int i = 0; i < 64; ++i)
        if ((before[i] == 'p' || before[i] == 'P') && after[i] != before[i]) return true;
    return false;
}

constexpr int FIFTY_MOVES = 100; // plies
constexpr int REPETITIONS = 3;

} // namespace

Verdict VerdictOf(GameEnd end) {
    switch (end) {
    case GameEnd::WhiteMates: return {end, "1-0", "White mates"};
    case GameEnd::BlackMates: return {end, "0-1", "Black mates"};
    case GameEnd::Stalemate: return {end, "1/2-1/2", "Stalemate"};
    case GameEnd::Repetition: return {end, "1/2-1/2", "Draw by repetition"};
    case GameEnd::FiftyMoves: return {end, "1/2-1/2", "50 move rule"};
    case GameEnd::Material: return {end, "1/2-1/2", "Insufficient material"};
    case GameEnd::None: break;
    }
    return {};
}

namespace {

// A search that found no move leaves its position twice in a row: that is no
// step of the game.
bool same_step(const std::vector<std::string>& positions, size_t i) {
    return i > 0 && positions[i] == positions[i - 1];
}

} // namespace

int HalfmoveClock(const std::vector<std::string>& positions, int halfmove_clock) {
    int clock = halfmove_clock;
    for (size_t i = 1; i < positions.size(); ++i)
        if (!same_step(positions, i)) clock = irreversible(positions[i - 1], positions[i]) ? 0 : clock + 1;
    return clock;
}

Verdict JudgeGame(const std::vector<std::string>& positions, int halfmove_clock) {
    if (positions.empty() || !IsPositionText(positions.back())) return {};
    const std::string& now = positions.back();
    if (!HasLegalMove(now)) {
        if (!SideToMoveInCheck(now)) return VerdictOf(GameEnd::Stalemate);
        return VerdictOf(now[SIDE_TO_MOVE] == WHITE_ON_MOVE ? GameEnd::BlackMates : GameEnd::WhiteMates);
    }
    if (insufficient_material(now)) return VerdictOf(GameEnd::Material);
    if (HalfmoveClock(positions, halfmove_clock) >= FIFTY_MOVES) return VerdictOf(GameEnd::FiftyMoves);
    const std::string key = repetition_key(now);
    int seen = 0;
    for (size_t i = 0; i < positions.size(); ++i)
        seen += !same_step(positions, i) && positions[i].size() >= POSITION_TEXT_LENGTH &&
                positions[i].compare(0, SIDE_TO_MOVE + 1, key, 0, SIDE_TO_MOVE + 1) == 0 &&
                repetition_key(positions[i]) == key;
    if (seen >= REPETITIONS) return VerdictOf(GameEnd::Repetition);
    return {};
}

std::optional<RuleDraw> FirstDrawByRule(const std::vector<std::string>& positions, int halfmove_clock) {
    // One pass: the clock and the count of each position so far, kept as
    // they go, instead of judging every prefix from its start.
    std::unordered_map<std::string, int> seen;
    int clock = halfmove_clock;
    for (size_t ply = 0; ply + 1 < positions.size(); ++ply) {
        const std::string& now = positions[ply];
        if (!IsPositionText(now)) return std::nullopt;
        const bool step = !same_step(positions, ply);
        if (ply > 0 && step) clock = irreversible(positions[ply - 1], now) ? 0 : clock + 1;
        const int count = step ? ++seen[repetition_key(now)] : seen[repetition_key(now)];
        if (ply == 0) continue;
        GameEnd end = GameEnd::None;
        if (insufficient_material(now))
            end = GameEnd::Material;
        else if (clock >= FIFTY_MOVES)
            end = GameEnd::FiftyMoves;
        else if (count >= REPETITIONS)
            end = GameEnd::Repetition;
        if (end != GameEnd::None) return RuleDraw{ply, VerdictOf(end)};
    }
    return std::nullopt;
}

} // namespace galvetta
