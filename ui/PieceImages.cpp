// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PieceImages.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace galvetta {

namespace {

// The font the pieces come from: DejaVu Sans (Debian's fonts-dejavu-core),
// loaded from its file so that no other font can stand in for it.
QFont piece_font(int pixel_size) {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    QFont font(family);
    font.setPixelSize(pixel_size);
    return font;
}

// One piece. The solid glyph's silhouette is filled first; then a White piece
// gets the font's hollow glyph drawn over it in black, a Black piece the solid
// glyph in black over a light rim, so both sides read on both squares.
QPixmap piece(int kind, bool white, int cell) {
    QPixmap image(cell, cell);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = piece_font(cell * 82 / 100);
    const QString solid(QChar(0x265A + kind)), hollow(QChar(0x2654 + kind));
    QPainterPath silhouette;
    silhouette.addText(0, 0, font, solid);
    silhouette.setFillRule(Qt::WindingFill);
    silhouette = silhouette.simplified();
    const QRectF bounds = silhouette.boundingRect();
    const QPointF origin((cell - bounds.width()) / 2 - bounds.left(),
                         (cell - bounds.height()) / 2 - bounds.top());
    silhouette.translate(origin);
    painter.setFont(font);
    if (white) {
        painter.fillPath(silhouette, QColor(252, 250, 244));
        painter.setPen(QColor(16, 16, 16));
        painter.drawText(origin, hollow);
    } else {
        painter.setPen(QPen(QColor(236, 232, 222), cell / 20.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(QColor(236, 232, 222));
        painter.drawPath(silhouette);
        painter.setPen(QColor(24, 24, 28));
        painter.drawText(origin, solid);
    }
    return image;
}

} // namespace

ImageList MakePieceImages(int cell) {
    ImageList list;
    for (const QColor& colour : {QColor(238, 220, 186), QColor(170, 124, 88)}) {
        QPixmap square(cell, cell);
        square.fill(colour);
        list.append(square);
    }
    // King, queen, rook, bishop, knight, pawn (the font's chess glyphs are in that order).
    for (bool white : {true, false})
        for (int kind = 0; kind < 6; ++kind)
            list.append(piece(kind, white, cell));
    return list;
}

QPixmap MakeGlyphIcon(const QString& glyph, const QColor& colour, int size) {
    QPixmap icon(size, size);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(piece_font(size * 8 / 10));
    painter.setPen(colour);
    painter.drawText(icon.rect(), Qt::AlignCenter, glyph);
    return icon;
}

} // namespace galvetta
