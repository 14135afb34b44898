// SPDX-License-Identifier: GPL-3.0-or-later
// The board with Black's clock above it and White's below (turned over with
// the board), and the level slider with its label.
#pragma once

#include <QWidget>

#include "ui/PieceImages.h"

class QLabel;
class QSlider;
class QVBoxLayout;

namespace galvetta {

class TGraphicChessBoard;
class TQuorClock;

class TBoardPanel : public QWidget {
    Q_OBJECT
  public:
    TBoardPanel(const ImageList* pictures, QWidget* parent);

    // Turns the board and moves the clocks with it.
    void Reverse();

    TGraphicChessBoard* scacchiera;
    TQuorClock* clkBianco;
    TQuorClock* clkNero;
    QSlider* trkLivelli;
    QLabel* lblLivello;

  private:
    void PlaceClocks();
    QVBoxLayout* layout_;
};

} // namespace galvetta
