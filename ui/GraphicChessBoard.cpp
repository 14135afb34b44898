// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GraphicChessBoard.h"

#include <QApplication>

namespace galvetta {

TGraphicChessBoard::TGraphicChessBoard(QWidget* parent) : TBoardCanvas(*this, parent) {}

void TGraphicChessBoard::Beep() {
    QApplication::beep();
}

TChessBoard::TChessBoard(QWidget* parent) : TBoardCanvas(*this, parent) {}

void TChessBoard::Beep() {
    QApplication::beep();
}

} // namespace galvetta
