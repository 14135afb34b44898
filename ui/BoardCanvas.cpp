// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardCanvas.h"

#include <QMouseEvent>
#include <QPainter>

namespace galvetta {

TBoardCanvas::TBoardCanvas(TBoardModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setFixedSize(8 * FCell.width(), 8 * FCell.height());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::ClickFocus); // a press on the board takes the focus from the move box
}

void TBoardCanvas::SetPictures(const ImageList* pictures) {
    Pictures = pictures;
    if (Pictures != nullptr && Pictures->size() >= 14) {
        const QPixmap& first = Pictures->first();
        Resize((first.deviceIndependentSize()).toSize());
    } else {
        Pictures = nullptr;
        FBoardBitmap = QPixmap();
    }
    FPainted.clear();
    RePaint();
}

void TBoardCanvas::SetCellSize(int cell) {
    cell = std::max(cell, 8);
    if (FCell.width() == cell && (Pictures == &scaled_ || pending_cell_ == cell)) return;
    // The board takes its size now and draws its pieces at the next paint:
    // a window being laid out may change the size several times first.
    pending_cell_ = cell;
    FCell = QSize(cell, cell);
    setFixedSize(8 * cell, 8 * cell);
    update();
}

void TBoardCanvas::DrawPendingPieces() {
    if (pending_cell_ == 0) return;
    const int cell = pending_cell_;
    pending_cell_ = 0;
    const qreal ratio = devicePixelRatioF();
    scaled_ = MakePieceImages(static_cast<int>(cell * ratio));
    for (QPixmap& image : scaled_)
        image.setDevicePixelRatio(ratio);
    SetPictures(&scaled_);
}

void TBoardCanvas::Resize(QSize cell) {
    const qreal ratio = Pictures->first().devicePixelRatio();
    FCell = cell;
    FBoardBitmap = QPixmap(QSize(8 * cell.width(), 8 * cell.height()) * ratio);
    FBoardBitmap.setDevicePixelRatio(ratio);
    FBoardBitmap.fill(BackColor);
    FUnderPiece = QPixmap();
    setFixedSize(8 * cell.width(), 8 * cell.height());
    FCellRect = QRect(QPoint(0, 0), FCell);
    FFloatRect = QRect();
}

void TBoardCanvas::SetMarks(const Marks& marks) {
    if (marks == marks_) return;
    marks_ = marks;
    update();
}

void TBoardCanvas::SetBackColor(const QColor& colour) {
    BackColor = colour;
    update();
}

int TBoardCanvas::CoordinataX(int col) const {
    return model_.BlackAtBottom ? width() - ((col + 1) * width()) / 8 : (col * width()) / 8;
}
int TBoardCanvas::CoordinataY(int row) const {
    return model_.BlackAtBottom ? height() - ((row + 1) * height()) / 8 : (row * height()) / 8;
}
int TBoardCanvas::Colonna(int x) const {
    return model_.BlackAtBottom ? 7 - (x * 8) / width() : (x * 8) / width();
}
int TBoardCanvas::Riga(int y) const {
    return model_.BlackAtBottom ? 7 - (y * 8) / height() : (y * 8) / height();
}

int TBoardCanvas::IconaPezzo(char piece) const {
    const size_t at = model_.EngineInitials.find(piece);
    return at == std::string::npos ? 1 : static_cast<int>(at) + 2;
}

void TBoardCanvas::DisegnaPezzo(int image, int x, int y, bool floating) {
    if (Pictures == nullptr) return;
    const QRect r(QPoint(x, y), FCell);
    QPainter painter(&FBoardBitmap);
    if (floating) {
        if (!FFloatRect.isNull()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawPixmap(FFloatRect.topLeft(), FUnderPiece);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            update(FFloatRect);
        }
        FFloatRect = r;
        const qreal ratio = FBoardBitmap.devicePixelRatio();
        FUnderPiece = FBoardBitmap.copy(QRect(r.topLeft() * ratio, r.size() * ratio));
        FUnderPiece.setDevicePixelRatio(ratio);
    }
    if (image >= 0 && image < Pictures->size()) {
        painter.drawPixmap(r.topLeft(), (*Pictures)[image]);
        update(r);
    }
}

char TBoardCanvas::ShownPiece(int index) const {
    return shown_.empty() ? model_.Pezzo(index) : shown_[index];
}

void TBoardCanvas::DisegnaPezzo(int col, int row) {
    // The square first, so that a piece drawn here never stands over the one it replaced.
    const int index = TBoardModel::Casa(col, row);
    const char piece = ShownPiece(index);
    DisegnaPezzo((col ^ row) & 1, CoordinataX(col), CoordinataY(row), false);
    if (piece != '-') DisegnaPezzo(IconaPezzo(piece), CoordinataX(col), CoordinataY(row), false);
    // What the bitmap holds now, so that the next RePaint compares with it.
    if (static_cast<int>(FPainted.size()) > index) FPainted[index] = piece;
}

void TBoardCanvas::ShowPosition(const std::string& position) {
    shown_ = position.size() >= 64 ? position : std::string();
    RePaint();
}

void TBoardCanvas::RePaint() {
    if (Pictures != nullptr) {
        const std::string& position = shown_.empty() ? model_.GetPosition() : shown_;
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) {
                const int index = TBoardModel::Casa(col, row);
                const char piece = ShownPiece(index);
                if (static_cast<int>(FPainted.size()) > index && FPainted[index] == piece) continue;
                ++squares_repainted_;
                DisegnaPezzo((row + col) & 1, CoordinataX(col), CoordinataY(row), false);
                const size_t at = model_.EngineInitials.find(piece);
                if (piece != '-' && at != std::string::npos)
                    DisegnaPezzo(static_cast<int>(at) + 2, CoordinataX(col), CoordinataY(row), false);
            }
        }
        FPainted = position;
    }
    update();
}

void TBoardCanvas::paintEvent(QPaintEvent*) {
    DrawPendingPieces();
    QPainter painter(this);
    if (FBoardBitmap.isNull()) {
        painter.fillRect(rect(), BackColor);
        return;
    }
    painter.drawPixmap(rect(), FBoardBitmap);
    // The marks lie over the pieces, translucent, so the bitmap stays the board.
    const auto square = [this](int index) {
        return QRect(CoordinataX(index % 8), CoordinataY(index / 8), FCell.width(), FCell.height());
    };
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index : {marks_.from, marks_.to})
        if (index >= 0 && index < 64) painter.fillRect(square(index), QColor(250, 210, 40, 90));
    if (marks_.check >= 0 && marks_.check < 64) {
        painter.setPen(QPen(QColor(220, 30, 30, 220), std::max(2, FCell.width() / 12)));
        painter.setBrush(QColor(220, 30, 30, 60));
        painter.drawEllipse(square(marks_.check).adjusted(2, 2, -2, -2));
    }
    // The squares the piece lifted or selected may go to: a dot on an empty
    // square, a ring round a piece it takes.
    if (selected_ >= 0 && selected_ < 64) painter.fillRect(square(selected_), QColor(90, 160, 60, 110));
    painter.setPen(Qt::NoPen);
    for (int index : targets_) {
        if (index < 0 || index > 63) continue;
        const QRectF cell = square(index);
        if (ShownPiece(index) == '-') {
            painter.setBrush(QColor(40, 40, 40, 90));
            painter.drawEllipse(cell.center(), cell.width() / 7, cell.width() / 7);
        } else {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QColor(40, 40, 40, 110), std::max(2.0, cell.width() / 12)));
            painter.drawEllipse(cell.adjusted(3, 3, -3, -3));
            painter.setPen(Qt::NoPen);
        }
    }
    if (marks_.hint_from >= 0 && marks_.hint_to >= 0 && marks_.hint_from < 64 && marks_.hint_to < 64) {
        const QPointF from = QRectF(square(marks_.hint_from)).center(),
                      to = QRectF(square(marks_.hint_to)).center();
        painter.setPen(
            QPen(QColor(30, 120, 220, 200), std::max(3, FCell.width() / 7), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(from, to);
        painter.setBrush(QColor(30, 120, 220, 200));
        painter.drawEllipse(to, FCell.width() / 6.0, FCell.width() / 6.0);
    }
}

void TBoardCanvas::SetShowTargets(bool on) {
    show_targets_ = on;
    Select(selected_);
}

void TBoardCanvas::Select(int square) {
    selected_ = square;
    targets_.clear();
    const int shown = square >= 0 ? square : FDragFrom;
    if (show_targets_ && shown >= 0 && LegalTargets) targets_ = LegalTargets(shown);
    update();
}

void TBoardCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // An earlier position is only looked at: the game is asked first.
    if (!shown_.empty()) {
        if (SteppedPress) SteppedPress();
        return;
    }
    if (model_.GetLocked()) {
        if (LockedPress) LockedPress();
        return;
    }
    const QPoint p = event->position().toPoint();
    const int square = TBoardModel::Casa(Colonna(p.x()), Riga(p.y()));
    if (editing_ && brush_ != 0) {
        if (square < 0 || square > 63) return;
        if (brush_ == '-')
            model_.CancellaPezzo(square);
        else
            model_.ImpostaPezzo(brush_, square);
        return;
    }
    if (square < 0 || square > 63) return;
    const char side = model_.Pezzo(SIDE_TO_MOVE);
    const char piece = model_.Pezzo(square);
    const bool own =
        piece != '-' && ((piece >= 'a' && side == WHITE_ON_MOVE) || (piece < 'a' && side == BLACK_ON_MOVE));
    // A piece selected, then its target pressed: the move.
    if (selected_ >= 0 && selected_ != square && !own && !editing_) {
        const int from = selected_;
        Select(-1);
        TryMove(from, square, model_.Pezzo(from), p);
        return;
    }
    was_selected_ = selected_ == square;
    if (piece == '-') {
        Select(-1);
        return;
    }
    model_.SetLastMove(TBoardModel::Coordinate(square));
    if (!own && !editing_) {
        Select(-1);
        return;
    }
    FDragFrom = square;
    FDragPiece = piece;
    if (!editing_) Select(-1); // the piece picked up shows where it may go
    model_.CancellaPezzo(FDragFrom);
    FFloatRect = QRect();
}

void TBoardCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (FDragFrom < 0 || !(event->buttons() & Qt::LeftButton) || model_.GetLocked()) return;
    const QPoint p = event->position().toPoint();
    DisegnaPezzo(IconaPezzo(FDragPiece), p.x() - FCell.width() / 2, p.y() - FCell.height() / 2, true);
}

void TBoardCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || model_.GetLocked() || FDragFrom < 0) return;
    const QPoint p = event->position().toPoint();
    const int from = FDragFrom;
    if (editing_) {
        DropEdited(p);
        return;
    }
    // A drop off the board puts the piece back where it was.
    const int to = rect().contains(p) ? TBoardModel::Casa(Colonna(p.x()), Riga(p.y())) : from;
    DisegnaPezzo(-1, width(), height(), true);
    FDragFrom = -1;
    model_.ImpostaPezzo(FDragPiece, from);
    // Released where it was pressed: a click, which selects the piece (or,
    // on the piece already selected, lets it go).
    if (to == from) {
        Select(rect().contains(p) && !was_selected_ ? from : -1);
        return;
    }
    Select(-1);
    TryMove(from, to, FDragPiece, p);
}

void TBoardCanvas::TryMove(int from, int to, char piece, QPoint where) {
    std::string move = TBoardModel::Coordinate(from) + TBoardModel::Coordinate(to);
    // A pawn on its last rank becomes the piece the person chooses.
    const bool white_pawn = piece == model_.EngineInitials[PAWN] && to < 8;
    const bool black_pawn = piece == model_.EngineInitials[BLACK_LETTERS + PAWN] && to >= 56;
    if (white_pawn || black_pawn) {
        const char chosen = ChoosePromotion ? ChoosePromotion(white_pawn, mapToGlobal(where)) : 'q';
        if (chosen == 0) return; // cancelled: nothing moves
        move += chosen;
    }
    if (!DropMove(move) && DropRefused) DropRefused(move);
}

void TBoardCanvas::DropEdited(const QPoint& at) {
    DisegnaPezzo(-1, width(), height(), true);
    FDragFrom = -1;
    // Lifted, the piece left its square; off the board it is gone, elsewhere
    // it stands where it fell (back on its own square too).
    if (rect().contains(at))
        model_.ImpostaPezzo(FDragPiece, TBoardModel::Casa(Colonna(at.x()), Riga(at.y())));
}

void TBoardCanvas::SquareChangedOnModel(int index) {
    if (index >= 0 && index < 64) DisegnaCasa(index);
}

void TBoardCanvas::LockChangedOnModel() {
    if (model_.GetLocked()) Select(-1);
    if (model_.GetLocked() && FDragFrom >= 0) {
        DisegnaPezzo(-1, width(), height(), true);
        const int from = FDragFrom;
        FDragFrom = -1;
        model_.ImpostaPezzo(FDragPiece, from);
    }
    setCursor(model_.GetLocked() ? Qt::ForbiddenCursor : Qt::PointingHandCursor);
}

void TBoardCanvas::TurnBoard(bool black_at_bottom) {
    model_.BlackAtBottom = black_at_bottom;
    ForgetPainted();
    RePaint();
}

} // namespace galvetta
