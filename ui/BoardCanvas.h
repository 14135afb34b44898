// SPDX-License-Identifier: GPL-3.0-or-later
// What both board widgets draw and how they take the mouse: the squares
// mapped to pixels (turned over when Black is at the bottom), an off-screen
// bitmap of the whole board where only changed squares are redrawn, and a
// piece dragged with the left button that follows the pointer, or pressed
// and then its square pressed (click-click), with the squares it may go to
// marked and a choice of piece when a pawn reaches its last rank.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "play/BoardModel.h"
#include "ui/PieceImages.h"

namespace galvetta {

class TBoardCanvas : public QWidget {
    Q_OBJECT
  public:
    TBoardCanvas(TBoardModel& model, QWidget* parent);

    // Assigns the image list (not owned) and resizes the board to eight cells.
    void SetPictures(const ImageList* pictures);
    const ImageList* GetPictures() const { return Pictures; }
    // The board at `cell` pixels a square: the pieces drawn afresh at that
    // size, sharp at the screen's pixel ratio, and the board resized.
    void SetCellSize(int cell);
    int CellSize() const { return FCell.width(); }
    // Squares marked over the board: the last move's two, a king in check,
    // and a suggested move (square indices; -1 for none).
    struct Marks {
        int from = -1, to = -1, check = -1, hint_from = -1, hint_to = -1;
        bool operator==(const Marks&) const = default;
    };
    void SetMarks(const Marks& marks);
    const Marks& GetMarks() const { return marks_; }
    // Edit mode: a piece goes wherever it is dropped, and off the board it is
    // removed.
    void SetEditing(bool on) { editing_ = on; }
    // In edit mode, what a press on a square puts there: a piece letter of
    // the position text, '-' to empty it, or 0 to drag pieces instead.
    void SetBrush(char piece) { brush_ = piece; }
    // A drop the board refused ("e2e5"), and a press while the board is
    // locked or shows an earlier position.
    std::function<void(const std::string& move)> DropRefused;
    std::function<void()> LockedPress;
    std::function<void()> SteppedPress;
    // The squares the piece on `from` may go to (the window asks the rules);
    // unset, no square is marked.
    std::function<std::vector<int>(int from)> LegalTargets;
    // Whether those squares are marked when a piece is picked up or selected.
    void SetShowTargets(bool on);
    bool ShowsTargets() const { return show_targets_; }
    // The piece a pawn on its last rank becomes: 'q', 'r', 'b' or 'n', or 0
    // when the person cancels the move; unset, a queen.
    std::function<char(bool white, QPoint where)> ChoosePromotion;
    // The square of the piece selected by a press, waiting for the press on
    // its target (-1: none), and the squares marked for it.
    int Selected() const { return selected_; }
    const std::vector<int>& Targets() const { return targets_; }
    // Shows `position` (a position text) in place of the game's own, which
    // stays as it is; an empty text shows the game again.
    void ShowPosition(const std::string& position);
    bool ShowsEarlierPosition() const { return !shown_.empty(); }
    void SetBackColor(const QColor& colour);
    QColor GetBackColor() const { return BackColor; }

    int CoordinataX(int col) const;
    int CoordinataY(int row) const;
    int Colonna(int x) const;
    int Riga(int y) const;
    // Image of a piece letter: its place in EngineInitials plus 1; 1 for anything else.
    int IconaPezzo(char piece) const;
    // Draws one image at (x, y) into the board bitmap; a floating draw first
    // restores what lay under the previous floating image.
    void DisegnaPezzo(int image, int x, int y, bool floating);
    void DisegnaPezzo(int col, int row);
    void DisegnaCasa(int index) { DisegnaPezzo(index % 8, index / 8); }
    // Redraws the squares that differ from the last repaint, then the screen.
    void RePaint();
    void ForgetPainted() { FPainted.clear(); }

    // Squares drawn by RePaint so far (what "only changed squares" saves).
    int SquaresRepainted() const { return squares_repainted_; }
    const QPixmap& BoardBitmap() const { return FBoardBitmap; }
    bool Dragging() const { return FDragFrom >= 0; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Plays a dropped move ("e2e4") through the board's own move execution.
    virtual bool DropMove(const std::string& move) = 0;
    // What both boards do when their model changes: one square redrawn, the
    // lock shown (a piece lifted when the board locks goes back), the board turned.
    void SquareChangedOnModel(int index);
    void LockChangedOnModel();
    void TurnBoard(bool black_at_bottom);

  private:
    // The piece drawn on a square: the shown position's, else the model's.
    char ShownPiece(int index) const;
    // The board bitmap and the cell size, for the current images.
    void Resize(QSize cell);
    void DropEdited(const QPoint& at);
    // The piece on `from` goes to `to`, with the promotion asked for where a
    // pawn reaches its last rank; a refusal is told.
    void TryMove(int from, int to, char piece, QPoint where);
    void Select(int square);

    TBoardModel& model_;
    const ImageList* Pictures = nullptr;
    ImageList scaled_;     // the images drawn for SetCellSize
    int pending_cell_ = 0; // a size whose pieces the next paint draws
    void DrawPendingPieces();
    Marks marks_;
    bool editing_ = false;
    char brush_ = 0;
    QColor BackColor = Qt::white;
    QPixmap FBoardBitmap;
    QPixmap FUnderPiece;
    QSize FCell{48, 48};
    QRect FFloatRect;
    QRect FCellRect{0, 0, 48, 48};
    std::string FPainted;
    std::string shown_; // a position looked at instead of the game's, or empty
    int FDragFrom = -1;
    int selected_ = -1;
    bool was_selected_ = false; // the press began on the piece already selected
    bool show_targets_ = true;
    std::vector<int> targets_;
    char FDragPiece = static_cast<char>(255);
    int squares_repainted_ = 0;
};

} // namespace galvetta
