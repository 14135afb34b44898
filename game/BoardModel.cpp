#include "game/BoardModel.h"

#include <cctype>
#include <cstdlib>

#include "game/PositionText.h"

namespace galvetta {

namespace {

// The castling flag (index into the position text) of a rook's corner, or -1.
int corner_flag(int square) {
    switch (square) {
    case 0: return 69;  // a8: Black long
    case 7: return 68;  // h8: Black short
    case 56: return 67; // a1: White long
    case 63: return 66; // h1: White short
    default: return -1;
    }
}

} // namespace

TBoardModel::TBoardModel() : StartingPosition(STARTING_POSITION) {
    SetLocked(false);
    FPosition = StartingPosition;
}

char& TBoardModel::Pezzo(int index) {
    if (index < 0 || index > 64 || index >= static_cast<int>(FPosition.size())) return FScratch;
    return FPosition[index];
}

int TBoardModel::IndiceCasa(const std::string& text) {
    const int f = text.size() > 0 ? static_cast<unsigned char>(text[0]) : 0;
    const int r = text.size() > 1 ? static_cast<unsigned char>(text[1]) : 0;
    return (7 - (r - '1')) * 8 + (f - 'a');
}

std::string TBoardModel::Coordinate(int index) {
    std::string s;
    s += static_cast<char>('a' + index % 8);
    s += static_cast<char>('1' + 7 - index / 8);
    return s;
}

void TBoardModel::ImpostaPezzo(char piece, int index) {
    Pezzo(index) = piece;
    SquareChanged(index);
}

void TBoardModel::CancellaPezzo(int index) {
    ImpostaPezzo('-', index);
}

void TBoardModel::SpostaPezzo(int from, int to) {
    ImpostaPezzo(Pezzo(from), to);
    CancellaPezzo(from);
}

void TBoardModel::SpostaPezzo(const std::string& text) {
    SpostaPezzo(IndiceCasa(text), IndiceCasa(text.size() > 2 ? text.substr(2) : std::string()));
}

void TBoardModel::SetPosition(const std::string& text) {
    FPosition = text;
    PositionReplaced();
}

void TBoardModel::StorePosition() {
    FPositionHistory.push_back(FPosition);
    FMoveHistory.push_back(LastMove);
}

std::string TBoardModel::GetMove(int n) const {
    if (n < 1 || n > static_cast<int>(FMoveHistory.size())) return "";
    return FMoveHistory[n - 1];
}

void TBoardModel::ResetGame() {
    FMoveHistory.clear();
    FPositionHistory.clear();
    SetPosition(StartingPosition);
    FPositionHistory.push_back(FPosition);
    if (OnGameRestarted) OnGameRestarted();
}

void TBoardModel::TakeBack(int n) {
    // A negative count never reaches zero and so takes back everything.
    for (; n != 0 && !FPositionHistory.empty(); --n) {
        FPositionHistory.pop_back();
        if (FMoveHistory.empty())
            Beep();
        else
            FMoveHistory.pop_back();
    }
    SetPosition(FPositionHistory.empty() ? StartingPosition : FPositionHistory.back());
}

void TBoardModel::MoveBack(int n) {
    TakeBack(n);
    BoardInvalidated();
}

void TBoardModel::SetLocked(bool locked) {
    Locked = locked;
    LockChanged();
}

void TBoardModel::ClearPosition() {
    for (int i = 0; i < 64; ++i)
        CancellaPezzo(i);
}

bool TBoardModel::SetSquare(const std::string& token) {
    if (token.empty()) return false;
    switch (token[0]) {
    case '#':
        FEditColor = 0;
        ClearPosition();
        return true;
    case 'c': FEditColor ^= 6; return true;
    default: break;
    }
    static const std::string KINDS = "KQRBNP";
    const size_t kind = KINDS.find(token[0]);
    if (kind == std::string::npos) return true;
    // A square that is not a8..h1 changes nothing (it could otherwise reach the
    // side-to-move character).
    if (token.size() < 3 || token[1] < 'a' || token[1] > 'h' || token[2] < '1' || token[2] > '8')
        return false;
    ImpostaPezzo(EngineInitials[FEditColor + kind], IndiceCasa(token.substr(1)));
    return true;
}

void TBoardModel::RightsFromPlacement() {
    if (FPosition.size() < POSITION_TEXT_LENGTH) return;
    FPosition[65] = '+';
    for (int corner : {0, 7, 56, 63}) {
        const bool white = corner >= 56;
        const char king = EngineInitials[white ? 0 : 6], rook = EngineInitials[white ? 2 : 8];
        const bool home = Pezzo(white ? 60 : 4) == king && Pezzo(corner) == rook;
        FPosition[corner_flag(corner)] = home ? '+' : '-';
    }
}

bool TBoardModel::Validate(const std::string& text) {
    LastMove = text;
    if (!OnValidateMove) return true;
    bool legal = true;
    OnValidateMove(legal);
    if (!legal) LastMove = "";
    return legal;
}

bool TBoardModel::Move(const std::string& text) {
    const int from = IndiceCasa(text);
    const int to = IndiceCasa(text.size() > 2 ? text.substr(2) : std::string());
    if (from == to) return false;
    if (FPosition.size() < POSITION_TEXT_LENGTH) return false;
    const char promotion = text.size() > 4 ? text[4] : '\0';
    const char p = Pezzo(from);
    const char white_pawn = EngineInitials[5], black_pawn = EngineInitials[11];

    if (!Validate(text)) return false;
    // The move is checked by the engine; squares outside the board never pass,
    // but a board without a validation handler keeps them away from the text.
    if (from < 0 || from > 63 || to < 0 || to > 63) return false;

    const bool white = FPosition[64] == 'B';
    FPosition[65] = '+';
    int en_passant_victim = -1;
    if (p == white_pawn || p == black_pawn) {
        const int dir = white ? -8 : 8;
        if (((from ^ to) & 1) && Pezzo(to) == '-')
            en_passant_victim = to - dir;
        else if (std::abs(to - from) == 16)
            FPosition[65] = text[0];
    }
    const int base = white ? 0 : 2;
    if (p == EngineInitials[0] || p == EngineInitials[6]) {
        if (std::abs(to - from) == 2) {
            const int row = to / 8, col = to % 8;
            if (col == 2)
                SpostaPezzo(Casa(0, row), Casa(3, row));
            else
                SpostaPezzo(Casa(col + 1, row), Casa(col - 1, row));
        }
        // Any king move gives up both of its side's rights.
        FPosition[66 + base] = '-';
        FPosition[67 + base] = '-';
    }
    // A move from or to a rook's corner ends that corner's right, whatever moves
    // or is taken there.
    for (int square : {from, to}) {
        const int flag = corner_flag(square);
        if (flag >= 0) FPosition[flag] = '-';
    }
    if (promotion != '\0')
        Pezzo(from) = static_cast<char>(white ? std::tolower(static_cast<unsigned char>(promotion))
                                              : std::toupper(static_cast<unsigned char>(promotion)));
    SpostaPezzo(from, to);
    if (en_passant_victim >= 0) CancellaPezzo(en_passant_victim);
    FPosition[64] ^= 0x0C;
    SquareChanged(64);

    if (AfterMove) AfterMove();
    StorePosition();
    return true;
}

bool TPlainBoardModel::ExecMove(const std::string& text) {
    if (!Validate(text)) return false;
    const int from = IndiceCasa(LastMove);
    const int to = IndiceCasa(LastMove.size() > 2 ? LastMove.substr(2) : std::string());
    if (from < 0 || from > 63 || to < 0 || to > 63) return false;
    SpostaPezzo(from, to);
    ChangeColor(0);
    StorePosition();
    if (OnMove) OnMove(LastMove);
    return true;
}

void TPlainBoardModel::ChangeColor(char side) {
    if (FPosition.size() <= 64) return;
    FPosition[64] = side != 0 ? side : (FPosition[64] == 'B' ? 'N' : 'B');
    SquareChanged(64);
}

void TPlainBoardModel::MoveBack(int n) {
    TakeBack(n);
}

} // namespace galvetta
