// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/BoardModel.h"

#include <cctype>

#include "notation/PositionText.h"

namespace galvetta {

TBoardModel::TBoardModel() : StartingPosition(STARTING_POSITION) {
    SetLocked(false);
    FPosition = StartingPosition;
}

char& TBoardModel::Pezzo(int index) {
    if (index < 0 || index > SIDE_TO_MOVE || index >= static_cast<int>(FPosition.size())) return FScratch;
    return FPosition[index];
}

int TBoardModel::IndiceCasa(const std::string& text) {
    return SquareIndex(text);
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
    HistoryChanged();
}

void TBoardModel::AppendPosition(const std::string& position) {
    LastMove.clear();
    SetPosition(position);
    StorePosition();
}

void TBoardModel::DropRight(int flag) {
    if (flag >= WHITE_SHORT && flag <= BLACK_LONG && flag < static_cast<int>(FPosition.size()))
        FPosition[flag] = '-';
}

void TBoardModel::RestartHistoryHere() {
    FMoveHistory.clear();
    FPositionHistory.assign(1, FPosition);
    HistoryChanged();
}

std::string TBoardModel::GetMove(int n) const {
    if (n < 1 || n > static_cast<int>(FMoveHistory.size())) return "";
    return FMoveHistory[n - 1];
}

void TBoardModel::ResetGame() {
    StartFrom(StartingPosition);
}

void TBoardModel::StartFrom(const std::string& position) {
    FMoveHistory.clear();
    FPositionHistory.clear();
    SetPosition(position);
    FPositionHistory.push_back(FPosition);
    if (OnGameRestarted) OnGameRestarted();
    HistoryChanged();
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
    HistoryChanged();
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
    if (!IsSquareName(std::string_view(token).substr(1))) return false;
    ImpostaPezzo(EngineInitials[FEditColor + kind], IndiceCasa(token.substr(1)));
    return true;
}

void TBoardModel::ClearEnPassant() {
    if (FPosition.size() > EN_PASSANT_FILE) FPosition[EN_PASSANT_FILE] = '+';
}

void TBoardModel::RightsFromPlacement() {
    if (FPosition.size() < POSITION_TEXT_LENGTH) return;
    FPosition[EN_PASSANT_FILE] = '+';
    for (int corner : {0, 7, 56, 63}) {
        const int own = corner >= 56 ? 0 : BLACK_LETTERS;
        const bool home = Pezzo(own == 0 ? 60 : 4) == EngineInitials[own + KING] &&
                          Pezzo(corner) == EngineInitials[own + ROOK];
        FPosition[CornerFlag(corner)] = home ? '+' : '-';
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

    if (!Validate(text)) return false;
    // The move is checked by the engine; squares outside the board never pass,
    // but a board without a validation handler keeps them away from the text.
    if (from < 0 || from > 63 || to < 0 || to > 63) return false;

    // The board writes '+' for "no en-passant file".
    const std::string before = FPosition;
    ApplyMove(FPosition.data(), from, to, promotion, '+', EngineInitials);
    for (int i = 0; i <= SIDE_TO_MOVE; ++i)
        if (FPosition[i] != before[i]) SquareChanged(i);

    if (AfterMove) AfterMove();
    StorePosition();
    if (OnMoveStored) OnMoveStored();
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
    if (FPosition.size() <= SIDE_TO_MOVE) return;
    FPosition[SIDE_TO_MOVE] = side != 0 ? side : FPosition[SIDE_TO_MOVE] ^ (WHITE_ON_MOVE ^ BLACK_ON_MOVE);
    SquareChanged(SIDE_TO_MOVE);
}

void TPlainBoardModel::MoveBack(int n) {
    TakeBack(n);
}

} // namespace galvetta
