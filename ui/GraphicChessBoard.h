// SPDX-License-Identifier: GPL-3.0-or-later
// The board widgets: a board model drawn and dragged by the canvas.
#pragma once

#include "play/BoardModel.h"
#include "ui/BoardCanvas.h"

namespace galvetta {

// The main window's board.
class TGraphicChessBoard : public TBoardCanvas, public TBoardModel {
    Q_OBJECT
  public:
    explicit TGraphicChessBoard(QWidget* parent = nullptr);

    void SetBlackAtBottom(bool value) { TurnBoard(value); }
    bool GetBlackAtBottom() const { return BlackAtBottom; }

  protected:
    bool DropMove(const std::string& move) override { return Move(move); }
    void SquareChanged(int index) override { SquareChangedOnModel(index); }
    void PositionReplaced() override { RePaint(); }
    // A take-back redraws the whole board.
    void BoardInvalidated() override { TurnBoard(BlackAtBottom); }
    void LockChanged() override { LockChangedOnModel(); }
    void Beep() override;
};

// The plain board: the same drawing and mouse, the simpler move execution.
class TChessBoard : public TBoardCanvas, public TPlainBoardModel {
    Q_OBJECT
  public:
    explicit TChessBoard(QWidget* parent = nullptr);

    void SetBlackAtBottom(bool value) { TurnBoard(value); }

  protected:
    bool DropMove(const std::string& move) override { return ExecMove(move); }
    void SquareChanged(int index) override { SquareChangedOnModel(index); }
    void PositionReplaced() override { RePaint(); }
    void LockChanged() override { LockChangedOnModel(); }
    void Beep() override;
};

} // namespace galvetta
