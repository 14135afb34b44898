#include "ui/GraphicChessBoard.h"

#include <QApplication>

namespace galvetta {

TGraphicChessBoard::TGraphicChessBoard(QWidget* parent) : TBoardCanvas(*this, parent) {}

void TGraphicChessBoard::SetBlackAtBottom(bool value) {
    BlackAtBottom = value;
    ForgetPainted();
    RePaint();
}

void TGraphicChessBoard::SquareChanged(int index) {
    if (index >= 0 && index < 64) DisegnaCasa(index);
}

void TGraphicChessBoard::BoardInvalidated() {
    ForgetPainted();
    RePaint();
}

void TGraphicChessBoard::LockChanged() {
    if (GetLocked()) CancelDrag();
    ShowLock();
}

void TGraphicChessBoard::Beep() {
    QApplication::beep();
}

TChessBoard::TChessBoard(QWidget* parent) : TBoardCanvas(*this, parent) {}

void TChessBoard::SetBlackAtBottom(bool value) {
    BlackAtBottom = value;
    ForgetPainted();
    RePaint();
}

void TChessBoard::SquareChanged(int index) {
    if (index >= 0 && index < 64) DisegnaCasa(index);
}

void TChessBoard::LockChanged() {
    if (GetLocked()) CancelDrag();
    ShowLock();
}

void TChessBoard::Beep() {
    QApplication::beep();
}

} // namespace galvetta
