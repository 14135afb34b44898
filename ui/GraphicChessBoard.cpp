#include "ui/GraphicChessBoard.h"

#include <QApplication>
#include <QPainter>

namespace galvetta {

namespace {

QString glyph(char piece) {
    switch (piece) {
    case 'k': case 'K': return QStringLiteral("\u265A");
    case 'q': case 'Q': return QStringLiteral("\u265B");
    case 'r': case 'R': return QStringLiteral("\u265C");
    case 'b': case 'B': return QStringLiteral("\u265D");
    case 'n': case 'N': return QStringLiteral("\u265E");
    case 'p': case 'P': return QStringLiteral("\u265F");
    default: return {};
    }
}

} // namespace

TGraphicChessBoard::TGraphicChessBoard(QWidget* parent) : QWidget(parent) {
    setFixedSize(8 * cell_size_, 8 * cell_size_);
    setCursor(Qt::PointingHandCursor);
}

void TGraphicChessBoard::SetBlackAtBottom(bool value) {
    BlackAtBottom = value;
    update();
}

QPoint TGraphicChessBoard::CellOrigin(int index) const {
    int col = index % 8, row = index / 8;
    if (BlackAtBottom) {
        col = 7 - col;
        row = 7 - row;
    }
    return QPoint(col * cell_size_, row * cell_size_);
}

int TGraphicChessBoard::SquareAt(QPoint pixel) const {
    if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= 8 * cell_size_ || pixel.y() >= 8 * cell_size_) return -1;
    int col = pixel.x() / cell_size_, row = pixel.y() / cell_size_;
    if (BlackAtBottom) {
        col = 7 - col;
        row = 7 - row;
    }
    return Casa(col, row);
}

void TGraphicChessBoard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(cell_size_ * 3 / 4);
    painter.setFont(font);
    for (int index = 0; index < 64; ++index) {
        const QRect cell(CellOrigin(index), QSize(cell_size_, cell_size_));
        const bool light = ((index / 8) + (index % 8)) % 2 == 0;
        painter.fillRect(cell, light ? QColor(240, 217, 181) : QColor(181, 136, 99));
        const char piece = index < static_cast<int>(FPosition.size()) ? FPosition[index] : '-';
        const QString text = glyph(piece);
        if (text.isEmpty()) continue;
        const bool white = piece >= 'a' && piece <= 'z';
        // An outline in the other colour keeps both sides readable on either square.
        painter.setPen(white ? Qt::black : Qt::white);
        for (int dx : {-1, 1})
            for (int dy : {-1, 1}) painter.drawText(cell.translated(dx, dy), Qt::AlignCenter, text);
        painter.setPen(white ? Qt::white : Qt::black);
        painter.drawText(cell, Qt::AlignCenter, text);
    }
}

void TGraphicChessBoard::SquareChanged(int index) {
    if (index >= 0 && index < 64) update(QRect(CellOrigin(index), QSize(cell_size_, cell_size_)));
}

void TGraphicChessBoard::PositionReplaced() { update(); }
void TGraphicChessBoard::BoardInvalidated() { update(); }
void TGraphicChessBoard::LockChanged() { setCursor(Locked ? Qt::ForbiddenCursor : Qt::PointingHandCursor); }
void TGraphicChessBoard::Beep() { QApplication::beep(); }

} // namespace galvetta
