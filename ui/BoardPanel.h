// SPDX-License-Identifier: GPL-3.0-or-later
// The board with its coordinates, Black's clock above it and White's below
// (turned over with the board), each with the mark of the side to move, and
// the level slider with its label. The board takes the room it is given,
// square, and the clocks follow its size.
#pragma once

#include <QWidget>
#include <array>

#include "ui/PieceImages.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QVBoxLayout;

namespace galvetta {

class TGraphicChessBoard;
class TQuorClock;

// The board and the letters and numbers of its edges.
class TBoardFrame : public QWidget {
    Q_OBJECT
  public:
    TBoardFrame(TGraphicChessBoard* board, QWidget* parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    int Margin() const;
    TGraphicChessBoard* board_;
};

class TBoardPanel : public QWidget {
    Q_OBJECT
  public:
    TBoardPanel(const ImageList* pictures, QWidget* parent);

    // Turns the board and moves the clocks with it.
    void Reverse();
    // Marks the clock of the side to move.
    void ShowSideToMove(bool white);
    // The deepest search the person chose (0: none), shown with the level.
    void SetDepthCap(int depth);
    // The depth the last search reached, shown beside the cap.
    void SetReachedDepth(int depth);
    // A caption over the board while it shows an earlier position; empty
    // hides it.
    void ShowStepped(const QString& caption);
    // Buttons under the board for the actions that step through the game.
    void AddStepButtons(const QList<QAction*>& actions);
    // Edit mode's palette: the twelve pieces and an eraser (the board's
    // brush), the side to move and the castling rights, shown while editing.
    void ShowEditPalette(bool on, bool white_to_move);
    bool EditWhiteToMove() const;
    // The castling rights allowed, in the position text's order: White
    // short, White long, Black short, Black long.
    std::array<bool, 4> EditRights() const;
    // The piece a pawn reaching its last rank becomes, chosen from a menu of
    // four at `where` (screen coordinates): 'q', 'r', 'b' or 'n', or 0 when
    // the person cancels (Esc, or a press elsewhere).
    char ChoosePromotion(bool white, QPoint where);

    // Moves typed: SAN or coordinates, played on Enter.
    QLineEdit* txtMossaTastiera;

    TGraphicChessBoard* scacchiera;
    TQuorClock* clkBianco;
    TQuorClock* clkNero;
    QSlider* trkLivelli;
    QLabel* lblLivello;
    TBoardFrame* frame;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // The move box gives the game's shortcuts way when it is empty (and
    // copy when nothing in it is selected); with text in it, its editing
    // keys are its own.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceClocks();
    void ShowLevel();
    void FitSteppedCaption();
    void FitLevelLine();
    int depth_cap_ = 0;
    int reached_ = 0;
    QLabel* stepped_;
    QWidget* step_bar_ = nullptr;
    QString stepped_caption_;
    QWidget* CreateEditPalette();
    static constexpr int PALETTE_ICON = 24;
    QWidget* palette_ = nullptr;
    QRadioButton* white_moves_ = nullptr;
    QCheckBox* rights_[4] = {};
    QVBoxLayout* layout_;
    QWidget* white_row_;
    QWidget* black_row_;
    QLabel* white_turn_;
    QLabel* black_turn_;
};

} // namespace galvetta
