// The main window's board: the game model drawn from the image list.
#pragma once

#include "game/BoardModel.h"
#include "ui/BoardCanvas.h"

namespace galvetta {

class TGraphicChessBoard : public TBoardCanvas, public TBoardModel {
    Q_OBJECT
  public:
    explicit TGraphicChessBoard(QWidget* parent = nullptr);

    void SetBlackAtBottom(bool value);
    bool GetBlackAtBottom() const { return BlackAtBottom; }

  protected:
    bool DropMove(const std::string& move) override { return Move(move); }
    void SquareChanged(int index) override;
    void PositionReplaced() override { RePaint(); }
    void BoardInvalidated() override;
    void LockChanged() override;
    void Beep() override;
};

// The plain board: the same drawing and mouse, the simpler move execution.
class TChessBoard : public TBoardCanvas, public TPlainBoardModel {
    Q_OBJECT
  public:
    explicit TChessBoard(QWidget* parent = nullptr);

    void SetBlackAtBottom(bool value);

  protected:
    bool DropMove(const std::string& move) override { return ExecMove(move); }
    void SquareChanged(int index) override;
    void PositionReplaced() override { RePaint(); }
    void LockChanged() override;
    void Beep() override;
};

} // namespace galvetta
