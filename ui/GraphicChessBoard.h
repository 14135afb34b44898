// The board widget: the board model drawn as eight by eight cells.
#pragma once

#include <QWidget>

#include "game/BoardModel.h"

namespace galvetta {

class TGraphicChessBoard : public QWidget, public TBoardModel {
    Q_OBJECT
public:
    explicit TGraphicChessBoard(QWidget* parent = nullptr);

    void SetBlackAtBottom(bool value);
    bool GetBlackAtBottom() const { return BlackAtBottom; }
    int CellSize() const { return cell_size_; }
    // Top-left pixel of a square's cell, and the square under a pixel (-1 outside).
    QPoint CellOrigin(int index) const;
    int SquareAt(QPoint pixel) const;

    QSize sizeHint() const override { return QSize(8 * cell_size_, 8 * cell_size_); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void SquareChanged(int index) override;
    void PositionReplaced() override;
    void BoardInvalidated() override;
    void LockChanged() override;
    void Beep() override;

private:
    int cell_size_ = 48;
};

} // namespace galvetta
